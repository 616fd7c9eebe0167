#pragma once

#include <functional>
#include <thread>

// A thread that is always joined: by Join or by the destructor. Stopping is
// cooperative; the body watches the stop token its owner gave it.
class CWorkerThread {
public:
    enum class EPriority { Normal, BelowNormal };

    CWorkerThread() = default;
    ~CWorkerThread() { Join(); }
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts the body on a new thread; a thread still held is joined first.
    void Start(std::function<void()> body, EPriority priority);

    // Waits for the body to end; does nothing when no thread runs or when
    // called from the thread itself (which then detaches at its end).
    void Join();

private:
    std::thread m_thread;
};
