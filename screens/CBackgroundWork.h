#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs the link's blocking calls (lock check, power query, ratio reload) off
// the main thread, one after another in the order given, so the window never
// freezes on the board. Main thread only.
class CBackgroundWork final : public QObject {
    Q_OBJECT
public:
    explicit CBackgroundWork(QObject* pParent = nullptr) : QObject(pParent) {}
    // Waits for the work in hand; work not yet started is dropped.
    ~CBackgroundWork() override;

    // Queues work for the worker thread; done then runs on the main thread,
    // unless this object is gone by then.
    void Run(std::function<void()> work, std::function<void()> done = {});
    // True while work is queued or running.
    bool IsBusy() const;

private:
    void Loop(std::stop_token stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::deque<std::function<void()>> m_queue;
    bool m_bRunning = false;
    std::jthread m_thread;
};
