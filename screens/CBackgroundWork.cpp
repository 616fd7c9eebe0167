#include "screens/CBackgroundWork.h"

#include <QMetaObject>

CBackgroundWork::~CBackgroundWork() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_wake.notify_all();
        m_thread.join();
    }
}

void CBackgroundWork::Run(std::function<void()> work, std::function<void()> done) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back([this, work = std::move(work), done = std::move(done)] {
            work();
            if (done) {
                // Dropped by Qt when this object is destroyed before it runs.
                QMetaObject::invokeMethod(this, done, Qt::QueuedConnection);
            }
        });
        if (!m_thread.joinable()) {
            m_thread = std::jthread([this](std::stop_token stop) { Loop(stop); });
        }
    }
    m_wake.notify_one();
}

bool CBackgroundWork::IsBusy() const {
    std::lock_guard lock(m_mutex);
    return m_bRunning || !m_queue.empty();
}

void CBackgroundWork::Loop(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    while (m_wake.wait(lock, stop, [this] { return !m_queue.empty(); }) && !stop.stop_requested()) {
        std::function<void()> next = std::move(m_queue.front());
        m_queue.pop_front();
        m_bRunning = true;
        lock.unlock();
        next();
        lock.lock();
        m_bRunning = false;
    }
}
