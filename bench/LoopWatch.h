#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

// The longest stretch the event loop went without running a zero timer.
class CLoopWatch {
public:
    CLoopWatch() {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_dLongestMs =
                std::max(m_dLongestMs, static_cast<double>(m_clock.nsecsElapsed()) / 1e6);
            m_clock.restart();
        });
    }
    void Start() {
        m_dLongestMs = 0;
        m_clock.start();
        m_timer.start();
    }
    double Stop() {
        m_timer.stop();
        return m_dLongestMs;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_dLongestMs = 0;
};
