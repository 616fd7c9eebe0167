#include "platform/CWorkerThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Polls and background commands yield to the user interface.
constexpr int kBelowNormalNiceStep = 5;

void LowerCurrentThreadPriority() {
    const id_t nThread = static_cast<id_t>(gettid());
    const int nNice = getpriority(PRIO_PROCESS, nThread);
    // Failure leaves the thread at normal priority, which only costs latency.
    (void)setpriority(PRIO_PROCESS, nThread, nNice + kBelowNormalNiceStep);
}

}  // namespace

void CWorkerThread::Start(std::function<void()> body, EPriority priority) {
    Join();
    m_thread = std::thread([body = std::move(body), priority] {
        if (priority == EPriority::BelowNormal) {
            LowerCurrentThreadPriority();
        }
        body();
    });
}

void CWorkerThread::Join() {
    if (!m_thread.joinable()) {
        return;
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        m_thread.detach();
        return;
    }
    m_thread.join();
}
