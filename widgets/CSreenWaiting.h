#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "widgets/BusyFrames.h"

// The waiting box the over-clock page shows while a refresh or an apply runs.
// Created hidden; its frame carries on from one showing to the next. Heard
// as a status by assistive technology, under the name its owner gives.
class CSreenWaiting final : public QWidget {
    Q_OBJECT
public:
    static constexpr int TIMER_WAITING = 2016;
    static constexpr int kAnimatePeriodMs = 200;

    explicit CSreenWaiting(QWidget* pParent = nullptr);

    // Shows the box and animates it.
    void StartAnimation();
    // Stops the animation and hides the box.
    void StopAnimation();

    int FrameIndex() const { return m_nFrame; }
    const QTimer& WaitingTimer() const { return m_timerWaiting; }

public slots:
    void OnTimerWaiting();

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QTimer m_timerWaiting;
    int m_nFrame = 0;
    std::unique_ptr<BusyFrames> m_pFrames;
};
