// The power poll and actions, the lock and the poster against the simulated board.

#include <algorithm>
#include <thread>

#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// Hand-computed frames.
const Bytes kPowerStatus = {0xD3, 0x05, 0x70, 0, 0, 0, 0, 0xA6};
const Bytes kPowerOn = {0x53, 0x05, 0x04, 0x01, 0, 0, 0, 0x53};
const Bytes kClearCmos = {0x53, 0x05, 0x04, 0x08, 0, 0, 0, 0x5A};
const Bytes kLockStatus = {0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5};
const Bytes kPosterCode = {0xD3, 0x05, 0x72, 0, 0, 0, 0, 0xA4};
const Bytes kCodeDisplay = {0x53, 0x05, 0x71, 0x11, 0, 0, 0, 0x36};
const Bytes kTextDisplay = {0x53, 0x05, 0x71, 0x10, 0, 0, 0, 0x37};

const std::string kOneVoltage = BoardLinkFixture::Section(
    "Over_Volt", {BoardLinkFixture::Item("CPU Vcore", "2", "0", 800, 1600, 1250, 65, 97)});

// A link that has found a board with one over-clock voltage; nothing is loaded.
class PowerTest : public BoardLinkFixture {
protected:
    void SetUp() override {
        BoardLinkFixture::SetUp();
        Connect(kOneVoltage);
    }
    // Frames sent since the search's open frame.
    std::vector<Bytes> Commands() const { return Sent(1); }
    size_t PowerFramesSent() const { return CountSent(kPowerStatus); }
    // Power action frames the board received.
    long ActionsReceived() const {
        return std::ranges::count_if(m_pBoard->Requests(), [](const Bytes& frame) {
            return frame[Protocol::kOffsetLetter] == Protocol::kLetterPowerAction;
        });
    }
};

// State bytes 2 and 4 read on and off as well; one says nothing. A valid
// reply ends the poll, whatever its state: one frame per poll.
TEST_F(PowerTest, APowerPollReportsOnceOrTriesSixTimesAndSaysWhy) {
    m_pBoard->SetPowerStateBytes(2, 4);
    m_pLink->PollPowerStatus();
    m_pBoard->SetPoweredOn(false);
    m_pLink->PollPowerStatus();
    m_pBoard->SetPowerStateBytes(1, 1);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnPowerState", true), 1u);
    EXPECT_EQ(m_listener.Count("OnPowerState", false), 1u);
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
    EXPECT_EQ(Commands(), (std::vector<Bytes>{kPowerStatus, kPowerStatus, kPowerStatus}));
    // Malformed replies are tried again, not counted as line errors.
    m_pBoard->SetFault(EBoardFault::WrongLetter);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(PowerFramesSent(), 9u);
    EXPECT_EQ(m_listener.Reports().back().strText, "Send Check Power Status error \n");
    EXPECT_EQ(m_pLink->ErrorCount(), 0);
    // Each failed write says the link is lost.
    m_pLine->SetWriteFails(true);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 6u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorPowerStatus), 2u);
}

TEST_F(PowerTest, ChecksumFailuresPast3000ReportTheLinkLostEachTime) {
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

TEST_F(PowerTest, PowerPollingStopsAndAQuickRestartReusesTheRunningThread) {
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

TEST_F(PowerTest, DestroyWhileACommandHoldsThePortEndsThreadsAndClosesThePort) {
    // Real time: the poll thread is really inside an exchange when the link goes.
    m_pLinkClock = std::make_shared<CSteadyClock>();
    Connect(kOneVoltage);
    m_pBoard->SetFault(EBoardFault::NoReply);
    m_pLink->StartPowerPolling();
    ASSERT_TRUE(WaitUntil([&] { return PowerFramesSent() >= 2; }));
    ASSERT_TRUE(m_pLink->IsPowerPollRunning());
    m_pLink.reset();
    // Only the test still holds the line: the port is closed.
    EXPECT_EQ(m_pLine.use_count(), 1);
    const size_t nSent = m_pLine->Sent().size();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(m_pLine->Sent().size(), nSent);
    // Torn down mid-poll: no error report for a poll that was cut short.
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
}

// A lost board found again: the same link object, as the window holds it.
TEST_F(PowerTest, ADisconnectEndsEveryThreadAndANewSearchLoadsTheBoardAfresh) {
    m_pLinkClock = std::make_shared<CSteadyClock>();
    Connect(kOneVoltage);
    StartAndLoad();
    m_pLink->CheckLockStatus();
    ASSERT_TRUE(
        WaitUntil([&] { return CountSent(kPosterCode) >= 2 && CountSent(kLockStatus) >= 2; }));
    m_pLine->SetHungUp(true);
    m_pLink->Disconnect();
    EXPECT_FALSE(m_pLink->HasPort());
    EXPECT_FALSE(m_pLink->IsLoaded());
    EXPECT_EQ(m_pLink->LockState(), CDeviceLink::kStateUnknown);
    const size_t nSent = m_pLine->Sent().size();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(m_pLine->Sent().size(), nSent) << "every thread has ended";
    // Made while no connection stands: dropped, not run on the next one.
    m_pLink->RequestRefreshOverclock();

    m_pLine->SetHungUp(false);
    m_listener.Clear();
    m_pLink->StartPortSearch();
    ASSERT_TRUE(m_listener.WaitForCount("OnLinkState", 1));
    ASSERT_EQ(m_listener.Count("OnLinkState", true), 1u);
    StartAndLoad();
    EXPECT_EQ(m_pLink->ArraySize(EBoardArray::OverVolt), 1u) << "loaded afresh, not added to";
    EXPECT_EQ(m_pLink->GetOverVolt()[0].Value, u"1250");
    EXPECT_EQ(m_listener.Count("OnOverclockRefreshed"), 0u);
    const size_t nLockFrames = CountSent(kLockStatus);
    m_pLink->CheckLockStatus();
    ASSERT_TRUE(WaitUntil([&] { return CountSent(kLockStatus) >= nLockFrames + 3; }))
        << "the polls run again";
}

TEST_F(PowerTest, AQueryReadsOnAndOffAndGivesUpAfterSixTriesOfNeither) {
    EXPECT_TRUE(m_pLink->QueryPowerStatus());
    m_pBoard->SetPoweredOn(false);
    EXPECT_FALSE(m_pLink->QueryPowerStatus());
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
    m_pBoard->SetPowerStateBytes(1, 1);
    EXPECT_FALSE(m_pLink->QueryPowerStatus());
    EXPECT_EQ(CountSent(kPowerStatus), 8u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorPowerStatus), 1u);
    // Each try: the exchange wait, then the pause before the next.
    const std::vector<long> waits = Waits();
    EXPECT_EQ(std::vector<long>(waits.end() - 12, waits.end()), std::vector<long>(12, 100));
    m_pLine->SetWriteFails(true);
    EXPECT_FALSE(m_pLink->QueryPowerStatus());
    m_pLink->CheckLock();
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 2u);  // once for each
    EXPECT_EQ(m_listener.Count("OnLockState"), 1u);
    m_pLink->PowerAction(4);
    const auto reports = m_listener.Reports();
    EXPECT_EQ(reports.back().strOperation, "OnPowerCommandDone");
    EXPECT_EQ(reports.back().nSecond, 255) << "failed, not refused for a PC that is on";
}

TEST_F(PowerTest, AQueryAndALockCheckNeverCutIntoACommandThatHoldsThePort) {
    // A power action stuck in its write holds the port.
    m_pLine->HoldWrites(true);
    std::thread action([&] { m_pLink->PowerAction(5); });
    ASSERT_TRUE(WaitUntil([&] { return m_pLine->IsWriteHeld(); }));
    const size_t nBefore = Sent().size();
    // On the virtual clock the two-second wait for the port passes at once.
    EXPECT_FALSE(m_pLink->QueryPowerStatus());
    m_pLink->CheckLock();
    EXPECT_EQ(Sent().size(), nBefore) << "no frame went out between the action's frames";
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorPowerStatus), 1u);
    // Nothing was asked, so nothing is said of the lock.
    EXPECT_EQ(m_listener.Count("OnLockState"), 0u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorLockCheck), 1u);
    m_pLine->HoldWrites(false);
    action.join();
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", true), 1u);
}

TEST_F(PowerTest, ClearingCmosIsRefusedWhileOnAndWhileOffResetsTheBoardsSettings) {
    m_pLink->PowerAction(4);
    EXPECT_EQ(Commands(), std::vector<Bytes>{kPowerStatus});
    EXPECT_EQ(m_listener.Reports().back().nFirst, 0);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 0);

    m_pBoard->SetPoweredOn(false);
    const size_t nFrom = Sent().size();
    m_pLink->PowerAction(4);
    EXPECT_EQ(Sent(nFrom), (std::vector<Bytes>{kPowerStatus, kClearCmos}));
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", true), 1u);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 255);
}

// An unknown action sends nothing, and one that cannot be written is tried
// six times: nothing reached the board. One that went out is never sent
// again, however its acknowledgement was lost: on and off then read the
// state (a late acknowledgement is not taken for it), the others say the
// state is unknown.
TEST_F(PowerTest, AnActionReachesTheBoardOnceWhateverHappensToItsAcknowledgement) {
    m_pLink->PowerAction(0);
    m_pLink->PowerAction(6);
    EXPECT_TRUE(Commands().empty());
    m_pLine->SetWriteFails(true);
    m_pLink->PowerAction(5);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorPowerAction), 1u);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 6u);
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", false), 3u);
    const struct {
        int nCode;
        EBoardFault fault;
        int nDetail;
    } cases[] = {{1, EBoardFault::NoReply, ILinkListener::kPowerUnconfirmedNowOff},
                 {1, EBoardFault::LateReply, ILinkListener::kPowerUnconfirmedNowOff},
                 {2, EBoardFault::WrongChecksum, ILinkListener::kPowerUnconfirmedNowOn},
                 {3, EBoardFault::LateReply, ILinkListener::kPowerUnconfirmed},
                 {4, EBoardFault::NoReply, ILinkListener::kPowerUnconfirmed},
                 {5, EBoardFault::Garbage, ILinkListener::kPowerUnconfirmed}};
    for (const auto& c : cases) {
        Connect(kOneVoltage);
        m_pBoard->SetPoweredOn(c.nCode != 1 && c.nCode != Protocol::kPowerActionClearCmos);
        m_pBoard->SetFault(c.fault, Protocol::kLetterPowerAction);
        m_pLink->PowerAction(c.nCode);
        EXPECT_EQ(ActionsReceived(), 1) << c.nCode;
        EXPECT_EQ(m_listener.Last("OnPowerCommandDone").value().nSecond, c.nDetail) << c.nCode;
    }
}

// Under a noisy radio every request reaches the board exactly once.
TEST_F(PowerTest, UnderThirtyPercentNoiseEachActionReachesTheBoardOnce) {
    for (uint32_t nSeed = 1; nSeed <= 60; ++nSeed) {
        Connect(kOneVoltage);
        const int nCode = static_cast<int>(nSeed % 5) + 1;
        m_pBoard->SetPoweredOn(nCode != Protocol::kPowerActionClearCmos);
        m_pBoard->SetNoise(30, nSeed);
        m_pLink->PowerAction(nCode);
        EXPECT_EQ(ActionsReceived(), 1) << "seed " << nSeed;
    }
}

class PosterLockTest : public PowerTest {
protected:
    void SetUp() override {
        PowerTest::SetUp();
        m_dir.WriteFile("dbcd-V03.ini",
                        "[str]\n3B=Memory check\nA5=Boot\n[Message]\n3B=Checking the memory\n");
        m_pLink->LoadConfiguration();
    }

    // Reads the poster once and reports it, as a poster-read request does.
    void ReadPoster(int nCode, int nMode) {
        m_pBoard->HoldPosterCode(nCode);
        m_pBoard->SetPosterMode(nMode);
        m_pLink->PollPosterCode();
        m_pLink->NotifyPoster();
    }

    std::vector<CRecordingListener::Report> PosterReports() const {
        return m_listener.Of("OnPosterText");
    }
};

// Code mode shows four hex digits; the text modes look the code up in their
// section and say nothing for a code without text, or for another mode.
TEST_F(PosterLockTest, APosterReadIsReportedAsItsCodeOrTheTextOfItsMode) {
    ReadPoster(0x00A5, 1);
    ReadPoster(0x3B, 0);
    ReadPoster(0x3B, 2);
    ReadPoster(0x3C, 0);
    ReadPoster(0x3C, 2);
    ReadPoster(0x3B, 5);
    EXPECT_EQ(CountSent(kPosterCode), 6u);
    std::vector<std::pair<int, std::string>> shown;
    for (const auto& report : PosterReports()) {
        shown.emplace_back(report.nSecond, report.strText);
    }
    EXPECT_EQ(shown,
              (std::vector<std::pair<int, std::string>>{
                  {1, "00A5"}, {0, "Memory check"}, {0, "Checking the memory"}, {0, "Ver=03"}}));
}

TEST_F(PosterLockTest, TheLockCheckReadsAnythingButOneAsLockedWhileThePollReadsOnlyZero) {
    m_pBoard->SetLockedByte(2);
    m_pBoard->SetLocked(true);
    m_pLink->CheckLockStatus();
    // The check's own report, then the lock poll's first one for the same byte.
    ASSERT_TRUE(m_listener.WaitForCount("OnLockState", 2));
    const auto locks = m_listener.Of("OnLockState");
    EXPECT_EQ(locks.at(0).nFirst, 1);
    EXPECT_EQ(locks.at(1).nFirst, 0);
    EXPECT_EQ(Sent(0).at(1), kLockStatus);  // right after the search's open frame
}

TEST_F(PosterLockTest, TheLockPollReportsEachChangeWithThePosterBeforeIt) {
    m_pBoard->HoldPosterCode(0xA5);
    m_pBoard->SetPosterMode(0);
    m_pLink->CheckLockStatus();
    ASSERT_TRUE(m_listener.WaitForCount("OnLockState", 2));
    m_pBoard->SetLocked(true);
    ASSERT_TRUE(WaitUntil([this] { return m_listener.Count("OnLockState", true) == 1; }));
    m_pBoard->SetLocked(false);
    ASSERT_TRUE(m_listener.WaitForCount("OnLockState", 4));
    // The poster poll reports its held code once; the lock poll shows the
    // poster again with each of its three changes.
    ASSERT_TRUE(m_listener.WaitForCount("OnPosterText", 4));
    m_pLink.reset();
    EXPECT_EQ(m_listener.Count("OnLockState", true), 1u);
    EXPECT_EQ(m_listener.Count("OnPosterText"), 4u);
}

TEST_F(PosterLockTest, ThePosterPollReportsARepeatedCodeOnceAndEachChange) {
    m_pBoard->HoldPosterCode(0x3B);
    m_pBoard->SetPosterMode(1);
    m_pLink->CheckLockStatus();
    // Many polls of the same code and mode, and the lock poll's first report
    // (which shows the poster too) is made.
    ASSERT_TRUE(WaitUntil([this] { return CountSent(kPosterCode) >= 5; }));
    ASSERT_TRUE(m_listener.WaitForCount("OnLockState", 2));
    m_pBoard->HoldPosterCode(0xA5);
    ASSERT_TRUE(WaitUntil([this] {
        const auto reports = PosterReports();
        return !reports.empty() && reports.back().nFirst == 0xA5;
    }));
    const size_t nPolls = CountSent(kPosterCode);
    ASSERT_TRUE(WaitUntil([&] { return CountSent(kPosterCode) >= nPolls + 5; }));
    m_pLink.reset();
    const auto reports = PosterReports();
    const auto nOld = std::ranges::count(reports, "003B", &CRecordingListener::Report::strText);
    EXPECT_TRUE(nOld == 1 || nOld == 2) << nOld;
    EXPECT_EQ(std::ranges::count(reports, "00A5", &CRecordingListener::Report::strText), 1);
}

TEST_F(PosterLockTest, ALockCheckWithoutAnswerReportsKindTwoAndAHungUpPosterReadTheLinkLost) {
    m_pBoard->SetFault(EBoardFault::NoReply);
    m_pLink->CheckLock();
    EXPECT_EQ(CountSent(kLockStatus), 6u);
    const auto reports = m_listener.Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2].strText, "Check ECLock Status error \n");
    EXPECT_EQ(reports.back().strOperation, "OnLockState");
    EXPECT_EQ(reports.back().nFirst, 0);
    EXPECT_EQ(m_pLink->ErrorCount(), 0);
    m_pLine->SetHungUp(true);
    m_pLink->PollPosterCode();
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 1u);
    // A lock poll on the same line only finds no reply: nothing reported.
    m_pLink->PollLockStatus();
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 1u);
}

TEST_F(PosterLockTest, MessageModeOneSelectsCodeDisplayAndAnyOtherTextAndIsTriedSixTimes) {
    for (int nMode : {1, 0, 2}) {
        m_pLink->SetMessageMode(nMode);
    }
    const std::vector<Bytes> sent = Sent();
    EXPECT_EQ(std::vector<Bytes>(sent.end() - 3, sent.end()),
              (std::vector<Bytes>{kCodeDisplay, kTextDisplay, kTextDisplay}));
    EXPECT_EQ(m_listener.Count("OnMessageModeDone", true), 3u);
    EXPECT_EQ(m_pBoard->PosterMode(), 0);
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 0x71);
    m_pLink->SetMessageMode(1);
    EXPECT_EQ(CountSent(kCodeDisplay), 7u);
    EXPECT_EQ(m_pLink->ErrorCount(), 6);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorMessageMode), 1u);
    EXPECT_EQ(m_listener.Count("OnMessageModeDone", false), 1u);
}

TEST(MessageModeWithoutPort, ReportsFailureAtOnce) {
    CRecordingListener listener;
    CDeviceLink link(CDeviceLink::Environment{std::make_shared<CMemoryPortOpener>(),
                                              std::make_shared<CFixedRadio>(),
                                              std::make_shared<CVirtualClock>()});
    link.SetListener(&listener);
    link.SetMessageMode(1);
    link.CheckLockStatus();
    EXPECT_EQ(listener.Count("OnMessageModeDone", false), 1u);
    EXPECT_EQ(listener.Reports().size(), 1u);
}

}  // namespace
