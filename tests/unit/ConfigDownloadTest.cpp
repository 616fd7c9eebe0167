// The configuration download and the start-up load, on a virtual clock.

#include "data/IniPaths.h"
#include "link/BoardItem.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "platform/CSteadyClock.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/WaitUntil.h"

#include <unistd.h>

#include <optional>
#include <thread>

namespace {

using ConfigDownloadTest = BoardLinkFixture;
using Bytes = std::vector<uint8_t>;

const Bytes kOpen = {0xD3, 0x01, 0x01, 0xD3};
// D3 02 7A i (i ^ AB), worked by hand.
const Bytes kChunk0 = {0xD3, 0x02, 0x7A, 0x00, 0xAB};
const Bytes kChunk1 = {0xD3, 0x02, 0x7A, 0x01, 0xAA};
const Bytes kChunk2 = {0xD3, 0x02, 0x7A, 0x02, 0xA9};

const std::string kBoard =
    "[Version]\nVer=T-1\n" +
    BoardLinkFixture::Section(
        "Over_Volt", {BoardLinkFixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 97)}) +
    BoardLinkFixture::Section("HW_Fan",
                              {BoardLinkFixture::Item("CPU Fan", "3", "0", 0, 5000, 1450, 85, 0)});

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
TEST_F(ConfigDownloadTest, AnIncompleteDownloadKeepsTheOldFileAndSaysSo) {
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
        EXPECT_EQ(CountSent(kChunk2), 0u);
        EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigDownload), 1u);
        EXPECT_EQ(m_listener.Count("OnConfigLoaded", true), 1u);
        EXPECT_EQ(m_pLink->GetBoardVersion(), u"T-0");
        ASSERT_EQ(m_pLink->GetOverVolt().size(), 1u);
        EXPECT_EQ(m_pLink->GetOverVolt()[0].Name, u"Old");
        EXPECT_EQ(m_dir.ReadFile("saved_profile1.ini"), "[Version]\nVer=T-0\n[Profile1]\nOld=1\n");
    }
}

TEST_F(ConfigDownloadTest, ALinkInPlaceOfTheFileIsReplacedAndAFolderThatTakesNoneIsSaid) {
    const std::string strTarget = m_dir.WriteFile("elsewhere.txt", "keep me");
    ASSERT_EQ(::symlink(strTarget.c_str(), (m_dir.Path() + "/BiosConf_Kolt_V120.ini").c_str()), 0);
    Connect(kBoard);
    StartAndLoad();
    EXPECT_EQ(m_dir.ReadFile("elsewhere.txt"), "keep me");
    EXPECT_EQ(BoardFile(), kBoard);

    g_szProgramDir = m_dir.Path() + "/no-such-folder";
    Connect(kBoard);
    StartAndLoad();
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigFile), 1u);
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigDownload), 0u);
    EXPECT_TRUE(m_pLink->GetOverVolt().empty());
}

TEST_F(ConfigDownloadTest, ItemsOnAProtocolLetterAreLeftOutAndSaidSo) {
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
    EXPECT_EQ(m_listener.Count("OnLinkError", kErrorProtocolLetter), 1u);
    EXPECT_EQ(CountSent(BuildCommandFrame(0xD3, Protocol::kLetterPowerAction)), 0u);
}

TEST_F(ConfigDownloadTest, NamesOutsideAsciiComeThroughAndTheFileStaysByteForByte) {
    const std::string strBoard =
        Section("HW_Temp",
                {Item("Temp\xC3\xA9rature \xE6\xB8\xA9\xE5\xBA\xA6", "3", "0", 0, 125, 40, 81, 0),
                 Item("VRM", "3", "0", 0, 125, 55, 82, 0)});
    Connect(strBoard);
    StartAndLoad();
    EXPECT_EQ(BoardFile(), strBoard);
    const BoardItemArray temps = m_pLink->GetHwTemp();
    ASSERT_EQ(temps.size(), 2u);
    // Read in the system's code page, which is UTF-8 here.
    EXPECT_EQ(temps[0].Name, u"Temp\u00E9rature \u6E29\u5EA6");
    EXPECT_EQ(temps[0].Value, u"40");
    EXPECT_EQ(temps[0].ValueCmd, u"81");
    EXPECT_EQ(temps[1].Name, u"VRM");
}

TEST_F(ConfigDownloadTest, TheLoadReadsTheOverclockArraysInOrderAndLeavesTheMonitorOnesUnread) {
    Connect(CBoardDescription::Demo().Bytes());
    StartAndLoad();
    EXPECT_EQ(BoardFile(), m_pBoard->Description().Bytes());
    std::vector<size_t> sizes;
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        sizes.push_back(m_pLink->GetArray(static_cast<EBoardArray>(nArray)).size());
    }
    EXPECT_EQ(sizes, (std::vector<size_t>{6, 4, 2, 5, 4, 4, 3}));
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

}  // namespace
