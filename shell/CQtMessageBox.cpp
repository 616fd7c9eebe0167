#include "shell/CQtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "shell/CDeviceFrame.h"
#include "shell/CFocusTrap.h"

namespace {
// A dialog with a parent opens centred on it.
QWidget* Parent(QWidget* pOwner) {
    return pOwner != nullptr ? pOwner->window() : QApplication::activeWindow();
}
}  // namespace

int CQtMessageBox::Run(QMessageBox& box) const {
    // The window's own focus, which it keeps while another window is active.
    const QPointer<QWidget> pBefore =
        m_pOwner != nullptr ? m_pOwner->window()->focusWidget() : QApplication::focusWidget();
    const int nAnswer = box.exec();
    // Back to where it was; when that went away meanwhile, to the first
    // control of the window's content, not to the title strip's OK (the
    // next Enter would quit).
    if (pBefore != nullptr && pBefore->isVisible() && pBefore->isEnabled()) {
        pBefore->setFocus(Qt::OtherFocusReason);
    } else if (auto* pFrame = qobject_cast<CDeviceFrame*>(m_pOwner.data())) {
        CFocusTrap::FocusFirst(pFrame->ClientArea());
    }
    return nAnswer;
}

void CQtMessageBox::ShowMessage(const QString& strText) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Ok, Parent(m_pOwner));
    Run(box);
}

bool CQtMessageBox::AskYesNo(const QString& strText, EDefault answer) {
    QMessageBox box(QMessageBox::NoIcon, QString(), strText, QMessageBox::Yes | QMessageBox::No,
                    Parent(m_pOwner));
    box.setDefaultButton(answer == EDefault::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}
