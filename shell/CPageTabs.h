#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <functional>

class CPageTab;
class QPainter;
class QWidget;

// The main window's two page tabs, Overclock and Monitor. They are painted
// on the window's own surface, under the overlays that reach over their
// lower edge; a button over each takes taps, keys and assistive technology.
// Main thread only; owned by the window.
class CPageTabs final : public QObject {
public:
    // Makes the buttons on the window; a chosen tab calls onChosen with its
    // page (0 over-clock, 1 monitor).
    CPageTabs(QWidget& window, std::function<void(int)> onChosen);

    void SetPage(int nPage);
    void SetEnabled(bool bEnabled);
    // The chosen tab in the page's colour, the other inactive; the monitor's
    // with a mark while an item is in alarm.
    void Paint(QPainter& painter, bool bOverClock, bool bAlarm) const;

private:
    QString m_strOverClock;
    QString m_strMonitor;
    QFont m_font;
    CPageTab* m_pOverClock = nullptr;
    CPageTab* m_pMonitor = nullptr;
};
