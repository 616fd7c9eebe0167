#include "shell/CQtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

void CQtMessageBox::ShowMessage(const QString& strText) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool CQtMessageBox::AskYesNo(const QString& strText, EDefault answer) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(answer == EDefault::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
