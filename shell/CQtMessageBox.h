#pragma once

#include "screens/IMessageBox.h"

// Message boxes as Qt dialogs, centred over the active window.
class CQtMessageBox final : public IMessageBox {
public:
    void ShowMessage(const QString& strText) override;
    bool AskYesNo(const QString& strText, EDefault answer = EDefault::Yes) override;
};
