// Power status and power actions against the simulated board, on a virtual clock.

#include <thread>

#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// Hand-computed frames.
const Bytes kPowerStatus = {0xD3, 0x05, 0x70, 0, 0, 0, 0, 0xA6};
const Bytes kPowerOn = {0x53, 0x05, 0x04, 0x01, 0, 0, 0, 0x53};
const Bytes kClearCmos = {0x53, 0x05, 0x04, 0x08, 0, 0, 0, 0x5A};
const Bytes kReset = {0x53, 0x05, 0x04, 0x10, 0, 0, 0, 0x42};

class PowerCommandTest : public BoardLinkFixture {
protected:
    void SetUp() override {
        BoardLinkFixture::SetUp();
        Connect(Section("Over_Volt", {Item("CPU Vcore", "2", "0", 800, 1600, 1250, 65, 97)}));
        m_nSearchFrames = Sent().size();
    }
    // Frames sent since the search.
    std::vector<Bytes> Commands() const { return Sent(m_nSearchFrames); }

    size_t m_nSearchFrames = 0;
};

TEST_F(PowerCommandTest, StateBytesTwoAndFourReadOnAndOffWhileOneSaysNothing) {
    m_pBoard->SetPowerStateBytes(2, 4);
    m_pLink->PollPowerStatus();
    m_pBoard->SetPoweredOn(false);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnPowerState", true), 1u);
    EXPECT_EQ(m_listener.Count("OnPowerState", false), 1u);

    m_pBoard->SetPowerStateBytes(1, 1);
    m_pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnPowerState"), 2u);
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
    // A valid reply ends the poll, whatever its state: one frame per poll.
    EXPECT_EQ(Commands(), (std::vector<Bytes>{kPowerStatus, kPowerStatus, kPowerStatus}));
}

TEST_F(PowerCommandTest, AQueryReadsOnAndOffAndGivesUpAfterSixTriesOfNeither) {
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
}

TEST_F(PowerCommandTest, AQueryAndALockCheckNeverCutIntoACommandThatHoldsThePort) {
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

TEST_F(PowerCommandTest, ALostLineIsSaidOnceAndIsNeverTakenForARefusal) {
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

TEST_F(PowerCommandTest, ClearingCmosIsRefusedWhileOnAndWhileOffResetsTheBoardsSettings) {
    m_pLink->PowerAction(4);
    EXPECT_EQ(Commands(), std::vector<Bytes>{kPowerStatus});
    EXPECT_EQ(m_listener.Reports().back().nFirst, 0);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 0);

    m_pBoard->SetPoweredOn(false);
    // A value written earlier is forgotten by the cleared board.
    m_pBoard->Feed(BuildCommandFrame(0x53, 65, 0x40, 0x05));
    const SimItem& item = m_pBoard->Description().Items().front();
    ASSERT_EQ(m_pBoard->CurrentValue(item), 0x540);
    const size_t nFrom = Sent().size();
    m_pLink->PowerAction(4);
    EXPECT_EQ(Sent(nFrom), (std::vector<Bytes>{kPowerStatus, kClearCmos}));
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", true), 1u);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 255);
    EXPECT_EQ(m_pBoard->CurrentValue(item), 1250);
}

TEST_F(PowerCommandTest, AnActionIsAcknowledgedAtOnceAndTakesEffectLater) {
    m_pLink->PowerAction(5);
    EXPECT_EQ(Commands(), std::vector<Bytes>{kReset});
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", true), 1u);

    m_pBoard->SetPoweredOn(false);
    m_pLink->PowerAction(1);
    EXPECT_FALSE(m_pBoard->IsPoweredOn());
    m_pClock->SleepFor(CBoardModel::kPowerOnDelay, {});
    EXPECT_TRUE(m_pBoard->IsPoweredOn());
    // The poster walks through the start-up codes from the power-on.
    EXPECT_EQ(m_pBoard->PosterCode(), CBoardModel::StartupCodes().front());
}

TEST_F(PowerCommandTest, AnUnknownActionSendsNothingAndAnUnacknowledgedOneIsTriedSixTimes) {
    m_pLink->PowerAction(0);
    m_pLink->PowerAction(6);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", false), 2u);
    m_pBoard->SetFault(EBoardFault::NoReply, 0x04);
    m_pBoard->SetPoweredOn(false);
    m_pLink->PowerAction(1);
    EXPECT_EQ(Commands(), std::vector<Bytes>(6, kPowerOn));
    const auto reports = m_listener.Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[reports.size() - 2].strText, "Send LumoPower error \n");
    EXPECT_EQ(reports.back().strOperation, "OnPowerCommandDone");
    EXPECT_EQ(reports.back().nFirst, 0);
    EXPECT_EQ(reports.back().nSecond, 255);
    EXPECT_FALSE(m_pBoard->IsPoweredOn());
}

TEST_F(PowerCommandTest, RequestPowerRunsTheActionOnTheDispatcher) {
    StartAndLoad();
    m_pLink->RequestPower(2);
    ASSERT_TRUE(m_listener.WaitForCount("OnPowerCommandDone", 1));
    EXPECT_EQ(m_listener.Count("OnPowerCommandDone", true), 1u);
    m_pClock->SleepFor(CBoardModel::kPowerOffDelay, {});
    EXPECT_FALSE(m_pBoard->IsPoweredOn());
}

}  // namespace
