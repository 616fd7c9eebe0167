#pragma once

#include <QString>

// The one way the program shows a message box: empty caption, OK for
// errors, Yes and No for confirmations. Main thread only; blocks until answered.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;

    virtual void ShowMessage(const QString& strText) = 0;
    // True for Yes.
    virtual bool AskYesNo(const QString& strText) = 0;
};
