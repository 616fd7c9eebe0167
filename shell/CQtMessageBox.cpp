#include "shell/CQtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
// A dialog with a parent opens centred on it.
QWidget* Parent(QWidget* pOwner) {
    return pOwner != nullptr ? pOwner->window() : QApplication::activeWindow();
}
}  // namespace

void CQtMessageBox::ShowMessage(const QString& strText) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Ok, Parent(m_pOwner));
    box.exec();
}

bool CQtMessageBox::AskYesNo(const QString& strText, EDefault answer) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Yes | QMessageBox::No,
                    Parent(m_pOwner));
    box.setDefaultButton(answer == EDefault::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
