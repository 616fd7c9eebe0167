#include "shell/CFocusMark.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {
constexpr int kRing = 3;
}  // namespace

CFocusMark::CFocusMark(QWidget& window) : QWidget(&window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* pNow) { Follow(pNow); });
}

void CFocusMark::Follow(QWidget* pFocus) {
    Watch(false);
    const bool bOurs = pFocus != nullptr && pFocus->window() == parentWidget()->window();
    m_pTarget = bOurs ? qobject_cast<QAbstractButton*>(pFocus) : nullptr;
    Watch(true);
    Place();
}

void CFocusMark::Watch(bool bWatch) {
    for (QWidget* pWidget = m_pTarget; pWidget != nullptr && pWidget != parentWidget();
         pWidget = pWidget->parentWidget()) {
        if (bWatch) {
            pWidget->installEventFilter(this);
        } else {
            pWidget->removeEventFilter(this);
        }
    }
}

void CFocusMark::Place() {
    if (m_pTarget == nullptr || !m_pTarget->isVisible()) {
        hide();
        return;
    }
    const QPoint topLeft = m_pTarget->mapTo(parentWidget(), QPoint(0, 0));
    setGeometry(QRect(topLeft, m_pTarget->size()).adjusted(-kRing, -kRing, kRing, kRing));
    show();
    raise();
}

bool CFocusMark::eventFilter(QObject* pWatched, QEvent* pEvent) {
    switch (pEvent->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            Place();
            break;
        default:
            break;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

void CFocusMark::paintEvent(QPaintEvent*) {
    // White outside, black inside: seen on the dark pages and on light buttons.
    QPainter painter(this);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}
