#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>
#include <thread>

#include "link/CRequestDispatcher.h"

namespace {

class RequestDispatcherTest : public testing::Test {
protected:
    // The poster-read request serves as a marker: once it has run,
    // everything posted before it has run too.
    RequestDispatcherTest() {
        m_dispatcher.SetHandler(ERequest::PosterRead, [this] { m_markerRan.release(); });
    }
    void Run() {
        m_thread = std::jthread([this](std::stop_token stop) { m_dispatcher.Run(stop); });
    }
    void Drain() {
        m_dispatcher.Post(ERequest::PosterRead);
        m_markerRan.acquire();
    }

    CRequestDispatcher m_dispatcher;
    std::binary_semaphore m_markerRan{0};
    std::jthread m_thread;
};

TEST_F(RequestDispatcherTest, WhileOneRunsItsOwnKindIsDroppedAndAnotherKindWaits) {
    std::binary_semaphore entered{0};
    std::binary_semaphore open{0};
    std::atomic<int> nRuns{0};
    std::atomic<int> nPowerRuns{0};
    m_dispatcher.SetHandler(ERequest::Refresh, [&] {
        ++nRuns;
        entered.release();
        open.acquire();
    });
    m_dispatcher.SetHandler(ERequest::Power, [&] { ++nPowerRuns; });
    Run();
    m_dispatcher.Post(ERequest::Refresh);
    entered.acquire();
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.Post(ERequest::Power);
    EXPECT_EQ(nPowerRuns.load(), 0);
    open.release();
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
    for (ERequest request :
         {ERequest::MessageMode, ERequest::Power, ERequest::Refresh, ERequest::Apply}) {
        m_dispatcher.Post(request);
    }
    Run();
    Drain();
    EXPECT_EQ(order,
              (std::vector<ERequest>{ERequest::Apply, ERequest::Refresh, ERequest::MessageMode}));
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Power));
    m_thread.request_stop();
    m_thread.join();
}

}  // namespace
