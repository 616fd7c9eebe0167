#include "widgets/CSreenWaiting.h"

#include <QPainter>

#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

CSreenWaiting::CSreenWaiting(QWidget* pParent) : QWidget(pParent) {
    hide();
    SetAccessibleRole(*this, QAccessible::StatusBar);
    m_pFrames = std::make_unique<BusyFrames>(g_nScreenLayout);
    m_timerWaiting.setInterval(kAnimatePeriodMs);
    connect(&m_timerWaiting, &QTimer::timeout, this, &CSreenWaiting::OnTimerWaiting);
}

void CSreenWaiting::StartAnimation() {
    show();
    m_timerWaiting.start();
}

void CSreenWaiting::StopAnimation() {
    m_timerWaiting.stop();
    hide();
}

void CSreenWaiting::OnTimerWaiting() {
    m_nFrame = BusyFrames::Next(m_nFrame);
    update();
}

void CSreenWaiting::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(100, 100, 100));
    // A 3-pixel frame, 6 pixels on the right.
    painter.fillRect(QRect(QPoint(3, 3), QPoint(width() - 6 - 1, height() - 3 - 1)),
                     QColor(40, 0, 0));
    const QPoint iconPosition = g_nScreenLayout == LayoutSmall ? QPoint(90, 5) : QPoint(175, 10);
    painter.drawPixmap(iconPosition, m_pFrames->Frame(m_nFrame));
}
