#include "shell/CAlarmController.h"

#include <string>

#include "data/MonitorLog.h"
#include "data/Utf.h"
#include "link/CDeviceLink.h"
#include "screens/CScreen_AlarmLog.h"
#include "screens/CSubScreen_Monitor.h"

void CAlarmController::Watch(CSubScreen_Monitor& monitor, CScreen_AlarmLog& logScreen) {
    connect(&monitor, &CSubScreen_Monitor::ItemEnteredAlarm, this, [this](const QString& strText) {
        m_notifier.Notify(QStringLiteral("Tunevo"), strText);
    });
    connect(
        &monitor, &CSubScreen_Monitor::AlarmEntered, this,
        [this, &logScreen](const QString& strItem, const QString& strValue,
                           const QString& strUnit) {
            std::string strError;
            if (!AppendAlarm({LogClock::now(), ToUtf8(m_link.GetBoardVersion()),
                              strItem.toStdString(), strValue.toStdString(), strUnit.toStdString()},
                             strError)) {
                qWarning("tunevo: the alarm log: %s", strError.c_str());
            }
            if (logScreen.isVisible()) {
                logScreen.Open();  // the new entry on top
            }
        });
}
