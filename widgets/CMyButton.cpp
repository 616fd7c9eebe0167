#include "widgets/CMyButton.h"

#include <QKeyEvent>

#include <QCoreApplication>
#include <QMouseEvent>

CMyButton::CMyButton(const QString& strText, QWidget* pParent) : QPushButton(strText, pParent) {
    // A pointer press must not take the focus from the keyboard user's place.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(false);
    m_timerRepeat.setInterval(kRepeatPeriodMs);
    connect(&m_timerRepeat, &QTimer::timeout, this, &CMyButton::OnTimerRepeat);
    // Only keyboard and assistive activations arrive here: the pointer's
    // presses never reach QAbstractButton, so they make no click.
    connect(this, &QAbstractButton::clicked, this, &CMyButton::SendStep);
}

void CMyButton::SendStep() {
    if (QWidget* pParent = parentWidget()) {
        CStepEvent step(m_nCode);
        QCoreApplication::sendEvent(pParent, &step);
    }
}

void CMyButton::OnTimerRepeat() {
    SendStep();
}

void CMyButton::StopRepeating() {
    m_timerRepeat.stop();
    m_bRepeating = false;
    setDown(false);
}

void CMyButton::mousePressEvent(QMouseEvent* pEvent) {
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton || m_bRepeating) {
        return;
    }
    m_bRepeating = true;
    setDown(true);
    m_timerRepeat.start();
}

void CMyButton::mouseReleaseEvent(QMouseEvent* pEvent) {
    pEvent->accept();
    if (pEvent->button() != Qt::LeftButton) {
        return;
    }
    StopRepeating();
    // Released over the button, even after sliding off and back: one more step.
    if (rect().contains(pEvent->position().toPoint()) && isEnabled()) {
        SendStep();
    }
}

void CMyButton::mouseMoveEvent(QMouseEvent* pEvent) {
    pEvent->accept();
    if (m_bRepeating && !rect().contains(pEvent->position().toPoint())) {
        StopRepeating();
    }
}

void CMyButton::changeEvent(QEvent* pEvent) {
    // A button disabled while held must not go on stepping.
    if (pEvent->type() == QEvent::EnabledChange && !isEnabled()) {
        StopRepeating();
    }
    QPushButton::changeEvent(pEvent);
}

void CMyButton::hideEvent(QHideEvent* pEvent) {
    StopRepeating();
    QPushButton::hideEvent(pEvent);
}

void CMyButton::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Up || pEvent->key() == Qt::Key_Down) {
        pEvent->ignore();
        return;
    }
    QPushButton::keyPressEvent(pEvent);
}
