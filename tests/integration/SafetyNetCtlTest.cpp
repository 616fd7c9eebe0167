// tunevoctl's safety net against tunevo-board: the journal, undo, keep or
// revert, and the start-up watch.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/integration/CtlFixture.h"

namespace {

using testing::HasSubstr;
using testing::Not;

// Vcore past 1.400 V stops the simulated PC's start-up in memory training.
const std::string kStallingBoard =
    "[Version]\nVer=TEST-BOARD-8\n"
    "[Over_Volt]\nCount=2\n1=CPU Vcore,2,1,800,1600,1250,1,1000,1300,1400,65,97,1250,1\n"
    "2=DRAM Voltage,4,1,110,165,135,1,100,130,150,67,99,135,1\n"
    "[Over_Ratio]\nCount=1\n1=CPU Ratio,1,0,8,60,49,1,1,0,0,74,106,49,1\n"
    "[HW_Temp]\nCount=1\n1=CPU,2,0,0,125,62,1,1,0,200,81,0,62,1\n";

class SafetyNetCtlTest : public CtlTest {
protected:
    void StartStallingBoard(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.end(), {"--post-step", "40"});
        StartBoard(arguments, kStallingBoard);
    }
    // The journal's entries, oldest first.
    std::vector<nlohmann::json> Journal() {
        std::vector<nlohmann::json> entries;
        std::istringstream lines(Out("journal --json --last 0"));
        for (std::string strLine; std::getline(lines, strLine);) {
            entries.insert(entries.begin(), nlohmann::json::parse(strLine));
        }
        return entries;
    }
    std::string Vcore() {
        const std::string strInfo = Out("info");
        const size_t nAt = strInfo.find("CPU Vcore");
        return nAt == std::string::npos ? "" : strInfo.substr(nAt, strInfo.find('\n', nAt) - nAt);
    }
};

TEST_F(SafetyNetCtlTest, WritesAndPowerActionsAreJournalledWithTheirValuesBeforeAskedAndReadBack) {
    StartStallingBoard();
    Out("profile save 1");
    Out("set 'CPU Vcore=1.3' 'CPU Ratio=52'");
    Out("power reset --yes");
    Out("profile load 1 --yes");
    const std::vector<nlohmann::json> entries = Journal();
    ASSERT_EQ(entries.size(), 3u);
    const nlohmann::json& set = entries[0];
    EXPECT_EQ(set["program"], "tunevoctl");
    EXPECT_EQ(set["command"], "set");
    EXPECT_EQ(set["action"], "apply");
    EXPECT_EQ(set["board"]["version"], "TEST-BOARD-8");
    EXPECT_THAT(set["board"]["address"].get<std::string>(), HasSubstr("rfcomm3"));
    EXPECT_THAT(set["time"].get<std::string>(), testing::MatchesRegex(
                                                    "....-..-..T..:..:..[+-]..:.."));
    ASSERT_EQ(set["items"].size(), 2u);
    EXPECT_EQ(set["items"][0], nlohmann::json::parse(
                                   R"({"name":"CPU Vcore","array":"Over_Volt","before":"1250",
                                   "asked":"1300","acknowledged":true,"read_back":"1300",
                                   "shown_before":"1.250000","shown_asked":"1.300000",
                                   "shown_read_back":"1.300000","unit":"V"})"));
    EXPECT_EQ(set["items"][1]["before"], "49");
    EXPECT_EQ(set["items"][1]["read_back"], "52");
    EXPECT_EQ(entries[1]["action"], "power");
    EXPECT_EQ(entries[1]["power"], "reset");
    EXPECT_EQ(entries[1]["ok"], true);
    EXPECT_EQ(entries[2]["command"], "profile load 1");
    // Going down, the ratio is written before the voltage.
    ASSERT_EQ(entries[2]["items"].size(), 2u);
    EXPECT_EQ(entries[2]["items"][0]["name"], "CPU Ratio");
    EXPECT_EQ(entries[2]["items"][1]["before"], "1300");
    EXPECT_EQ(entries[2]["items"][1]["read_back"], "1250");
    // Shown newest first, old -> new.
    const std::string strShown = Out("journal --last 2");
    EXPECT_LT(strShown.find("profile load 1"), strShown.find("power reset"));
    EXPECT_EQ(strShown.find(" set "), std::string::npos) << "two entries only";
    EXPECT_THAT(strShown, HasSubstr("CPU Vcore                1.300000 -> 1.250000 V"));
}

TEST_F(SafetyNetCtlTest, UndoWritesBackTheLastChangeAndAnUndoIsUndoneLikeAnyWrite) {
    StartStallingBoard();
    ExpectFails("undo --yes", 15, "nothing to undo");
    Out("set 'CPU Vcore=1.3'");
    ExpectFails("undo", 10, "cancelled; nothing was sent", "n\n");
    EXPECT_THAT(Vcore(), HasSubstr("1.300000"));
    const std::string strUndo = Out("undo", "y\n");
    EXPECT_THAT(strUndo, HasSubstr("CPU Vcore                1.300000 -> 1.250000 V"));
    EXPECT_THAT(Vcore(), HasSubstr("1.250000"));
    Out("undo --yes");
    EXPECT_THAT(Vcore(), HasSubstr("1.300000"));
    const std::vector<nlohmann::json> entries = Journal();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1]["action"], "undo");
    EXPECT_EQ(entries[1]["undoes"], entries[0]["id"]);
    EXPECT_EQ(entries[2]["undoes"], entries[1]["id"]);
}

TEST_F(SafetyNetCtlTest, ConfirmKeepsOnYesAndWritesBackOnAnythingElse) {
    StartStallingBoard();
    struct Case {
        const char* pszInput;
        const char* pszInputCommand;
        int nExit;
        const char* pszVcore;
    };
    const Case cases[] = {
        {"y\n", "", 0, "1.300000"},
        {"n\n", "", 16, "1.250000"},
        {"", "", 16, "1.250000"},              // the end of input answers no at once
        {"", "sleep 2", 16, "1.250000"},       // silence lets the countdown end
    };
    for (const Case& test : cases) {
        Out("set 'CPU Vcore=1.25'");
        const CtlResult result =
            Run("set --confirm 1 'CPU Vcore=1.3'", test.pszInput, test.pszInputCommand);
        EXPECT_EQ(result.nExit, test.nExit) << test.pszInput << test.pszInputCommand;
        EXPECT_THAT(Vcore(), HasSubstr(test.pszVcore)) << test.pszInput << test.pszInputCommand;
    }
    EXPECT_EQ(Journal().back()["action"], "revert");
    for (const char* pszBad : {"0", "-3", "abc", "99999999999999999999", "1.5"}) {
        ExpectFails(std::string("set --confirm ") + pszBad + " 'CPU Vcore=1.3'", 2,
                    "takes a whole number of seconds from 1 to 3600");
    }
}

// The board goes during the countdown and stays away: what could not be
// written back is named, and the exit says the link was lost.
TEST_F(SafetyNetCtlTest, AChangeNotKeptWhileTheBoardIsGoneIsNamedAsNotRestored) {
    StartStallingBoard();
    std::future<CtlResult> set = std::async(std::launch::async, [this] {
        return Run("set --confirm 2 'CPU Vcore=1.3'", "", "sleep 3");
    });
    ASSERT_TRUE(WaitUntil([&] {
        return m_dir.ReadFile("ctl-err.txt").find("Keep these values?") != std::string::npos;
    }));
    m_pBoard.reset();
    const CtlResult result = set.get();
    EXPECT_EQ(result.nExit, 5);
    EXPECT_THAT(result.strErr, HasSubstr("did not come back within 2 s; not restored: CPU Vcore "
                                         "(was 1.250000 V)"));
}

TEST_F(SafetyNetCtlTest, BootWatchSeesAStallAndRecoversItOnceWithTheValuesBefore) {
    StartStallingBoard();
    Out("set 'CPU Vcore=1.45'");
    Out("power reset --yes");
    // Without --recover a stall is said and left.
    ExpectFails("boot-watch --stuck 1", 14, "");
    Out("power reset --yes");
    const CtlResult result = Run("boot-watch --stuck 1 --recover --json");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    const nlohmann::json summary = nlohmann::json::parse(result.strOut);
    EXPECT_EQ(summary["result"], "recovered");
    EXPECT_EQ(summary["restored"], nlohmann::json::parse(R"(["CPU Vcore"])"));
    EXPECT_THAT(result.strErr, HasSubstr("stalled at code 15 (Training memory timings)"));
    EXPECT_THAT(Vcore(), HasSubstr("1.250000"));
    const std::vector<nlohmann::json> entries = Journal();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[entries.size() - 3]["action"], "recover");
    EXPECT_EQ(entries[entries.size() - 2]["power"], "reset");
    EXPECT_EQ(entries.back()["action"], "started");
}

TEST_F(SafetyNetCtlTest, BootWatchRestoresNothingWithoutAWriteSinceTheLastGoodStart) {
    StartStallingBoard();
    Out("set 'CPU Vcore=1.45'");
    // The PC runs on: the ready code stands, and a good start-up goes on record.
    EXPECT_THAT(Out("boot-watch --stuck 1"), HasSubstr("the PC started"));
    Out("power reset --yes");
    const CtlResult result = Run("boot-watch --stuck 1 --recover");
    EXPECT_EQ(result.nExit, 14);
    EXPECT_THAT(result.strErr, HasSubstr("nothing to restore"));
    EXPECT_THAT(Vcore(), HasSubstr("1.450000"));
    EXPECT_NE(Journal().back()["action"], "recover");
}

TEST_F(SafetyNetCtlTest, BootWatchOnAPCThatIsOffSaysSo) {
    StartStallingBoard({"--off"});
    ExpectFails("boot-watch", 8, "the PC is off");
    ExpectFails("boot-watch --stuck 0", 2, "whole number of seconds");
    ExpectFails("boot-watch --ready XYZ", 2, "hexadecimal");
}

}  // namespace
