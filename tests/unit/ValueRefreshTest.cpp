// Reading item ranges and values from the simulated board, on a virtual clock.

#include <thread>

#include "link/BoardItem.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using ValueRefreshTest = BoardLinkFixture;
using Bytes = std::vector<uint8_t>;

// Hand-computed frames: D3^05 = D6, then the letter.
const Bytes kRangeReadA = {0xD3, 0x05, 0x61, 0, 0, 0, 0, 0xB7};  // letter 97
const Bytes kValueReadA = {0xD3, 0x05, 0x41, 0, 0, 0, 0, 0x97};  // letter 65
const Bytes kPrepare49 = {0x53, 0x05, 0x7D, 0, 0, 0, 0, 0x2B};
const Bytes kValueRead49 = {0xD3, 0x05, 0x31, 0, 0, 0, 0, 0xE7};

TEST_F(ValueRefreshTest, AnIndexBasedItemCountsTheBoardsPositionsFromItsIniMin) {
    // The board answers range 1..11 and position 3 for this item.
    Connect(Section("Over_Volt", {Item("a", "1", "0", 10, 20, 12, 65, 97)}));
    StartAndLoad();
    const BoardItem item = m_pLink->GetOverVolt().at(0);
    EXPECT_EQ(item.Min, u"10");
    EXPECT_EQ(item.Max, u"20");
    EXPECT_EQ(item.Value, u"12");
    EXPECT_EQ(item.IniMin, u"10");
    // The last two frames: range read, then value read, each followed by a pause.
    const std::vector<Bytes> sent = Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], kRangeReadA);
    EXPECT_EQ(sent.back(), kValueReadA);
    const std::vector<long> waits = Waits();
    EXPECT_EQ(std::vector<long>(waits.end() - 4, waits.end()),
              (std::vector<long>{100, 100, 100, 100}));
}

TEST_F(ValueRefreshTest, APlainItemReadsItsLittleEndianWordWithoutARangeRead) {
    Connect(Section("Over_Volt", {Item("b", "2", "0", 0, 65535, 0x1234, 65, 97)}));
    StartAndLoad();
    EXPECT_EQ(m_pLink->GetOverVolt().at(0).Value, u"4660");
    EXPECT_EQ(CountSent(kRangeReadA), 0u);
    EXPECT_EQ(CountSent(kValueReadA), 1u);
}

TEST_F(ValueRefreshTest, TheRangeAtLoadIsReadOnlyOnceButAnIndexBasedRangeEveryTime) {
    Connect(Section("Over_Volt", {Item("plain", "2", "1", 800, 1700, 1250, 65, 97),
                                  Item("indexed", "1", "0", 8, 60, 49, 66, 98)}));
    StartAndLoad();
    EXPECT_EQ(m_pLink->GetOverVolt().at(0).Max, u"1700");
    m_pLink->RequestRefreshOverclock();
    ASSERT_TRUE(m_listener.WaitForCount("OnOverclockRefreshed", 1));
    EXPECT_EQ(m_listener.Count("OnOverclockRefreshed", true), 1u);
    EXPECT_EQ(CountSent(kRangeReadA), 1u);
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, 98)), 2u);
    EXPECT_EQ(m_pLink->GetOverVolt().at(1).Value, u"49");
    EXPECT_EQ(m_pLink->RefreshMode(), CDeviceLink::kRefreshNone);
}

TEST_F(ValueRefreshTest, ValueCode49IsPreparedWithTheCloseBraceFrameAndAWait) {
    Connect(Section("Over_Freq", {Item("PCIE", "3", "0", 900, 1100, 1000, 49, 104)}));
    StartAndLoad();
    // The board answers code 49 only after "}": the value arrived.
    EXPECT_EQ(m_pLink->GetOverFreq().at(0).Value, u"1000");
    const std::vector<Bytes> sent = Sent();
    EXPECT_EQ(std::vector<Bytes>(sent.end() - 2, sent.end()),
              (std::vector<Bytes>{kPrepare49, kValueRead49}));
    const std::vector<long> waits = Waits();
    EXPECT_EQ(std::vector<long>(waits.end() - 4, waits.end()),
              (std::vector<long>{100, 300, 100, 100}));
}

TEST_F(ValueRefreshTest, AValueWithABadChecksumReadsZeroAndReportsTheArraysOwnError) {
    std::string strBoard;
    const char* sections[] = {"Over_Volt", "Over_Freq", "Over_Ratio", "HW_Volt",
                              "HW_Temp",   "HW_Fan",    "HW_Frq"};
    for (int i = 0; i < 7; ++i) {
        strBoard += Section(sections[i], {Item("item", "2", "0", 1, 500, 100 + i, 65 + i, 0)});
    }
    Connect(strBoard);
    StartAndLoad();
    m_pBoard->SetFault(EBoardFault::WrongChecksum);
    for (int nArray = 1; nArray <= 7; ++nArray) {
        EXPECT_FALSE(m_pLink->RefreshArray(static_cast<EBoardArray>(nArray)));
        EXPECT_EQ(m_pLink->GetArray(static_cast<EBoardArray>(nArray)).at(0).Value, u"0");
    }
    std::vector<std::pair<int, std::string>> errors;
    for (const auto& report : m_listener.Reports()) {
        if (report.strOperation == "OnLinkError") {
            errors.emplace_back(report.nFirst, report.strText);
        }
    }
    EXPECT_EQ(errors, (std::vector<std::pair<int, std::string>>{{8, "reflash Over_Volt error"},
                                                                {9, "reflash Over_Freq error"},
                                                                {9, "reflash Over_Ratio error"},
                                                                {10, "reflash HW_Volt error"},
                                                                {11, "reflash HW_Temp error"},
                                                                {12, "reflash HW_Fan error"},
                                                                {13, "reflash HW_Frq error"}}));
    EXPECT_EQ(m_pLink->ErrorCount(), 7);
}

TEST_F(ValueRefreshTest, AMalformedValueReplyKeepsTheOldValueAndCountsNothing) {
    Connect(Section("HW_Temp", {Item("CPU", "3", "0", 0, 125, 62, 81, 0)}));
    StartAndLoad();
    m_pLink->RequestRefreshArray(5);
    ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 1));
    EXPECT_EQ(m_listener.Reports().back().nSecond, 1);  // ok
    const std::u16string before = m_pLink->GetHwTemp().at(0).Value;
    EXPECT_FALSE(before.empty());

    m_pBoard->SetFault(EBoardFault::WrongLetter);
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::HwTemp));
    EXPECT_EQ(m_pLink->GetHwTemp().at(0).Value, before);
    EXPECT_EQ(m_pLink->ErrorCount(), 0);
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
}

TEST_F(ValueRefreshTest, AFanRefreshThatFindsThePortBusyForTwoSecondsGivesUpWithoutAnExchange) {
    const Bytes fanRead = BuildCommandFrame(0xD3, 85);
    Connect(Section("HW_Fan", {Item("CPU Fan", "3", "0", 0, 5000, 1450, 85, 0)}));
    StartAndLoad();
    // A power poll takes the port and hangs in its write.
    m_pLine->HoldWrites(true);
    std::thread poll([this] { m_pLink->PollPowerStatus(); });
    ASSERT_TRUE(WaitUntil([this] { return m_pLine->IsWriteHeld(); }));
    const size_t nWaitsBefore = m_pClock->Sleeps().size();

    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::HwFan));
    EXPECT_EQ(m_listener.Count("OnArrayRefreshed", 6), 1u);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 0);
    EXPECT_EQ(CountSent(fanRead), 0u);
    EXPECT_EQ(Waits(nWaitsBefore), std::vector<long>(100, 20));

    m_pLine->HoldWrites(false);
    poll.join();
}

TEST_F(ValueRefreshTest, AnOverclockRefreshThatFindsThePortBusyReportsNothingItself) {
    Connect(Section("Over_Volt", {Item("a", "2", "0", 0, 9, 1, 65, 0)}));
    StartAndLoad();
    m_pLine->HoldWrites(true);
    std::thread poll([this] { m_pLink->PollPowerStatus(); });
    ASSERT_TRUE(WaitUntil([this] { return m_pLine->IsWriteHeld(); }));
    const size_t nReports = m_listener.Reports().size();
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_EQ(m_listener.Reports().size(), nReports);
    m_pLine->HoldWrites(false);
    poll.join();
}

TEST_F(ValueRefreshTest, AWriteFailureOnAValueReadReportsTheLinkLostAndGoesOn) {
    Connect(Section("HW_Volt",
                    {Item("a", "3", "0", 0, 9, 1, 65, 0), Item("b", "3", "0", 0, 9, 1, 66, 0)}));
    StartAndLoad();
    m_pLine->SetWriteFails(true);
    m_pLink->RequestRefreshArray(4);
    ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 1));
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 2u);  // one per item
    EXPECT_EQ(m_listener.Reports().back().nSecond, 0);
}

TEST_F(ValueRefreshTest, RatiosWhoseFirstRangeReadsZeroToZeroAreDropped) {
    Connect(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 0, 0, 74, 107),
                                   Item("Ring Ratio", "2", "1", 8, 50, 36, 75, 108)}));
    StartAndLoad();
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());
    m_pLink->ReloadOverRatio();
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());
    EXPECT_TRUE(m_pLink->IsLoaded());
}

TEST_F(ValueRefreshTest, ReloadingTheRatiosReadsTheirRangesAgain) {
    Connect(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 1, 1, 74, 107)}));
    StartAndLoad();
    ASSERT_EQ(m_pLink->GetOverRatio().size(), 1u);
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, 107)), 1u);
    m_pLink->ReloadOverRatio();
    ASSERT_EQ(m_pLink->GetOverRatio().size(), 1u);
    EXPECT_EQ(m_pLink->GetOverRatio()[0].Max, u"1");
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, 107)), 2u);
    EXPECT_TRUE(m_pLink->IsLoaded());
}

// Screens read the arrays on their own thread whenever a report arrives;
// under ThreadSanitizer this shows the reads and the refresh do not race.
TEST_F(ValueRefreshTest, ScreensMayReadAnArrayWhileItIsBeingRefreshed) {
    std::vector<std::string> items;
    for (int i = 0; i < 8; ++i) {
        items.push_back(Item("T" + std::to_string(i), "3", "0", 0, 125, 40 + i, 81 + i, 0));
    }
    Connect(Section("HW_Temp", items));
    StartAndLoad();
    std::thread refresher([this] {
        for (int i = 0; i < 20; ++i) {
            m_pLink->RefreshArray(EBoardArray::HwTemp);
        }
    });
    for (int nRead = 0; nRead < 2000; ++nRead) {
        for (const BoardItem& item : m_pLink->GetHwTemp()) {
            ASSERT_EQ(item.Value, ToText(WToL(item.Value)));  // always a whole number text
        }
    }
    refresher.join();
    EXPECT_EQ(m_pLink->GetHwTemp().size(), 8u);
}

}  // namespace
