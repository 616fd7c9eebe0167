#pragma once

#include <QString>

// The one way the program shows a message box: empty caption, OK for
// errors, Yes and No for confirmations. Main thread only; blocks until answered.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;

    // The answer Enter gives: No before what the user cannot take back.
    enum class EDefault { Yes, No };

    virtual void ShowMessage(const QString& strText) = 0;
    // True for Yes.
    virtual bool AskYesNo(const QString& strText, EDefault answer = EDefault::Yes) = 0;
};
