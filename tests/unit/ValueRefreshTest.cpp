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

std::vector<long> Tail(const std::vector<long>& all, size_t n) {
    return {all.end() - static_cast<std::ptrdiff_t>(n), all.end()};
}

TEST_F(ValueRefreshTest, ReadsEachKindOfItemWithItsFramesAndWaits) {
    // The board answers range 1..11 and position 3 for the index-based item.
    Connect(Section("Over_Volt", {Item("a", "1", "0", 10, 20, 12, 65, 97)}) +
            Section("Over_Freq", {Item("PCIE", "3", "0", 900, 1100, 1000, 49, 104),
                                  Item("b", "2", "0", 0, 65535, 0x1234, 66, 98)}));
    StartAndLoad();
    const BoardItem indexed = m_pLink->GetOverVolt().at(0);
    EXPECT_EQ(std::vector<std::u16string>({indexed.Min, indexed.Max, indexed.Value}),
              std::vector<std::u16string>({u"10", u"20", u"12"}));
    EXPECT_TRUE(indexed.bValueRead && indexed.bRangeRead);
    // Code 49 is answered only after "}", with its own wait.
    EXPECT_EQ(m_pLink->GetOverFreq().at(0).Value, u"1000");
    EXPECT_EQ(m_pLink->GetOverFreq().at(1).Value, u"4660");
    const std::vector<Bytes> sent = Sent();
    EXPECT_EQ(std::vector<Bytes>(sent.end() - 5, sent.end()),
              (std::vector<Bytes>{kRangeReadA, kValueReadA, kPrepare49, kValueRead49,
                                  BuildCommandFrame(0xD3, 66)}));
    EXPECT_EQ(Tail(Waits(), 10),
              (std::vector<long>{100, 100, 100, 100, 100, 300, 100, 100, 100, 100}));
}

TEST_F(ValueRefreshTest, TheRangeAtLoadIsReadOnceUnlessItFailedAndAnIndexedRangeEveryTime) {
    Connect(Section("Over_Volt", {Item("plain", "2", "1", 800, 1700, 1250, 65, 97),
                                  Item("indexed", "1", "0", 8, 60, 49, 66, 98)}));
    StartAndLoad();
    m_pLink->RequestRefreshOverclock();
    ASSERT_TRUE(m_listener.WaitForCount("OnOverclockRefreshed", 1));
    EXPECT_EQ(m_listener.Count("OnOverclockRefreshed", true), 1u);
    EXPECT_EQ(CountSent(kRangeReadA), 1u);
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, 98)), 2u);

    // A range that could not be read at start-up is asked for again.
    Connect(Section("Over_Volt", {Item("plain", "2", "1", 800, 1700, 1250, 65, 97)}));
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 97);
    StartAndLoad();
    EXPECT_FALSE(m_pLink->GetOverVolt().at(0).bRangeRead);
    m_pBoard->SetFault(EBoardFault::None);
    EXPECT_TRUE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_TRUE(m_pLink->GetOverVolt().at(0).bRangeRead);
    EXPECT_EQ(CountSent(kRangeReadA), 2u);
    EXPECT_TRUE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_EQ(CountSent(kRangeReadA), 2u);
}

// No damaged, cut, late or missing reply ever becomes a value or a range.
TEST_F(ValueRefreshTest, ABadReplyLeavesValueAndRangeAsTheyWereAndFailsTheRefresh) {
    const struct {
        EBoardFault fault;
        int nChecksumFailures;
    } faults[] = {{EBoardFault::WrongChecksum, 2}, {EBoardFault::ShortReply, 0},
                  {EBoardFault::NoReply, 0},       {EBoardFault::Garbage, 0},
                  {EBoardFault::LateReply, 0},     {EBoardFault::WrongLetter, 0}};
    for (const auto& f : faults) {
        SCOPED_TRACE(static_cast<int>(f.fault));
        // The middle item fails: the whole refresh fails though the last was fine.
        Connect(Section("Over_Ratio", {Item("first", "2", "0", 0, 99, 5, 65, 0),
                                       Item("ratio", "1", "0", 8, 60, 40, 66, 98),
                                       Item("last", "2", "0", 0, 99, 7, 67, 0)}));
        StartAndLoad();
        const BoardItem before = m_pLink->GetOverRatio().at(1);
        ASSERT_TRUE(before.bValueRead);
        m_pBoard->SetFault(f.fault, 66);
        EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverRatio));
        EXPECT_EQ(m_pLink->GetOverRatio().at(1).nMissedReads, 1);
        EXPECT_EQ(m_pLink->GetOverRatio().at(1).Value, before.Value);
        m_pBoard->SetFault(f.fault, 98);  // and now its range
        EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverRatio));
        const BoardItem after = m_pLink->GetOverRatio().at(1);
        EXPECT_EQ(std::vector<std::u16string>({after.Min, after.Max, after.Value}),
                  std::vector<std::u16string>({before.Min, before.Max, before.Value}));
        EXPECT_EQ(m_pLink->ErrorCount(), f.nChecksumFailures);
        m_pBoard->SetFault(EBoardFault::None);
        EXPECT_TRUE(m_pLink->RefreshArray(EBoardArray::OverRatio));
    }
}

TEST_F(ValueRefreshTest, AValueChecksumFailureReportsTheArraysOwnError) {
    std::string strBoard;
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        const std::u16string section(SectionName(static_cast<EBoardArray>(nArray)));
        strBoard += Section(std::string(section.begin(), section.end()),
                            {Item("item", "2", "0", 1, 500, 100 + nArray, 64 + nArray, 0)});
    }
    Connect(strBoard);
    StartAndLoad();
    m_pBoard->SetFault(EBoardFault::WrongChecksum);
    std::string strErrors;
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        EXPECT_FALSE(m_pLink->RefreshArray(static_cast<EBoardArray>(nArray)));
        strErrors += std::to_string(m_listener.Reports().back().nFirst) + " " +
                     m_listener.Reports().back().strText + ";";
    }
    EXPECT_EQ(strErrors,
              "8 reflash Over_Volt error;9 reflash Over_Freq error;9 reflash Over_Ratio error;"
              "10 reflash HW_Volt error;11 reflash HW_Temp error;12 reflash HW_Fan error;"
              "13 reflash HW_Frq error;");
}

TEST_F(ValueRefreshTest, UnderThirtyPercentNoiseEveryValueHeldIsOneTheBoardSent) {
    Connect(Section("Over_Volt", {Item("Vcore", "2", "1", 800, 1700, 1250, 65, 97),
                                  Item("Ratio", "1", "0", 8, 60, 40, 66, 98)}) +
            Section("HW_Fan", {Item("Fan", "3", "0", 0, 5000, 1450, 85, 0)}));
    m_pBoard->SetNoise(30, 7);
    StartAndLoad();
    m_pBoard->HoldValue("Fan", 1234);
    int nFailed = 0;
    for (int nRound = 0; nRound < 60; ++nRound) {
        nFailed += m_pLink->RefreshArray(EBoardArray::OverVolt) ? 0 : 1;
        nFailed += m_pLink->RefreshArray(EBoardArray::HwFan) ? 0 : 1;
        const BoardItem vcore = m_pLink->GetOverVolt().at(0);
        const BoardItem ratio = m_pLink->GetOverVolt().at(1);
        // Each is either still as described or exactly what the board holds.
        EXPECT_TRUE(vcore.Value == u"1250") << nRound;
        EXPECT_TRUE(!vcore.bRangeRead || (vcore.Min == u"800" && vcore.Max == u"1700"));
        EXPECT_EQ(ratio.Value, u"40");
        EXPECT_TRUE(!ratio.bRangeRead || (ratio.Min == u"8" && ratio.Max == u"60"));
        const std::u16string fan = m_pLink->GetHwFan().at(0).Value;
        EXPECT_TRUE(fan == u"1234" || fan == u"1450") << nRound;
    }
    EXPECT_GT(nFailed, 10);  // the noise really was there
}

// Every request gets its report: requests of both kinds made while a
// refresh runs, and those that find the port busy for 2 s (nothing is sent).
TEST_F(ValueRefreshTest, EveryRefreshRequestGetsItsReportEvenWhenThePortStaysBusy) {
    std::vector<std::string> temps;
    for (int i = 0; i < 6; ++i) {
        temps.push_back(Item("T" + std::to_string(i), "3", "0", 0, 125, 40, 81 + i, 0));
    }
    Connect(Section("Over_Volt", {Item("a", "2", "0", 0, 9, 1, 65, 0)}) +
            Section("HW_Temp", temps) +
            Section("HW_Fan", {Item("CPU Fan", "3", "0", 0, 5000, 1450, 75, 0)}));
    StartAndLoad();
    m_pLine->HoldWrites(true);
    m_pLink->RequestRefreshArray(5);
    ASSERT_TRUE(WaitUntil([this] { return m_pLine->IsWriteHeld(); }));
    const size_t nSent = Sent().size();
    m_pLink->RequestRefreshOverclock();
    m_pLink->RequestRefreshArray(6);
    m_pLink->RequestRefreshArray(5);
    // A refresh that finds the port held for 2 s fails without a frame.
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::HwFan));
    EXPECT_EQ(Sent().size(), nSent);
    m_pLine->HoldWrites(false);
    ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 3));
    ASSERT_TRUE(m_listener.WaitForCount("OnOverclockRefreshed", 1));
    EXPECT_EQ(m_listener.Count("OnArrayRefreshed", 5), 2u);
    EXPECT_EQ(m_listener.Count("OnArrayRefreshed", 6), 1u);
    // A failed write on a value read says the link is lost, once per item.
    m_pLine->SetWriteFails(true);
    m_pLink->RequestRefreshArray(5);
    ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 4));
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 6u);
    EXPECT_EQ(m_listener.Reports().back().nSecond, 0);
}

TEST_F(ValueRefreshTest, RatiosWhoseFirstRangeReadsZeroToZeroAreDroppedAndReloadReadsAgain) {
    Connect(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 0, 0, 74, 107),
                                   Item("Ring Ratio", "2", "1", 8, 50, 36, 75, 108)}));
    StartAndLoad();
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());
    m_pLink->ReloadOverRatio();
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());

    Connect(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 1, 1, 74, 107)}));
    StartAndLoad();
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
}

}  // namespace
