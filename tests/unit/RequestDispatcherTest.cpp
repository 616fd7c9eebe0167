#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/CRequestDispatcher.h"

namespace {

// Lets a test hold a handler inside its run until released.
class Gate {
public:
    void Enter() {
        std::unique_lock lock(m_mutex);
        m_bEntered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_bOpen; });
    }
    void WaitEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bEntered; });
    }
    void Open() {
        std::lock_guard lock(m_mutex);
        m_bOpen = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bEntered = false;
    bool m_bOpen = false;
};

class RequestDispatcherTest : public testing::Test {
protected:
    // The poster-read request serves as a marker: once it has run,
    // everything posted before it has run too.
    RequestDispatcherTest() {
        m_dispatcher.SetHandler(ERequest::PosterRead, [this] {
            std::lock_guard lock(m_markerMutex);
            ++m_nMarkers;
            m_markerRan.notify_all();
        });
    }

    void Run() {
        m_thread = std::jthread([this](std::stop_token stop) { m_dispatcher.Run(stop); });
    }

    void Drain() {
        std::unique_lock lock(m_markerMutex);
        const int nTarget = m_nMarkers + 1;
        m_dispatcher.Post(ERequest::PosterRead);
        m_markerRan.wait(lock, [&] { return m_nMarkers >= nTarget; });
    }

    CRequestDispatcher m_dispatcher;
    std::mutex m_markerMutex;
    std::condition_variable m_markerRan;
    int m_nMarkers = 0;
    std::jthread m_thread;
};

TEST_F(RequestDispatcherTest, WhileOneRunsItsOwnKindIsDroppedAndAnotherKindWaits) {
    Gate gate;
    std::atomic<int> nRuns{0};
    std::atomic<int> nPowerRuns{0};
    m_dispatcher.SetHandler(ERequest::Refresh, [&] {
        ++nRuns;
        gate.Enter();
    });
    m_dispatcher.SetHandler(ERequest::Power, [&] { ++nPowerRuns; });
    Run();
    m_dispatcher.Post(ERequest::Refresh);
    gate.WaitEntered();
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.Post(ERequest::Power);
    EXPECT_EQ(nPowerRuns.load(), 0);
    gate.Open();
    Drain();
    EXPECT_EQ(nRuns.load(), 1);
    EXPECT_EQ(nPowerRuns.load(), 1);
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Refresh));
}

TEST_F(RequestDispatcherTest, ARequestMadeInAnswerToTheFinalReportIsKept) {
    std::atomic<int> nRuns{0};
    // The handler's final report, whose receiver asks for the next refresh at once.
    m_dispatcher.SetHandler(ERequest::Refresh, [&] {
        if (++nRuns < 3) {
            m_dispatcher.EndRun(ERequest::Refresh);
            m_dispatcher.Post(ERequest::Refresh);
        }
    });
    // From another thread, ending a run does nothing.
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.EndRun(ERequest::Refresh);
    EXPECT_TRUE(m_dispatcher.IsPending(ERequest::Refresh));
    Run();
    Drain();
    EXPECT_EQ(nRuns.load(), 3);
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Refresh));
}

// Pending requests run in the order of the events, whatever order they were
// posted in; a stop ends the loop, and a request without a handler is consumed.
TEST_F(RequestDispatcherTest, PendingRequestsRunInTheEventOrderAndAStopEndsTheLoop) {
    std::vector<ERequest> order;
    for (ERequest request : {ERequest::Apply, ERequest::Refresh, ERequest::MessageMode}) {
        m_dispatcher.SetHandler(request, [&order, request] { order.push_back(request); });
    }
    m_dispatcher.Post(ERequest::MessageMode);
    m_dispatcher.Post(ERequest::Power);
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.Post(ERequest::Apply);
    Run();
    Drain();
    EXPECT_EQ(order,
              (std::vector<ERequest>{ERequest::Apply, ERequest::Refresh, ERequest::MessageMode}));
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Power));
    m_thread.request_stop();
    m_thread.join();
}

}  // namespace
