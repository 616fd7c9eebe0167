#include <gtest/gtest.h>

#include <thread>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "platform/CSteadyClock.h"
#include "platform/CVirtualClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;

// A link to a board on port 0 over an in-memory line.
class DeviceLinkTest : public testing::Test {
protected:
    void MakeLink(std::shared_ptr<IClock> pClock) {
        m_pLine = std::make_shared<CMemoryLine>(m_pBoard, pClock);
        m_pOpener->Attach(0, m_pLine);
        m_pLink = std::make_unique<CDeviceLink>(CDeviceLink::Environment{
            m_pOpener, std::make_shared<CFixedRadio>(), std::move(pClock)});
        m_pLink->SetListener(&m_listener);
    }

    void Connect() {
        m_pLink->StartPortSearch();
        ASSERT_TRUE(m_listener.WaitFor([](auto& r) { return !r.empty(); }));
        ASSERT_EQ(m_listener.Count("OnLinkState", true), 1u);
    }

    size_t PowerFramesSent() const {
        size_t nCount = 0;
        for (const auto& sent : m_pLine->Sent()) {
            nCount += sent.bytes == BuildCommandFrame(0xD3, 'p') ? 1 : 0;
        }
        return nCount;
    }

    std::shared_ptr<CVirtualClock> m_pClock = std::make_shared<CVirtualClock>();
    std::shared_ptr<CBoardModel> m_pBoard = std::make_shared<CBoardModel>();
    std::shared_ptr<CMemoryPortOpener> m_pOpener = std::make_shared<CMemoryPortOpener>();
    std::shared_ptr<CMemoryLine> m_pLine;
    CRecordingListener m_listener;
    std::unique_ptr<CDeviceLink> m_pLink;
};

TEST_F(DeviceLinkTest, ReportsNotFoundWhenNoPortAnswers) {
    MakeLink(m_pClock);
    m_pBoard->SetFault(EBoardFault::NoReply);
    m_pLink->StartPortSearch();
    ASSERT_TRUE(m_listener.WaitFor([](auto& r) { return !r.empty(); }));
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 1u);
    EXPECT_FALSE(m_pLink->HasPort());
}

TEST_F(DeviceLinkTest, APowerPollReportsOnceOrTriesSixTimesAndSaysWhy) {
    MakeLink(m_pClock);
    Connect();
    m_pBoard->SetPoweredOn(false);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnPowerState", false), 1u);
    EXPECT_EQ(PowerFramesSent(), 1u);
    // Malformed replies are tried again, not counted as line errors.
    m_pBoard->SetFault(EBoardFault::WrongLetter);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(PowerFramesSent(), 7u);
    const auto reports = m_listener.Reports();
    EXPECT_EQ(reports.back().strText, "Send Check Power Status error \n");
    EXPECT_EQ(m_pLink->ErrorCount(), 0);
    // Each failed write says the link is lost.
    m_pLine->SetWriteFails(true);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 6u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorPowerStatus), 2u);
}

TEST_F(DeviceLinkTest, ChecksumFailuresPast3000ReportTheLinkLostEachTime) {
    MakeLink(m_pClock);
    Connect();
    m_pBoard->SetFault(EBoardFault::WrongChecksum);
    for (int nPoll = 0; nPoll < 500; ++nPoll) {
        m_pLink->PollPowerStatus();
    }
    EXPECT_EQ(m_pLink->ErrorCount(), 3000);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 0u);

    // Failures 3001 to 3006: every one of them reports.
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_pLink->ErrorCount(), 3006);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 6u);
}

TEST_F(DeviceLinkTest, PowerPollingStopsAndAQuickRestartReusesTheRunningThread) {
    MakeLink(m_pClock);
    Connect();
    m_pLink->StartPowerPolling();
    ASSERT_TRUE(m_listener.WaitForCount("OnPowerState", 1));

    for (int nRound = 0; nRound < 50; ++nRound) {
        m_pLink->StopPowerPolling();
        m_pLink->StartPowerPolling();
        EXPECT_TRUE(m_pLink->IsPowerPollRunning());
    }
    // Still polling after the last start.
    const size_t nBefore = m_listener.Count("OnPowerState");
    ASSERT_TRUE(m_listener.WaitForCount("OnPowerState", nBefore + 3));

    m_pLink->StopPowerPolling();
    ASSERT_TRUE(WaitUntil([&] { return !m_pLink->IsPowerPollRunning(); }));
    const size_t nStopped = PowerFramesSent();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(PowerFramesSent(), nStopped);

    // A start after the thread ended starts a new one.
    m_pLink->StartPowerPolling();
    EXPECT_TRUE(m_pLink->IsPowerPollRunning());
    ASSERT_TRUE(WaitUntil([&] { return PowerFramesSent() > nStopped; }));
}

TEST_F(DeviceLinkTest, DestroyWhileACommandHoldsThePortEndsThreadsAndClosesThePort) {
    // Real time: the poll thread is really inside an exchange when the link goes.
    MakeLink(std::make_shared<CSteadyClock>());
    Connect();
    m_pBoard->SetFault(EBoardFault::NoReply);
    m_pLink->StartPowerPolling();
    ASSERT_TRUE(WaitUntil([&] { return PowerFramesSent() >= 2; }));
    ASSERT_TRUE(m_pLink->IsPowerPollRunning());

    m_pLink.reset();

    // Only the test and the opener still hold the line: the port is closed.
    EXPECT_EQ(m_pLine.use_count(), 2);
    const size_t nSent = m_pLine->Sent().size();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(m_pLine->Sent().size(), nSent);
    // Torn down mid-poll: no error report for a poll that was cut short.
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
}

}  // namespace
