// The lock, the poster and its message mode against the simulated board.

#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Hand-computed frames.
const Bytes kLockStatus = {0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5};
const Bytes kPosterCode = {0xD3, 0x05, 0x72, 0, 0, 0, 0, 0xA4};
const Bytes kCodeDisplay = {0x53, 0x05, 0x71, 0x11, 0, 0, 0, 0x36};
const Bytes kTextDisplay = {0x53, 0x05, 0x71, 0x10, 0, 0, 0, 0x37};

class PosterLockTest : public BoardLinkFixture {
protected:
    void SetUp() override {
        BoardLinkFixture::SetUp();
        m_dir.WriteFile("dbcd-V03.ini",
                        "[str]\n3B=Memory check\nA5=Boot\n[Message]\n3B=Checking the memory\n");
        Connect(Section("Over_Volt", {Item("CPU Vcore", "2", "0", 800, 1600, 1250, 65, 97)}));
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
        std::vector<CRecordingListener::Report> reports;
        for (const auto& report : m_listener.Reports()) {
            if (report.strOperation == "OnPosterText") {
                reports.push_back(report);
            }
        }
        return reports;
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
    const auto reports = m_listener.Reports();
    std::vector<int> locks;
    for (const auto& report : reports) {
        if (report.strOperation == "OnLockState") {
            locks.push_back(report.nFirst);
        }
    }
    EXPECT_EQ(locks.at(0), 1);
    EXPECT_EQ(locks.at(1), 0);
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
    size_t nOld = 0;
    size_t nNew = 0;
    for (const auto& report : PosterReports()) {
        nOld += report.strText == "003B" ? 1 : 0;
        nNew += report.strText == "00A5" ? 1 : 0;
    }
    EXPECT_LE(nOld, 2u);
    EXPECT_GE(nOld, 1u);
    EXPECT_EQ(nNew, 1u);
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

TEST_F(PosterLockTest, RequestsRunOnTheDispatcher) {
    StartAndLoad();
    m_pBoard->HoldPosterCode(0x3B);
    m_pLink->RequestMessageMode(0);
    ASSERT_TRUE(m_listener.WaitForCount("OnMessageModeDone", 1));
    m_pLink->RequestPosterRead();
    ASSERT_TRUE(m_listener.WaitForCount("OnPosterText", 1));
    EXPECT_EQ(PosterReports().back().strText, "Memory check");
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
