// Loading, reading and writing the board's items over the simulated board, on a virtual clock.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include "data/IniPaths.h"
#include "link/BoardItem.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "platform/CSteadyClock.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

using ConfigDownloadTest = BoardLinkFixture;

const Bytes kOpen = {0xD3, 0x01, 0x01, 0xD3};
// D3 02 7A i (i ^ AB), worked by hand.
const Bytes kChunk0 = {0xD3, 0x02, 0x7A, 0x00, 0xAB};
const Bytes kChunk1 = {0xD3, 0x02, 0x7A, 0x01, 0xAA};
const Bytes kChunk2 = {0xD3, 0x02, 0x7A, 0x02, 0xA9};

const std::string kBoard =
    "[Version]\nVer=T-1\n" +
    BoardLinkFixture::Section(
        "Over_Volt", {BoardLinkFixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 97)}) +
    BoardLinkFixture::Section("HW_Fan", {BoardLinkFixture::Item("L\xC3\xBC"
                                                                "fter \xE9\xA3\x8E\xE6\x89\x87",
                                                                "3", "0", 0, 5000, 1450, 85, 0)});

const std::string kOldBoard =
    "[Version]\nVer=T-0\n" +
    BoardLinkFixture::Section("Over_Volt",
                              {BoardLinkFixture::Item("Old", "2", "0", 0, 9, 1, 66, 0)});

TEST_F(ConfigDownloadTest, ThreeGoodChunksLandBackToBackInTheBoardFile) {
    Connect(kBoard);
    m_pBoard->SetChunkCount(3);
    const size_t nWaitsBefore = Waits().size();
    StartAndLoad();
    EXPECT_EQ(BoardFile(), kBoard);
    // After the search's own open frame: open, then the three chunks once each.
    const std::vector<Bytes> sent = Sent(1);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(std::vector<Bytes>(sent.begin(), sent.begin() + 4),
              (std::vector<Bytes>{kOpen, kChunk0, kChunk1, kChunk2}));
    // Open exchange, its pause, then one exchange per chunk with no pause between.
    const std::vector<long> waits = Waits(nWaitsBefore);
    EXPECT_EQ(std::vector<long>(waits.begin(), waits.begin() + 5),
              (std::vector<long>{100, 100, 100, 100, 100}));
    EXPECT_EQ(m_pLink->GetBoardVersion(), u"T-1");
    // Names are read in the system's code page, which is UTF-8 here.
    EXPECT_EQ(m_pLink->GetHwFan().at(0).Name, u"L\u00FCfter \u98CE\u6247");

    // A damaged chunk is asked for again and counted, not taken for a lost link.
    Connect(kBoard);
    m_pBoard->SetChunkCount(3);
    m_pBoard->SetFault(EBoardFault::CorruptChunks);
    StartAndLoad();
    EXPECT_EQ(BoardFile(), kBoard);
    EXPECT_EQ(CountSent(kChunk2), 2u);
    EXPECT_EQ(m_pLink->ErrorCount(), 3);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 0u);
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
}

// Only a whole description replaces the last one; whatever goes wrong, the
// old file stays byte for byte, the failure is said, and the load goes on with it.
using TimedDownloadTest = InBothTimings<ConfigDownloadTest>;
INSTANTIATE_TEST_SUITE_P(Timings, TimedDownloadTest, kBothTimings, TimingName);

TEST_P(TimedDownloadTest, AnIncompleteDownloadKeepsTheOldFileAndSaysSo) {
    const struct {
        const char* pszWhat;
        EBoardFault fault;
        std::optional<uint8_t> nLetter;
        int nChunks;
        size_t nOpens;  // the search's open frame, then the download's tries
    } cases[] = {
        {"chunk 1 answered as chunk 2", EBoardFault::LostChunk, std::nullopt, 3, 2},
        {"no chunks", EBoardFault::None, std::nullopt, 0, 7},
        {"open reply cut to four bytes", EBoardFault::ShortReply, Protocol::kLetterOpen, 3, 7},
        {"late chunks", EBoardFault::LateReply, Protocol::kLetterChunk, 3, 2},
        {"doubled chunks", EBoardFault::DoubledReply, Protocol::kLetterChunk, 3, 2},
        {"silent board", EBoardFault::NoReply, std::nullopt, 3, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        m_dir.WriteFile("saved_profile1.ini", "[Version]\nVer=T-0\n[Profile1]\nOld=1\n");
        m_dir.WriteFile("BiosConf_Kolt_V120.ini", kOldBoard);
        Connect(kBoard);
        m_pBoard->SetChunkCount(c.nChunks);
        m_pBoard->SetFault(c.fault, c.nLetter);
        StartAndLoad();
        EXPECT_EQ(BoardFile(), kOldBoard);
        EXPECT_EQ(CountSent(kOpen), c.nOpens);
        EXPECT_EQ(CountSent(kChunk2), 0u) << "the download stopped at the bad chunk";
        EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigDownload), 1u);
        EXPECT_EQ(m_listener.Count("OnConfigLoaded", true), 1u);
        ASSERT_EQ(m_pLink->GetOverVolt().size(), 1u);
        EXPECT_EQ(m_pLink->GetOverVolt()[0].Name, u"Old");
        EXPECT_EQ(m_dir.ReadFile("saved_profile1.ini"), "[Version]\nVer=T-0\n[Profile1]\nOld=1\n");
    }
}

// Items on a protocol letter are left out and said so; a link in place of the
// file stays a link to the new description, and a folder that takes no file is said.
TEST_F(ConfigDownloadTest, ItemsOnAProtocolLetterOrAFileThatCannotBeWrittenAreSaid) {
    // The board model refuses such a description; the last one downloaded has it.
    m_dir.WriteFile("BiosConf_Kolt_V120.ini",
                    Section("Over_Volt", {Item("power", "2", "0", 0, 9, 1, 4, 0),
                                          Item("ok", "2", "0", 0, 9, 1, 65, 0),
                                          Item("range", "2", "1", 0, 9, 1, 66, 'z')}));
    Connect(kBoard);
    m_pBoard->SetChunkCount(0);
    StartAndLoad();
    ASSERT_EQ(m_pLink->GetOverVolt().size(), 1u);
    EXPECT_EQ(m_pLink->GetOverVolt()[0].Name, u"ok");
    EXPECT_NE(m_pLink->DescriptionProblems().at(0).find("'power' (item 1 of [Over_Volt])"),
              std::string::npos);
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, Protocol::kLetterPowerAction)), 0u);
    std::filesystem::remove(BoardFilePath());
    const std::string strTarget = m_dir.WriteFile("elsewhere.txt", "old");
    ASSERT_EQ(::symlink(strTarget.c_str(), BoardFilePath().c_str()), 0);
    Load(kBoard);
    EXPECT_TRUE(std::filesystem::is_symlink(BoardFilePath()));
    EXPECT_EQ(m_dir.ReadFile("elsewhere.txt"), kBoard);

    // A description that cannot be kept is still the board's, whole: used and
    // written through, with the file's problem said.
    g_szProgramDir = m_dir.Path() + "/no-such-folder";
    Load(kBoard);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigFile), 1u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigDownload), 0u);
    EXPECT_FALSE(m_pLink->GetOverVolt().empty());
    EXPECT_TRUE(m_pLink->IsDescriptionConfirmed());
}

TEST_F(ConfigDownloadTest, TheLoadReadsTheOverclockArraysInOrderAndLeavesTheMonitorOnesUnread) {
    Load(CBoardDescription::Demo().Bytes());
    EXPECT_EQ(BoardFile(), m_pBoard->Description().Bytes());
    EXPECT_TRUE(m_pLink->IsLoaded());
    EXPECT_EQ(m_listener.Reports().back().strOperation, "OnConfigLoaded");
    // Value reads in item order: letters A..F, then G, 1, H, I, then J, K.
    std::vector<uint8_t> valueLetters;
    for (const Bytes& frame : Sent()) {
        if (frame.size() == Protocol::kCommandFrameSize && frame[0] == Protocol::kStartQuery &&
            frame[2] < 'a' && frame[2] != Protocol::kLetterPowerStatus) {
            valueLetters.push_back(frame[2]);
        }
    }
    EXPECT_EQ(valueLetters,
              (std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E', 'F', 'G', '1', 'H', 'I', 'J', 'K'}));
    EXPECT_EQ(m_pLink->GetOverVolt()[2].Value, u"135");  // kind 4
    EXPECT_EQ(m_pLink->GetOverVolt()[5].Value, u"68");   // kind 1, base 50
    EXPECT_FALSE(m_pLink->GetHwFan()[0].bValueRead);
    EXPECT_EQ(m_pLink->GetBoardVersion(), u"TVB-Z790-1.02");
}

TEST_F(ConfigDownloadTest, TearingTheLinkDownMidLoadEndsItWithoutAReport) {
    // Real time: the load thread is really between exchanges when the link goes.
    m_pLinkClock = std::make_shared<CSteadyClock>();
    Connect(CBoardDescription::Demo().Bytes());
    m_pLink->StartLink();
    ASSERT_TRUE(WaitUntil([&] { return CountSent(kChunk1) == 1; }));
    m_pLink.reset();
    const size_t nSent = Sent().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(Sent().size(), nSent);
    EXPECT_EQ(m_listener.Count("OnConfigLoaded"), 0u);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 0u);
}

using ValueRefreshTest = BoardLinkFixture;

// Hand-computed frames: D3^05 = D6, then the letter.
const Bytes kRangeReadA = {0xD3, 0x05, 0x61, 0, 0, 0, 0, 0xB7};  // letter 97
const Bytes kValueReadA = {0xD3, 0x05, 0x41, 0, 0, 0, 0, 0x97};  // letter 65
const Bytes kPrepare49 = {0x53, 0x05, 0x7D, 0, 0, 0, 0, 0x2B};
const Bytes kValueRead49 = {0xD3, 0x05, 0x31, 0, 0, 0, 0, 0xE7};

TEST_F(ValueRefreshTest, ReadsEachKindOfItemWithItsFramesAndWaits) {
    // The board answers range 1..11 and position 3 for the index-based item.
    Load(Section("Over_Volt", {Item("a", "1", "0", 10, 20, 12, 65, 97)}) +
         Section("Over_Freq", {Item("PCIE", "3", "0", 900, 1100, 1000, 49, 104),
                               Item("b", "2", "0", 0, 65535, 0x1234, 66, 98)}));
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
    const std::vector<long> waits = Waits();
    EXPECT_EQ(std::vector<long>(waits.end() - 10, waits.end()),
              (std::vector<long>{100, 100, 100, 100, 100, 300, 100, 100, 100, 100}));
}

TEST_F(ValueRefreshTest, TheRangeAtLoadIsReadOnceUnlessItFailedAndAnIndexedRangeEveryTime) {
    Load(Section("Over_Volt", {Item("plain", "2", "1", 800, 1700, 1250, 65, 97),
                               Item("indexed", "1", "0", 8, 60, 49, 66, 98)}));
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

using TimedRefreshTest = InBothTimings<ValueRefreshTest>;
INSTANTIATE_TEST_SUITE_P(Timings, TimedRefreshTest, kBothTimings, TimingName);

// No damaged, cut, late or missing reply ever becomes a value or a range.
TEST_P(TimedRefreshTest, ABadReplyLeavesValueAndRangeAsTheyWereAndFailsTheRefresh) {
    const struct {
        EBoardFault fault;
        int nChecksumFailures;
    } faults[] = {{EBoardFault::WrongChecksum, 2}, {EBoardFault::ShortReply, 0},
                  {EBoardFault::NoReply, 0},       {EBoardFault::Garbage, 0},
                  {EBoardFault::LateReply, 0},     {EBoardFault::WrongLetter, 0}};
    for (const auto& f : faults) {
        SCOPED_TRACE(static_cast<int>(f.fault));
        // The middle item fails: the whole refresh fails though the last was fine.
        Load(Section("Over_Ratio", {Item("first", "2", "0", 0, 99, 5, 65, 0),
                                    Item("ratio", "1", "0", 8, 60, 40, 66, 98),
                                    Item("last", "2", "0", 0, 99, 7, 67, 0)}));
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

TEST_P(TimedRefreshTest, UnderThirtyPercentNoiseEveryValueHeldIsOneTheBoardSent) {
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

// Fast timing that keeps losing replies turns to fixed timing for good, says
// so once, and still holds only what the board sent.
TEST_F(ValueRefreshTest, FastTimingFallsBackToFixedAfterThreeBadExchangesOfTen) {
    m_timing = ELinkTiming::Fast;
    Load(Section("Over_Volt",
                 {Item("a", "2", "0", 0, 999, 5, 65, 0), Item("b", "2", "0", 0, 999, 7, 66, 0)}));
    ASSERT_EQ(m_pLink->Timing(), ELinkTiming::Fast);
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 66);
    // One bad exchange in each refresh of the two items: fast timing holds
    // until the third.
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_EQ(m_pLink->Timing(), ELinkTiming::Fast);
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_EQ(m_pLink->Timing(), ELinkTiming::Fixed);
    EXPECT_TRUE(m_pLink->FellBackToFixedTiming());
    const size_t nWaits = Waits().size();
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorTimingFallback), 1u);
    EXPECT_EQ(m_pLink->GetOverVolt().at(1).Value, u"7");
    m_pBoard->SetFault(EBoardFault::None);
    EXPECT_TRUE(m_pLink->RefreshArray(EBoardArray::OverVolt));
    // Fixed timing's rhythm: a 100 ms wait for each reply and a 100 ms pause after.
    const std::vector<long> waits = Waits(nWaits);
    EXPECT_EQ(std::vector<long>(waits.end() - 4, waits.end()),
              (std::vector<long>{100, 100, 100, 100}));
}

// Every request gets its report: requests of both kinds made while a
// refresh runs, and those that find the port busy for 2 s (nothing is sent).
TEST_F(ValueRefreshTest, EveryRefreshRequestGetsItsReportEvenWhenThePortStaysBusy) {
    std::vector<std::string> temps;
    for (int i = 0; i < 6; ++i) {
        temps.push_back(
            Item(std::string{'T', static_cast<char>('0' + i)}, "3", "0", 0, 125, 40, 81 + i, 0));
    }
    Load(Section("Over_Volt", {Item("a", "2", "0", 0, 9, 1, 65, 0)}) + Section("HW_Temp", temps) +
         Section("HW_Fan", {Item("CPU Fan", "3", "0", 0, 5000, 1450, 75, 0)}));
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

// An apply or an over-clock read asked for while the watch reads its
// categories goes out after the item being read, not after all of them,
// an apply with its read-back; the watch goes on where it stopped.
TEST_F(ValueRefreshTest, TheUsersRequestWaitsForOneItemOfTheWatchNotForAll) {
    struct Case {
        const char* pszWhat;
        std::function<void(CDeviceLink&)> request;
        const char* pszReport;
        std::string strOrder;
    };
    const std::vector<Case> cases = {
        {"apply",
         [](CDeviceLink& link) {
             link.RequestApply(link.GetOverVolt(), link.GetOverFreq(), link.GetOverRatio());
         },
         "OnApplied", "rQsArArPrRrS"},
        {"refresh", [](CDeviceLink& link) { link.RequestRefreshOverclock(); },
         "OnOverclockRefreshed", "rQrArPrRrS"},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.pszWhat);
        Load(Section("Over_Volt", {Item("a", "2", "0", 0, 9, 1, 65, 0)}) +
             Section("HW_Volt", {Item("Vcore", "3", "0", 0, 2000, 1250, 81, 0),
                                 Item("12V", "3", "0", 0, 2000, 1200, 80, 0)}) +
             Section("HW_Temp", {Item("CPU", "3", "0", 0, 125, 40, 82, 0)}) +
             Section("HW_Fan", {Item("CPU Fan", "3", "0", 0, 5000, 1450, 83, 0)}));
        m_listener.Clear();
        m_pLine->HoldWrites(true);
        for (const int nArray : {4, 5, 6}) {
            m_pLink->RequestRefreshArray(nArray);
        }
        ASSERT_TRUE(WaitUntil([this] { return m_pLine->IsWriteHeld(); }));
        const size_t nFrom = Sent().size();
        one.request(*m_pLink);
        m_pLine->HoldWrites(false);
        ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 3));
        // r or s, read or set, and the item's letter: Q and P, R, S the
        // three categories, A the over-clock item.
        std::string strOrder;
        for (const Bytes& frame : Sent(nFrom)) {
            strOrder += frame.at(0) == Protocol::kStartChange ? 's' : 'r';
            strOrder += static_cast<char>(frame.at(2));
        }
        EXPECT_EQ(strOrder, one.strOrder);
        EXPECT_EQ(m_listener.Count("OnArrayRefreshed", 4), 1u) << "one category, one report";
        // The request is reported, and an apply's read-back right after it.
        const auto reports = m_listener.Reports();
        const auto reported = std::ranges::find(reports, std::string(one.pszReport),
                                                &CRecordingListener::Report::strOperation);
        ASSERT_NE(reported, reports.end());
        ASSERT_NE(reported + 1, reports.end());
        EXPECT_EQ((reported + 1)->strOperation,
                  one.strOrder.find('s') != std::string::npos ? "OnOverclockRefreshed"
                                                              : "OnArrayRefreshed");
    }
}

TEST_F(ValueRefreshTest, RatiosWhoseFirstRangeReadsZeroToZeroAreDroppedAndReloadReadsAgain) {
    Load(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 0, 0, 74, 107),
                                Item("Ring Ratio", "2", "1", 8, 50, 36, 75, 108)}));
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());
    m_pLink->ReloadOverRatio();
    EXPECT_TRUE(m_pLink->GetOverRatio().empty());

    Load(Section("Over_Ratio", {Item("CPU Ratio", "2", "1", 0, 1, 1, 74, 107)}));
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
        items.push_back(Item(std::string{'T', static_cast<char>('0' + i)}, "3", "0", 0, 125, 40 + i,
                             81 + i, 0));
    }
    Load(Section("HW_Temp", items));
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

class ApplyTest : public BoardLinkFixture {
protected:
    // Edits one item as the over-clock screen does: the old value becomes PrevValue.
    static void Edit(BoardItemArray& items, size_t nIndex, const std::u16string& value) {
        items.at(nIndex).PrevValue = items.at(nIndex).Value;
        items.at(nIndex).Value = value;
    }
    // The items as the screen hands them over when nothing was edited.
    static BoardItemArray Unedited(BoardItemArray items) {
        for (BoardItem& item : items) {
            item.PrevValue = item.Value;
        }
        return items;
    }

    // Applies and waits for the report; returns its outcome.
    bool Apply(const BoardItemArray& volt, const BoardItemArray& freq,
               const BoardItemArray& ratio) {
        m_nBefore = Sent().size();
        const size_t nReports = m_listener.Count("OnApplied");
        m_pLink->RequestApply(volt, freq, ratio);
        EXPECT_TRUE(m_listener.WaitForCount("OnApplied", nReports + 1));
        return m_listener.Last("OnApplied").value_or(CRecordingListener::Report{}).nFirst == 1;
    }

    // The set frames the last apply sent, in order, without its read-back.
    std::vector<Bytes> SentSets() const {
        std::vector<Bytes> sets = Sent(m_nBefore);
        std::erase_if(sets, [](const Bytes& frame) { return frame.at(0) != Protocol::kStartChange; });
        return sets;
    }
    std::string SetLetters() const {
        std::string strLetters;
        for (const Bytes& frame : SentSets()) {
            strLetters += static_cast<char>(frame.at(2));
        }
        return strLetters;
    }

    size_t m_nBefore = 0;
};

TEST_F(ApplyTest, TheSetParametersFollowEachItemsKindAndTheBoardKeepsItsRange) {
    Load(Section("Over_Volt", {Item("indexed", "1", "0", 10, 20, 11, 'A', 'a'),
                               Item("byte", "4", "0", 0, 400, 100, 'B', 'b'),
                               Item("word", "2", "0", 0, 1000, 100, 'C', 'c')}));
    BoardItemArray volt = m_pLink->GetOverVolt();
    Edit(volt, 0, u"12");
    Edit(volt, 1, u"300");
    Edit(volt, 2, u"1500");
    // 300 does not fit the byte item's frame: it is refused, never sent as 44.
    // Hand-computed: position 3 of the indexed item; 1500 as a word.
    EXPECT_FALSE(Apply(volt, {}, {}));
    EXPECT_EQ(SentSets(), (std::vector<Bytes>{{0x53, 0x05, 'A', 0x03, 0, 0, 0, 0x14},
                                                   {0x53, 0x05, 'C', 0xDC, 0x05, 0, 0, 0xCC}}));
    EXPECT_EQ(m_pLink->GetOverVolt().at(2).PrevValue, u"100");
    volt = Unedited(m_pLink->GetOverVolt());
    Edit(volt, 1, u"200");
    EXPECT_TRUE(Apply(volt, {}, {}));
    EXPECT_EQ(SentSets().back(), (Bytes{0x53, 0x05, 'B', 0xC8, 0, 0, 0, 0xDC}));
    EXPECT_EQ(Waits(), std::vector<long>(Waits().size(), 100));
    m_pLink->RequestRefreshOverclock();
    ASSERT_TRUE(m_listener.WaitForCount("OnOverclockRefreshed", 1));
    const BoardItemArray read = m_pLink->GetOverVolt();
    EXPECT_EQ(std::vector<std::u16string>({read[0].Value, read[1].Value, read[2].Value}),
              std::vector<std::u16string>({u"12", u"200", u"1000"}));
}

// The first item always goes; an unchanged one is skipped only after an
// acknowledged one; every item goes whatever failed before it, and any
// failure fails the whole apply, even when the array applied last is fine.
TEST_F(ApplyTest, WhichItemsGoOutAndWhetherTheApplySucceedsFollowTheBoardsAnswers) {
    Load(Section(
             "Over_Volt",
             {Item("a", "2", "0", 0, 999, 1, 'A', 'a'), Item("b", "2", "0", 0, 999, 2, 'B', 'b'),
              Item("c", "2", "0", 0, 999, 3, 'C', 'c'), Item("d", "2", "0", 0, 999, 4, 'D', 'd')}) +
         Section("Over_Ratio", {Item("r", "2", "0", 0, 99, 9, 'R', 't')}));
    const struct {
        EBoardFault fault;
        uint8_t nLetter;
        const char* pszSent;
        bool bOk;
        size_t nApplyErrors;
    } cases[] = {{EBoardFault::None, 0, "ACR", true, 0},
                 {EBoardFault::WrongChecksum, 'A', "ABCR", false, 1},
                 {EBoardFault::NoReply, 'C', "ACDR", false, 1},
                 {EBoardFault::WrongLetter, 'C', "ACDR", false, 1}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].pszSent);
        m_pBoard->SetFault(cases[i].fault, cases[i].nLetter);
        BoardItemArray volt = Unedited(m_pLink->GetOverVolt());
        Edit(volt, 2, ToText(30 + static_cast<long>(i)));
        EXPECT_EQ(Apply(volt, {}, Unedited(m_pLink->GetOverRatio())), cases[i].bOk);
        EXPECT_EQ(SetLetters(), cases[i].pszSent);
        EXPECT_EQ(m_listener.Count("OnLinkError", kErrorApply), cases[i].nApplyErrors);
    }
    // A board that vanishes mid-apply: the link is lost and the apply fails.
    m_pBoard->SetFault(EBoardFault::None);
    m_pLine->FailWritesAfter(1);
    EXPECT_FALSE(Apply(m_pLink->GetOverVolt(), {}, {}));
    EXPECT_EQ(SetLetters(), "A");
    EXPECT_GE(m_listener.Count("OnLinkState", false), 1u);
}

// Voltages go first unless the first frequency goes down, or, without
// frequencies, the first ratio; compared as text, so "999" goes up from "1000".
TEST_F(ApplyTest, VoltageGoesFirstUnlessTheFirstFrequencyOrRatioGoesDown) {
    const struct {
        bool bFrequency;
        const char16_t* pszValue;
        const char* pszOrder;
    } cases[] = {{true, u"1000", "VFR"}, {true, u"1100", "VFR"}, {true, u"0990", "RFV"},
                 {true, u"999", "VFR"},  {false, u"35", "RV"},   {false, u"45", "VR"}};
    for (const auto& c : cases) {
        Load(Section("Over_Volt", {Item("v", "2", "0", 0, 9999, 1250, 'V', 'v')}) +
             (c.bFrequency ? Section("Over_Freq", {Item("f", "2", "0", 0, 9999, 1000, 'F', 'f')})
                           : "") +
             Section("Over_Ratio", {Item("r", "2", "0", 0, 99, 40, 'R', 't')}));
        BoardItemArray freq = m_pLink->GetOverFreq();
        BoardItemArray ratio = m_pLink->GetOverRatio();
        Edit(c.bFrequency ? freq : ratio, 0, c.pszValue);
        EXPECT_TRUE(Apply(m_pLink->GetOverVolt(), freq, ratio));
        EXPECT_EQ(SetLetters(), c.pszOrder) << c.bFrequency;
    }
}

TEST_F(ApplyTest, AnEditThatMatchesNoItemFailsTheApplyAndIsNotStored) {
    Load(Section("Over_Volt", {Item("a", "2", "0", 0, 999, 1, 'A', 'a')}));
    BoardItemArray stale = m_pLink->GetOverVolt();
    stale.at(0).Name = u"renamed";
    Edit(stale, 0, u"500");
    EXPECT_FALSE(Apply(stale, {}, {}));
    EXPECT_EQ(m_pLink->GetOverVolt().at(0).Value, u"1");
    EXPECT_EQ(Sent(m_nBefore), (std::vector<Bytes>{BuildCommandFrame(0x53, 'A', 1)}));
    EXPECT_TRUE(Apply(m_pLink->GetOverVolt(), {}, {}));  // the next apply is its own
}

TEST_F(ApplyTest, AValueNeitherReadNorSetIsNeverWritten) {
    // The first item's read at start-up is damaged; the indexed item's range too.
    Connect(Section("Over_Volt", {Item("Vcore", "2", "0", 800, 1700, 1250, 'A', 'a'),
                                  Item("other", "2", "0", 0, 999, 5, 'B', 'b')}) +
            Section("Over_Ratio", {Item("ratio", "1", "0", 8, 60, 40, 'R', 't')}));
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 'A');
    StartAndLoad();
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 't');
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverRatio));
    BoardItemArray volt = m_pLink->GetOverVolt();
    EXPECT_FALSE(volt.at(0).bValueRead);
    Edit(volt, 1, u"6");
    BoardItemArray ratio = m_pLink->GetOverRatio();
    Edit(ratio, 0, u"41");
    EXPECT_TRUE(Apply(volt, {}, ratio));
    // Vcore is not sent; the ratio's position rests on the range read with its value.
    EXPECT_EQ(SentSets(), (std::vector<Bytes>{BuildCommandFrame(0x53, 'B', 6),
                                                   BuildCommandFrame(0x53, 'R', 34)}));
    // Once the user sets it, it goes.
    volt = Unedited(m_pLink->GetOverVolt());
    volt.at(0).bUserSet = true;
    EXPECT_TRUE(Apply(volt, {}, Unedited(m_pLink->GetOverRatio())));
    EXPECT_EQ(SetLetters(), "AR");
}

using TimedApplyTest = InBothTimings<ApplyTest>;
INSTANTIATE_TEST_SUITE_P(Timings, TimedApplyTest, kBothTimings, TimingName);

// A write's acknowledgement that comes after the link stopped waiting looks
// like a value of zero; whether it lands before or inside the read-back's
// window (whose own reply was lost), the read-back never takes it for the value.
TEST_P(TimedApplyTest, ALateAcknowledgementIsNeverReadBackAsTheValue) {
    for (const auto delay : {250ms, 550ms}) {
        Load(Section("Over_Volt", {Item("Vcore", "2", "0", 800, 1600, 1250, 'A', 'a')}));
        m_pBoard->SetAcknowledgementDelay(delay);
        BoardItemArray volt = m_pLink->GetOverVolt();
        Edit(volt, 0, u"1448");
        ASSERT_TRUE(m_pLink->StoreEdits(volt, {}, {}));
        EXPECT_FALSE(m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet).bOk);
        m_pBoard->DropNextReplies(1);
        const bool bRead = m_pLink->RefreshArray(EBoardArray::OverVolt);
        EXPECT_EQ(m_pLink->GetOverVolt().at(0).Value, u"1448") << delay.count();
        // Inside the window, the acknowledgement is met and the value asked again.
        EXPECT_EQ(bRead, delay == 550ms);
        EXPECT_EQ(CountSent(BuildCommandFrame(0x53, 'A', 0xA8, 0x05)), 1u);
    }
}

TEST_F(ApplyTest, TheUserSetScopeWritesOnlyTheItemsSetAndSaysWhichWereAcknowledged) {
    Load(Section("Over_Volt", {Item("a", "2", "0", 0, 999, 1, 'A', 'a'),
                               Item("b", "2", "0", 0, 999, 2, 'B', 'b'),
                               Item("c", "2", "0", 0, 999, 3, 'C', 'c')}));
    BoardItemArray volt = m_pLink->GetOverVolt();
    volt.at(1).bUserSet = true;  // unchanged, but named: it goes
    volt.at(2).Value = u"30";
    volt.at(2).bUserSet = true;
    ASSERT_TRUE(m_pLink->StoreEdits(volt, {}, {}));
    m_pBoard->SetFault(EBoardFault::NoReply, 'B');
    m_nBefore = Sent().size();
    const CDeviceLink::ApplyResult result = m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet);
    // Not A, which nobody named; C although B before it went unanswered.
    EXPECT_EQ(SetLetters(), "BC");
    ASSERT_EQ(result.writes.size(), 2u);
    EXPECT_FALSE(result.writes[0].bAcknowledged);
    EXPECT_TRUE(result.writes[1].bAcknowledged);
    EXPECT_FALSE(result.bOk);
    // An unacknowledged value stays the user's, to be sent again.
    EXPECT_TRUE(m_pLink->GetOverVolt().at(1).bUserSet);
    EXPECT_FALSE(m_pLink->GetOverVolt().at(2).bUserSet);
}

}  // namespace
