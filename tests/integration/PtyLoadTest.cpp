// The start-up load against tunevo-board over a real pseudo-terminal.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

std::string ReadAll(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class PtyLoadTest : public testing::Test {
protected:
    void SetUp() override {
        m_strOldProgramDir = g_szProgramDir;
        g_szProgramDir = m_dir.Path();
    }
    void TearDown() override {
        m_pLink.reset();
        g_szProgramDir = m_strOldProgramDir;
    }

    // Starts tunevo-board on port 3 with the arguments, then finds it and loads.
    void StartBoardAndLoad(std::vector<std::string> arguments) {
        const std::string strLink = m_dir.Path() + "/ports/rfcomm3";
        std::filesystem::create_directories(m_dir.Path() + "/ports");
        arguments.insert(arguments.begin(), {"--link", strLink});
        m_pBoard = std::make_unique<CChildProcess>(TUNEVO_BOARD_PROGRAM, arguments);
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::is_symlink(strLink); }));

        m_pLink = std::make_unique<CDeviceLink>(CDeviceLink::Environment{
            std::make_shared<CDevicePortOpener>(m_dir.Path() + "/ports/rfcomm%d"),
            std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()});
        m_pLink->SetListener(&m_listener);
        m_pLink->StartPortSearch();
        ASSERT_TRUE(m_listener.WaitForCount("OnLinkState", 1));
        ASSERT_EQ(m_listener.Count("OnLinkState", true), 1u);
        m_pLink->StartLink();
        ASSERT_TRUE(m_listener.WaitFor(
            [](const auto& reports) {
                return !reports.empty() && reports.back().strOperation == "OnConfigLoaded";
            },
            std::chrono::seconds(30)));
    }

    std::string BoardFile() const { return ReadAll(m_dir.Path() + "/BiosConf_Kolt_V120.ini"); }

    TempDir m_dir;
    std::string m_strOldProgramDir;
    std::unique_ptr<CChildProcess> m_pBoard;
    CRecordingListener m_listener;
    std::unique_ptr<CDeviceLink> m_pLink;
};

TEST_F(PtyLoadTest, TheDemoBoardIsDownloadedByteForByteAndItsValuesRead) {
    StartBoardAndLoad({});
    EXPECT_EQ(BoardFile(), ReadAll(TUNEVO_SOURCE_DIR "/resources/demo-board.ini"));
    const BoardItemArray volts = m_pLink->GetOverVolt();
    ASSERT_EQ(volts.size(), 6u);
    EXPECT_EQ(volts[0].Name, u"CPU Vcore");
    EXPECT_EQ(volts[0].Value, u"1250");
    EXPECT_EQ(volts[0].Max, u"1700");
    EXPECT_EQ(m_pLink->GetOverFreq().at(1).Value, u"1000");  // read after "}"
    EXPECT_EQ(m_pLink->GetOverRatio().at(0).Value, u"49");
    EXPECT_EQ(m_pLink->GetHwFan().size(), 4u);
    EXPECT_EQ(m_listener.Count("OnLinkError"), 0u);
    EXPECT_EQ(m_pLink->ErrorCount(), 0);

    // A monitor refresh reads the live values.
    m_pLink->RequestRefreshArray(6);
    ASSERT_TRUE(m_listener.WaitForCount("OnArrayRefreshed", 1));
    EXPECT_EQ(m_listener.Count("OnArrayRefreshed", 6), 1u);
    const BoardItemArray fans = m_pLink->GetHwFan();
    EXPECT_GT(WToL(fans[0].Value), 1000);
    EXPECT_EQ(fans[2].Value, u"0");  // the stopped fan
}

TEST_F(PtyLoadTest, ABoardThatCorruptsChunksStillLoadsCompletely) {
    TempDir boardDir;
    const std::string strBoard =
        "[Version]\nVer=small\n[HW_Temp]\nCount=2\n1=CPU,3,0,0,125,50,1,1,65,70,81,0,50,1\n"
        "2=VRM,3,0,0,125,44,1,1,90,95,82,0,44,1\n";
    StartBoardAndLoad({"--board", boardDir.WriteFile("small.ini", strBoard), "--chunks", "4",
                       "--fault", "corrupt-chunks"});
    EXPECT_EQ(BoardFile(), strBoard);
    EXPECT_EQ(m_pLink->GetHwTemp().size(), 2u);
    EXPECT_EQ(m_pLink->GetBoardVersion(), u"small");
    EXPECT_EQ(m_pLink->ErrorCount(), 4);
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 0u);
}

TEST_F(PtyLoadTest, TunevoBoardRefusesADescriptionItCannotServe) {
    const std::string strLink = m_dir.Path() + "/rfcomm0";
    const std::string strClash =
        m_dir.WriteFile("clash.ini",
                        "[HW_Fan]\nCount=2\n1=a,3,0,0,9,1,1,1,0,0,85,0,1,1\n"
                        "2=b,3,0,0,9,1,1,1,0,0,85,0,1,1\n");
    for (const std::string& strBoard : {strClash, m_dir.Path() + "/missing.ini"}) {
        CChildProcess board(TUNEVO_BOARD_PROGRAM, {"--link", strLink, "--board", strBoard});
        const int nStatus = board.WaitExit(10000);
        EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 2) << strBoard;
        EXPECT_FALSE(std::filesystem::exists(strLink));
    }
}

}  // namespace
