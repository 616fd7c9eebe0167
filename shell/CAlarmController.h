#pragma once

#include <QObject>

#include "shell/CDesktopNotifier.h"

class CDeviceLink;
class CScreen_AlarmLog;
class CSubScreen_Monitor;

// Where an item coming into alarm is told beyond the monitor page: the
// desktop, as a critical notification, so that a minimised window hides
// none; and the alarm log every watch appends to, so that an alarm seen by
// nobody is not lost. Main thread only; owned by the main window.
class CAlarmController final : public QObject {
public:
    explicit CAlarmController(CDeviceLink& link) : m_link(link) {}

    // Listens to the monitor page's alarms from now on; an open log screen
    // shows each new entry on top.
    void Watch(CSubScreen_Monitor& monitor, CScreen_AlarmLog& logScreen);
    CDesktopNotifier& Notifier() { return m_notifier; }

private:
    CDeviceLink& m_link;
    CDesktopNotifier m_notifier;
};
