#include "shell/CPageTabs.h"

#include <QPainter>

#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

CPageTabs::CPageTabs(QWidget& window, std::function<void(int)> onChosen)
    : QObject(&window),
      m_strOverClock(LocaleText(u"STR_OVERCLOCK")),
      m_strMonitor(LocaleText(u"STR_MONITOR")),
      m_font(TabFont()) {
    m_pOverClock = new CPageTab(m_strOverClock, false, &window);
    m_pOverClock->setGeometry(g_rcTabOverClock.ToQRect());
    m_pOverClock->setChecked(true);
    connect(m_pOverClock, &QPushButton::clicked, this, [onChosen] { onChosen(0); });
    m_pMonitor = new CPageTab(m_strMonitor, false, &window);
    m_pMonitor->setGeometry(g_rcTabMonitor.ToQRect());
    connect(m_pMonitor, &QPushButton::clicked, this, [onChosen] { onChosen(1); });
    // Beneath every overlay, which reach over the tabs' lower edge.
    m_pOverClock->lower();
    m_pMonitor->lower();
}

void CPageTabs::SetPage(int nPage) {
    (nPage == 0 ? m_pOverClock : m_pMonitor)->setChecked(true);
}

void CPageTabs::SetEnabled(bool bEnabled) {
    m_pOverClock->setEnabled(bEnabled);
    m_pMonitor->setEnabled(bEnabled);
}

void CPageTabs::Paint(QPainter& painter, bool bOverClock, bool bAlarm) const {
    const QRect rcOverClock = g_rcTabOverClock.ToQRect();
    const QRect rcMonitor = g_rcTabMonitor.ToQRect();
    painter.fillRect(rcOverClock, bOverClock ? kPageColor : kInactiveTabColor);
    painter.fillRect(rcMonitor, bOverClock ? kInactiveTabColor : kPageColor);
    painter.setFont(m_font);
    painter.setPen(bOverClock ? QColor(Qt::white) : kInactiveTabText);
    painter.drawText(rcOverClock, Qt::AlignHCenter | Qt::AlignTop, m_strOverClock);
    painter.setPen(bOverClock ? kInactiveTabText : QColor(Qt::white));
    painter.drawText(rcMonitor, Qt::AlignHCenter | Qt::AlignTop, m_strMonitor);
    if (bAlarm) {
        PaintAlarmMark(painter, rcMonitor);
    }
}
