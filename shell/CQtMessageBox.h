#pragma once

#include <QPointer>
#include <QWidget>

#include "screens/IMessageBox.h"

// Message boxes as Qt dialogs, centred on the owner's window. Without a
// window manager nobody else places them, and the active window may be none.
class CQtMessageBox final : public IMessageBox {
public:
    explicit CQtMessageBox(QWidget* pOwner = nullptr) : m_pOwner(pOwner) {}

    void ShowMessage(const QString& strText) override;
    bool AskYesNo(const QString& strText, EDefault answer = EDefault::Yes) override;

private:
    QPointer<QWidget> m_pOwner;
};
