#pragma once

#include "screens/CLogScreen.h"

// The log of items that came into alarm, newest first, as the window and
// tunevoctl appended it: when, on which board, which item at what value.
class CScreen_AlarmLog final : public CLogScreen {
    Q_OBJECT
public:
    CScreen_AlarmLog(IMainWindow& mainWindow, QWidget* pParent);

protected:
    void Fill(QListWidget& list) override;

private:
    QString m_strEntry;  // the alarm notice: %1 item, %2 value, %3 unit
};
