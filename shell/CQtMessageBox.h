#pragma once

#include <QPointer>
#include <QWidget>

#include "screens/IMessageBox.h"

class QMessageBox;

// Message boxes as Qt dialogs, centred on the owner's window. Without a
// window manager nobody else places them, and the active window may be none.
class CQtMessageBox final : public IMessageBox {
public:
    explicit CQtMessageBox(QWidget* pOwner = nullptr) : m_pOwner(pOwner) {}

    void ShowMessage(const QString& strText) override;
    bool AskYesNo(const QString& strText, EDefault answer = EDefault::Yes) override;

private:
    // Shows the box until answered, and puts the focus back.
    int Run(QMessageBox& box) const;

    QPointer<QWidget> m_pOwner;
};
