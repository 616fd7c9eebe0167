// Over a real pseudo-terminal: the serial port, and tunevoctl's commands against tunevo-board.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "link/BoardAddress.h"
#include "link/FrameCodec.h"
#include "link/ReturnWatch.h"
#include "link/Transact.h"
#include "platform/CSerialPort.h"
#include "platform/CSteadyClock.h"
#include "sim/CBoardDescription.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/CtlRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/integration/CtlFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing::AllOf;
using testing::AnyOf;
using testing::HasSubstr;
using testing::Not;

class PtyLinkTest : public testing::Test {
protected:
    // Serves the model at rfcomm0 in-process and opens the line to it.
    std::unique_ptr<ISerialPort> ServeAndOpen(std::shared_ptr<CBoardModel> pModel) {
        m_pServer = std::make_unique<CPtyBoardServer>(std::move(pModel));
        std::string strError;
        EXPECT_TRUE(m_pServer->Start(LinePath(), strError)) << strError;
        return Open();
    }
    std::unique_ptr<ISerialPort> Open() {
        bool bHeld = false;
        auto pPort = CSerialPort::Open(LinePath(), bHeld);
        m_bHeld = bHeld;
        return pPort;
    }
    bool m_bHeld = false;
    std::string LinePath() const { return m_dir.Path() + "/rfcomm0"; }

    TempDir m_dir;
    std::unique_ptr<CPtyBoardServer> m_pServer;
    CSteadyClock m_clock;
    std::stop_source m_stop;
};

TEST_F(PtyLinkTest, AnExchangeCarriesExactBytesAndALateReplyNeverReachesTheNextOne) {
    auto pModel = std::make_shared<CBoardModel>();
    pModel->SetChunkCount(7);
    pModel->SetFault(EBoardFault::LateReply);
    auto pPort = ServeAndOpen(pModel);
    ASSERT_NE(pPort, nullptr);
    Exchange exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    EXPECT_EQ(exchange.nCount, 0u) << "past the 100 ms wait";

    // The late reply has arrived by now; the next exchange drops it first.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pModel->SetFault(EBoardFault::None);
    exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    // 53^05^01^07 = 50.
    EXPECT_EQ(Bytes(exchange.reply.begin(), exchange.reply.begin() + exchange.nCount),
              (Bytes{0x53, 0x05, 0x01, 0x07, 0, 0, 0, 0x50}));
    EXPECT_EQ(pModel->Requests(), (std::vector<Bytes>{BuildOpenFrame(), BuildOpenFrame()}));

    // A terminal that disappears reports the line gone and refuses writes.
    m_pServer.reset();
    exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    EXPECT_FALSE(exchange.bWritten);
    EXPECT_TRUE(exchange.bNotConnected);
}

TEST_F(PtyLinkTest, ASecondProgramCannotOpenAHeldLine) {
    auto pFirst = ServeAndOpen(std::make_shared<CBoardModel>());
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(Open(), nullptr);
    EXPECT_TRUE(m_bHeld) << "said to be held, not missing";
    pFirst.reset();
    EXPECT_NE(Open(), nullptr);
}

TEST_F(PtyLinkTest, TheServerNeverReplacesARegularFile) {
    const std::string strPath = m_dir.WriteFile("rfcomm0", "precious");
    CPtyBoardServer server(std::make_shared<CBoardModel>());
    std::string strError;
    EXPECT_FALSE(server.Start(strPath, strError));
    EXPECT_THAT(strError, HasSubstr("not a symbolic link"));
    EXPECT_EQ(m_dir.ReadFile("rfcomm0"), "precious");
}

TEST_F(CtlTest, ScanFindsTheBoardOrSaysWhyNot) {
    ExpectFails("scan", 3,
                "no board found on " + m_dir.Path() + "/ports/rfcomm0 to " + m_dir.Path() +
                    "/ports/rfcomm8 (");
    ExpectFails("frobnicate", 2, "unknown command 'frobnicate' (see tunevoctl --help)");
    for (const char* pszCommand :
         {"scan", "info", "monitor", "set", "power", "poster", "lock", "profile"}) {
        EXPECT_EQ(Run(std::string(pszCommand) + " --help")
                      .strOut.rfind(std::string("Usage: tunevoctl ") + pszCommand, 0),
                  0u);
    }
    EXPECT_EQ(Run("--version").strOut, "tunevoctl " TUNEVO_VERSION "\n");
    EXPECT_EQ(Run("").nExit, 2);
    for (const char* pszWrong : {"frobnicate", "scan now", "monitor --interval nan",
                                 "monitor --count 0", "monitor --count 2.5", "poster --mode loud",
                                 "help frobnicate", "--link-timing slow scan"}) {
        EXPECT_EQ(Run(pszWrong).nExit, 2) << pszWrong;
    }
    EXPECT_THAT(Run("help").strOut, HasSubstr("Exit codes"));
    // A board model without a description to serve does not start.
    CChildProcess none(TUNEVO_BOARD_PROGRAM,
                       {"--link", m_dir.Path() + "/l", "--board", m_dir.Path() + "/missing.ini"});
    EXPECT_EQ(none.WaitExit(10000), 2);
    StartBoard();
    EXPECT_EQ(Out("scan"), "board found: " + m_dir.Path() + "/ports/rfcomm3\n");
    {
        bool bHeld = false;
        const auto pHolder = CSerialPort::Open(m_dir.Path() + "/ports/rfcomm3", bHeld);
        ASSERT_NE(pHolder, nullptr);
        ExpectFails("scan", 3, "port is in use by another program");
    }
    m_dir.WriteFile("rfkill/rfkill0/type", "bluetooth\n");
    m_dir.WriteFile("rfkill/rfkill0/soft", "1\n");
    m_dir.WriteFile("rfkill/rfkill0/hard", "0\n");
    m_strRfkill = m_dir.Path() + "/rfkill";
    ExpectFails("scan", 4, "radio is switched off");
}

TEST_F(CtlTest, InfoListsTheVersionAndEveryItemWithRangeValueAndUnit) {
    StartBoard();
    CtlResult result;
    // Both timings read the same board over the terminal.
    for (const char* pszTiming : {"--link-timing fixed ", ""}) {
        result = Run(std::string(pszTiming) + "info");
        ASSERT_EQ(result.nExit, 0) << pszTiming << result.strErr;
        EXPECT_THAT(result.strOut, HasSubstr("board: TEST-BOARD-7\n"));
        for (const char* pszPart : {"CPU Vcore", "1250", "800..1600", "1.250000 [V]", "CPU Ratio",
                                    "8..60", "49 [X]", "CPU Fan", "[RPM]", "[\u2103]"}) {
            EXPECT_NE(result.strOut.find(pszPart), std::string::npos) << pszTiming << pszPart;
        }
    }
    // The configuration is downloaded beside the program, as the program does.
    EXPECT_EQ(m_dir.ReadFile("program/BiosConf_Kolt_V120.ini"), kSmallBoard);
    // One JSON line per sample; an interval shorter than a sample is said once.
    // (In fixed timing a sample takes longer than 0.1 s.)
    result = Run("--link-timing fixed monitor --count 3 --interval 0.1 --json");
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strOut, HasSubstr("\"sample\":1,"));
    EXPECT_THAT(result.strOut,
                HasSubstr("{\"array\":\"HW_Fan\",\"name\":\"CPU Fan\",\"read\":true,\"raw\":"));
    EXPECT_THAT(result.strOut, testing::ContainsRegex("\"shown\":\"[0-9]+\",\"value\":[0-9.]+,"
                                                      "\"unit\":\"RPM\",\"alarm\":false}"));
    EXPECT_THAT(result.strOut, HasSubstr("\"unit\":\"\u00B0C\""));
    EXPECT_EQ(std::count(result.strOut.begin(), result.strOut.end(), '\n'), 3);
    EXPECT_THAT(result.strErr, testing::MatchesRegex("tunevoctl: a sample takes [0-9.]+ s, longer "
                                                     "than --interval; [a-z ]+\n"));
}

// On a terminal, standard error shows what the command is doing, one line
// redrawn in place; --quiet shows none of it (nor does a file: the monitor
// test above reads standard error whole).
TEST_F(CtlTest, AProgressLineShowsOnATerminalOnly) {
    StartBoard();
    // script(1) gives standard error a terminal; the samples go elsewhere.
    auto errorsOnTerminal = [&](const std::string& strArguments) {
        return RunCtl("/usr/bin/script",
                      {m_dir.Path() + "/ports/rfcomm%d", m_strProgramDir, m_strRfkill}, m_dir,
                      "-qec \"'" TUNEVO_CTL_PROGRAM "' " + strArguments + " >/dev/null\" /dev/null")
            .strOut;
    };
    const std::string strSeen = errorsOnTerminal("monitor");
    for (const std::string& strStep :
         {"\r\x1b[Kconnecting to " + m_dir.Path() + "/ports/rfcomm3...",
          std::string("reading the board's description: 1 of 2"),
          std::string("reading the over-clock values: 3 of 3"),
          std::string("reading sample 1: 3 of 4")}) {
        EXPECT_THAT(strSeen, HasSubstr(strStep));
    }
    EXPECT_EQ(strSeen.substr(strSeen.size() - 4), "\r\x1b[K") << "wiped at the end";
    EXPECT_EQ(errorsOnTerminal("monitor --quiet"), "");
}

TEST_F(CtlTest, ADownloadThatFailsSaysWhetherTheBoardOrTheFolderIsToBlame) {
    StartBoard({"--fault", "no-reply", "--fault-only", "122"});  // chunks unanswered
    ExpectFails("info", 9, "did not send its description whole, and there is no earlier one");
    m_pBoard.reset();
    StartBoard();
    Out("info");
    m_pBoard.reset();
    // The last description downloaded is used, and said to be.
    StartBoard({"--fault", "no-reply", "--fault-only", "122"});
    CtlResult result = Run("info");
    EXPECT_EQ(result.nExit, 0);
    EXPECT_THAT(result.strErr, HasSubstr("the one kept from before is read"));
    EXPECT_THAT(result.strOut, HasSubstr("CPU Vcore"));
    m_pBoard.reset();
    StartBoard();
    // A folder named that is not there yet is made; one that cannot be is said.
    m_strProgramDir = m_dir.Path() + "/new/folder";
    Out("info");
    m_strProgramDir = m_dir.Path() + "/board.ini/below-a-file";
    ExpectFails("info", 1, "cannot create " + m_strProgramDir);
    m_strProgramDir = m_dir.Path() + "/program";
    const std::string strFile = m_strProgramDir + "/BiosConf_Kolt_V120.ini";
    // A description that cannot be kept is the board's all the same: used, and said.
    ::chmod(strFile.c_str(), 0444);
    result = Run("info");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strErr, HasSubstr("cannot keep the board's description in " + strFile +
                                         ": it is read-only; it is used as the board sent it"));
    EXPECT_THAT(result.strOut, HasSubstr("CPU Vcore"));
    std::filesystem::remove(strFile);
    std::filesystem::create_directory(strFile);
    result = Run("info");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strErr, HasSubstr(strFile + ": a folder stands in its place"));
}

// What the description holds that cannot be used is said once, by item and
// reason; a description with nothing usable ends the command.
TEST_F(CtlTest, ABrokenDescriptionIsNamedOnceAndOneWithNothingUsableIsRefused) {
    StartBoard({}, kSmallBoard + "[Over_Freq]\nCount=1\n1=Bad,2,0,9,0,5,1,1,0,0,70,0,5,1\n");
    const CtlResult result = Run("info");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    const std::string strProblem =
        "tunevoctl: the board's description: 'Bad' (item 1 of [Over_Freq]) is left out: its Min "
        "9 lies above its Max 0\n";
    EXPECT_THAT(result.strErr, HasSubstr(strProblem));
    EXPECT_EQ(result.strErr.find(strProblem), result.strErr.rfind(strProblem));
    EXPECT_THAT(result.strOut, Not(HasSubstr("Bad")));
    // A useless description never replaces the kept one, which is read, not written through.
    m_pBoard.reset();
    StartBoard({}, "[Version]\nVer=EMPTY\n[Over_Volt]\n[HW_Temp]\n");
    const CtlResult useless = Run("info");
    EXPECT_EQ(useless.nExit, 0) << useless.strErr;
    EXPECT_THAT(useless.strErr, HasSubstr("as sent: the board's description holds no usable item"));
    EXPECT_THAT(useless.strErr, HasSubstr("nothing is written through it"));
    EXPECT_THAT(useless.strOut, HasSubstr("TEST-BOARD-7"));
    ExpectFails("set 'CPU Ratio=50'", 13, "nothing was written");
    std::filesystem::remove(m_strProgramDir + "/BiosConf_Kolt_V120.ini");
    ExpectFails("info", 9, "and there is no earlier one in");
}

TEST_F(CtlTest, SetWritesOnlyTheNamedItemsAndRefusesValuesOutsideTheirRange) {
    StartBoard();
    EXPECT_EQ(Out("set 'CPU Ratio=52'"),
              "wrote CPU Ratio = 52 [X] (raw 52): acknowledged\nCPU Ratio = 52 [X] (raw 52)\n");
    CtlResult result = Run("set 'CPU Vcore=2'");
    EXPECT_EQ(result.nExit, 11);
    EXPECT_EQ(result.strOut, "");
    EXPECT_THAT(result.strErr, HasSubstr("outside its range, 0.800000 to 1.600000 [V]"));
    // Unknown names and values that are no plain number.
    EXPECT_EQ(Run("set 'CPU Vcore=1.3V'").nExit, 7);
    EXPECT_EQ(Run("set 'CPU Vcore='").nExit, 7);
    EXPECT_EQ(Run("set 'CPU Vcore=1.2.3'").nExit, 7);
    EXPECT_EQ(Run("set CPUVcore").nExit, 2);
    EXPECT_EQ(Run("set").nExit, 2);
    ExpectFails("set 'CPU Vcore=1.3' 'No Such Item=1'", 6, "'No Such Item'");
    // Nothing of a refused set reaches the board.
    EXPECT_THAT(Run("info").strOut, HasSubstr("1.250000 [V]"));
    // Limited like the buttons when asked to.
    EXPECT_EQ(Out("set --clamp 'cpu vcore=2'"),
              "wrote CPU Vcore = 1.600000 [V] (raw 1600): acknowledged\n"
              "CPU Vcore = 1.600000 [V] (raw 1600)\n");
}

// A value between two steps is refused with the two nearest, or rounded when
// asked; one the item's one-byte setting cannot carry is refused whole.
TEST_F(CtlTest, SetRefusesAValueBetweenStepsOrTooWideForItsSetting) {
    StartBoard({}, kSmallBoard +
                       "[Over_Freq]\nCount=1\n"
                       "1=DRAM Voltage,4,0,1200,2000,1350,1,1000,0,0,67,99,1350,1\n");
    ExpectFails("set 'CPU Ratio=20.5'", 11,
                "CPU Ratio: 20.5 lies between two of its steps, 20 and 21 [X]; nothing was sent");
    ExpectFails("set 'CPU Vcore=1.2505'", 11, "between two of its steps, 1.250000 and 1.251000");
    CtlResult result = Run("set --round 'CPU Ratio=20.5'");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strErr, HasSubstr("20.5 lies between 20 and 21 [X]; 21 is set instead"));
    ExpectFails("set 'DRAM Voltage=1.3'", 11,
                "1.3 is raw 1300, which its setting cannot carry (raw 0 to 255)");
    EXPECT_THAT(Run("info").strOut, HasSubstr("DRAM Voltage                 1350"));
}

TEST_F(CtlTest, PowerActionsAreConfirmedAndClearCmosIsRefusedWhileOn) {
    StartBoard();
    EXPECT_EQ(Run("power status").strOut, "on\n");
    ExpectFails("power clear-cmos --yes", 8, "only while the PC is off");
    CtlResult result = Run("power off", "n\n");
    EXPECT_EQ(result.nExit, 10);
    EXPECT_EQ(Run("power off", "").nExit, 10);
    EXPECT_EQ(Run("power status").strOut, "on\n");
    EXPECT_EQ(Out("power off", "yes\n"), "acknowledged: the PC is switching off\n");
    ASSERT_TRUE(WaitUntil([&] { return Run("power status").strOut == "off\n"; }));
    EXPECT_EQ(Run("power clear-cmos --yes").nExit, 0);
    EXPECT_EQ(Run("power explode --yes").nExit, 2);
    // The forced switch-off, also under its old name with a warning.
    for (const std::string strName : {"force-off", "shutdown"}) {
        result = Run("power " + strName + " --yes");
        EXPECT_EQ(result.strOut, "acknowledged: the PC is switching off at once\n");
        EXPECT_EQ(result.strErr.find("is now 'power force-off'") != std::string::npos,
                  strName == "shutdown");
    }
}

TEST_F(CtlTest, ABoardThatDoesNotAnswerIsExitNineAndItsValuesAreMarked) {
    StartBoard({"--fault", "no-reply", "--fault-only", "0x04"});
    // Sent once, never again: the board may have acted on it.
    ExpectFails("power reset --yes", 9,
                "did not confirm the action; it was sent once and not again, and the PC's "
                "state is unknown");
    m_pBoard.reset();
    StartBoard({"--fault", "no-reply", "--fault-only", "U"});  // the fan's value letter
    CtlResult result = Run("monitor --json");
    EXPECT_EQ(result.nExit, 9);
    EXPECT_THAT(result.strOut,
                HasSubstr("\"name\":\"CPU Fan\",\"read\":false,\"raw\":null,\"shown\":null"))
        << result.strOut;
    EXPECT_THAT(result.strOut, HasSubstr("\"name\":\"CPU\",\"read\":true,\"raw\":"));
    result = Run("monitor");
    EXPECT_THAT(result.strOut, HasSubstr(" -- [RPM]  UNREAD")) << result.strOut;
    m_pBoard.reset();
    StartBoard({"--fault", "no-reply", "--fault-only", "A"});  // the voltage's value letter
    result = Run("set --clamp 'CPU Vcore=1.3' 'CPU Ratio=50'");
    EXPECT_EQ(result.nExit, 9);
    EXPECT_THAT(result.strOut, HasSubstr("wrote CPU Ratio = 50 [X] (raw 50): acknowledged\n"))
        << result.strOut;
    EXPECT_EQ(Run("profile save 1").nExit, 9);
    EXPECT_FALSE(std::filesystem::exists(m_strProgramDir + "/saved_profile1.ini"));
}

TEST_F(CtlTest, PosterShowsTheCodeAndTheTextOfTheChosenMode) {
    StartBoard();
    EXPECT_EQ(Run("poster --mode text").strOut, "code 0000\nmode text\ntext Ready\n");
    EXPECT_EQ(Run("poster --mode code").strOut, "code 0000\nmode code\n");
    EXPECT_EQ(Run("poster").strOut, "code 0000\nmode code\n");
    EXPECT_EQ(Run("poster --mode words").nExit, 2);
}

// A profile saved from the board loads back after a change, writing only
// what changed; a file as the window writes it loads too, names in any case,
// values limited to the range, and a file of another board is no profile.
TEST_F(CtlTest, ProfilesSaveShowAndLoadBackOnlyWhatChanged) {
    StartBoard();
    EXPECT_EQ(Run("profile show").strOut, "profile 1: nothing saved\nprofile 2: nothing saved\n");
    ExpectFails("profile load 1 --yes", 12, "profile 1 holds nothing for this board");
    Out("profile save 2");
    EXPECT_THAT(m_dir.ReadFile("program/saved_profile1.ini"),
                AllOf(HasSubstr("[Profile2]"), HasSubstr("CPU Ratio = 49[X]"),
                      HasSubstr("CPU Vcore = 1.25000"), HasSubstr("Ver = TEST-BOARD-7")));
    ASSERT_EQ(Run("set 'CPU Vcore=1.3'").nExit, 0);
    EXPECT_THAT(Run("profile show 2").strOut,
                HasSubstr("  CPU Vcore                1.25000[V]       1.30000[V]\n"));
    ExpectFails("profile load 2", 10, "Apply profile 2 to the board (1 value changes)?", "n\n");
    CtlResult result = Run("profile load 2", "y\n");
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strOut, HasSubstr("CPU Vcore                1.30000[V] -> 1.25000[V]\n"
                                         "wrote CPU Vcore = 1.250000 [V] (raw 1250): acknowledged\n"
                                         "CPU Vcore = 1.250000 [V] (raw 1250)\n"));
    EXPECT_THAT(result.strOut, Not(HasSubstr("wrote CPU Ratio")));
    EXPECT_THAT(Run("profile load 2 --yes").strOut,
                HasSubstr("the board already holds profile 2\n"));

    m_dir.WriteFile("program/saved_profile1.ini",
                    "[Profile1]\ncpu ratio=99[X]\nCPU Vcore=volts\n[version]\nver=test-board-7\n");
    result = Run("profile load 1 --yes");
    EXPECT_EQ(result.nExit, 9) << "an item of the profile was not loaded";
    EXPECT_THAT(result.strOut,
                HasSubstr("CPU Ratio                49[X] -> 60[X] (limited to its range)"));
    EXPECT_THAT(
        result.strOut,
        HasSubstr("CPU Vcore                1.25000[V] stays: the profile holds no number"));
    EXPECT_THAT(result.strOut, HasSubstr("CPU Ratio = 60 [X] (raw 60)"));
    m_dir.WriteFile("program/saved_profile1.ini",
                    "[Profile1]\nCPU Ratio=50[X]\n[Version]\nVer=OTHER\n");
    ExpectFails("profile load 1 --yes", 12,
                "was saved for board version OTHER, not this board's TEST-BOARD-7");
    // A save keeps the other board's profiles in a file of their own.
    result = Run("profile save 2");
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strErr, HasSubstr("held another board's profiles; they were moved to " +
                                         m_strProgramDir + "/saved_profile1 for OTHER.ini"));
    EXPECT_EQ(m_dir.ReadFile("program/saved_profile1 for OTHER.ini"),
              "[Profile1]\nCPU Ratio=50[X]\n[Version]\nVer=OTHER\n");
    const std::string strProfiles = m_strProgramDir + "/saved_profile1.ini";
    ::chmod(strProfiles.c_str(), 0444);
    ExpectFails("profile save 1", 1,
                "cannot write " + strProfiles + ": it is read-only; it stays as it was");
    EXPECT_EQ(Run("profile save").nExit, 2);
    EXPECT_EQ(Run("profile load 3").nExit, 2);
}

// An item whose value the board does not answer is said to be unread, is
// not written unless forced, and the load does not claim success.
TEST_F(CtlTest, AProfileLoadWritesNoItemItCouldNotReadUnlessForced) {
    StartBoard({"--fault", "no-reply", "--fault-only", "A"});  // the voltage's value letter
    m_dir.WriteFile(
        "program/saved_profile1.ini",
        "[Profile1]\nCPU Ratio=49[X]\nCPU Vcore=1.30000\n[Version]\nVer=TEST-BOARD-7\n");
    CtlResult result = Run("profile load 1 --yes");
    EXPECT_EQ(result.nExit, 9);
    EXPECT_THAT(result.strOut, HasSubstr("CPU Vcore                UNREAD not written: the board "
                                         "did not answer its value (--force \"CPU Vcore\""));
    EXPECT_THAT(result.strOut, Not(AnyOf(HasSubstr("already holds"), HasSubstr("wrote"))));
    EXPECT_THAT(result.strErr, HasSubstr("1 item of profile 1 could not be loaded"));
    result = Run("profile load 1 --yes --force 'cpu vcore'");
    EXPECT_EQ(result.nExit, 9) << "the board still does not answer";
    EXPECT_THAT(result.strOut,
                HasSubstr("CPU Vcore                UNREAD -> 1.30000[V]\nwrote CPU Vcore"));
}

TEST_F(CtlTest, LockSaysWhetherTheBoardIsLocked) {
    StartBoard({"--locked"});
    EXPECT_EQ(Run("lock").strOut, "locked\n");
    m_pBoard.reset();
    // Closed one second after the start, for three: room for a slow run.
    StartBoard({"--lock-at", "1+3"});
    EXPECT_TRUE(WaitUntil([&] { return Run("lock").strOut == "locked\n"; }));
    EXPECT_TRUE(WaitUntil([&] { return Run("lock").strOut == "unlocked\n"; }));
}

// A board behind a real serial server: the simulated board on a pseudo-
// terminal, Debian's ser2net serving it on a loopback port, and tunevoctl
// naming it with --board tcp: and with TUNEVO_BOARD.
TEST_F(CtlTest, ABoardBehindSer2netIsReadAndSetOverTcp) {
    StartBoard();
    const int nPort = 20000 + static_cast<int>(getpid() % 20000);
    const std::string strConfig = m_dir.WriteFile(
        "ser2net.yaml", "connection: &board\n  accepter: tcp,127.0.0.1," + std::to_string(nPort) +
                            "\n  connector: serialdev," + m_dir.Path() +
                            "/ports/rfcomm3,57600n81,local\n  options:\n    kickolduser: true\n");
    CChildProcess server("/usr/sbin/ser2net", {"-n", "-c", strConfig, "-P", m_dir.Path() + "/pid"});
    const std::string strBoard = "tcp:127.0.0.1:" + std::to_string(nPort);
    ASSERT_TRUE(WaitUntil([&] { return Run("--board " + strBoard + " scan").nExit == 0; }));
    const std::string strInfo = Out("--board " + strBoard + " info");
    EXPECT_THAT(strInfo, HasSubstr("board: TEST-BOARD-7\nport: " + strBoard));
    EXPECT_THAT(strInfo, HasSubstr("1.250000 [V]"));
    EXPECT_THAT(Out("--board " + strBoard + " set 'CPU Ratio=51'"), HasSubstr("acknowledged"));
    setenv(kBoardVariable, strBoard.c_str(), 1);
    EXPECT_THAT(Out("info"), HasSubstr("51 [X]"));
    unsetenv(kBoardVariable);
    EXPECT_EQ(Out("scan"), "board found: " + strBoard + "\n") << "the board used last comes first";
}

// A serial server that goes down under monitor --reconnect is taken up
// again as soon as it listens again, not at the end of the back-off.
TEST_F(CtlTest, MonitorWithReconnectTakesUpASerialServerAsSoonAsItListensAgain) {
    StartBoard();
    const int nPort = 20000 + static_cast<int>((getpid() + 7919) % 20000);
    const std::string strConfig = m_dir.WriteFile(
        "ser2net.yaml", "connection: &board\n  accepter: tcp,127.0.0.1," + std::to_string(nPort) +
                            "\n  connector: serialdev," + m_dir.Path() +
                            "/ports/rfcomm3,57600n81,local\n");
    const auto startServer = [&] {
        return std::make_unique<CChildProcess>(
            "/usr/sbin/ser2net",
            std::vector<std::string>{"-n", "-c", strConfig, "-P", m_dir.Path() + "/pid"});
    };
    auto pServer = startServer();
    const std::string strBoard = "--board tcp:127.0.0.1:" + std::to_string(nPort);
    ASSERT_TRUE(WaitUntil([&] { return Run(strBoard + " scan").nExit == 0; }));
    std::future<CtlResult> monitor = std::async(std::launch::async, [&] {
        return Run(strBoard + " monitor --interval 0.5 --count 4 --reconnect");
    });
    const auto said = [&](const char* pszFile, const char* pszText) {
        return m_dir.ReadFile(pszFile).find(pszText) != std::string::npos;
    };
    ASSERT_TRUE(WaitUntil([&] { return said("ctl-out.txt", "sample 2"); }));
    pServer.reset();
    // Back once the next try is 8 s away; the server listening again is noticed at once.
    ASSERT_TRUE(WaitUntil([&] { return said("ctl-err.txt", "trying again in 8 s"); },
                          std::chrono::seconds(15)));
    pServer = startServer();
    EXPECT_TRUE(
        WaitUntil([&] { return said("ctl-out.txt", "sample 3"); }, std::chrono::seconds(4)));
    const CtlResult result = monitor.get();
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strErr, HasSubstr("the board answers again"));
}

// A board named by an address that cannot be reached is said plainly, with
// the "no board" code; a name that is no address is a usage error.
TEST_F(CtlTest, ANamedBoardThatCannotBeReachedSaysWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"--board 00:11:22:33:44:55/3 scan", "00:11:22:33:44:55/3"},
        {"--board tcp:127.0.0.1:1 scan", "refused"},
        {"--board /nonexistent/rfcomm0 scan", "/nonexistent/rfcomm0"}};
    for (const auto& [strArguments, strWhy] : cases) {
        ExpectFails(strArguments, 3, strWhy);
    }
    ExpectFails("--board 00:11:22:33:44 scan", 2, "names no board");
    ExpectFails("--board tcp:host scan", 2, "tcp:HOST:PORT");
}

// Listing the boards probes each one but remembers none: the next start
// still searches, or asks, as it would have. A command's board is remembered.
TEST_F(CtlTest, BoardsRemembersNoBoardItProbed) {
    StartBoard();
    const std::string strLast = m_dir.Path() + "/tunevo/board";
    const CtlResult listed = Run("boards");
    EXPECT_EQ(listed.nExit, 0) << listed.strErr;
    EXPECT_THAT(listed.strOut, HasSubstr("rfcomm3"));
    EXPECT_FALSE(std::filesystem::exists(strLast));
    Out("lock");
    EXPECT_EQ(m_dir.ReadFile("tunevo/board"), m_dir.Path() + "/ports/rfcomm3\n");
}

// The boards BlueZ knows, read from python3-dbusmock's BlueZ on a private
// bus that DBUS_SYSTEM_BUS_ADDRESS names: an adapter, a paired board with the
// Serial Port profile, a paired headset without it and an unpaired board;
// and a paired board connecting again, heard by the watch for its return.
TEST_F(CtlTest, BoardsListsBluezsSerialDevicesPairedFirstOrSaysWhyNot) {
    const std::string strBus = "unix:path=" + m_dir.Path() + "/system_bus";
    CChildProcess bus("/usr/bin/dbus-daemon", {"--session", "--nofork", "--address=" + strBus});
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(m_dir.Path() + "/system_bus"); }));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", strBus.c_str(), 1);
    auto bluez = std::make_unique<CChildProcess>(
        "/usr/bin/python3", std::vector<std::string>{"-m", "dbusmock", "--system", "-t", "bluez5"},
        std::vector<std::string>{}, m_dir.Path() + "/bluez.log");
    const std::string strSetUp = m_dir.WriteFile("bluez.py", R"(import dbus, sys, time
bus = dbus.bus.BusConnection(sys.argv[1])
while not bus.name_has_owner('org.bluez'):
    time.sleep(0.05)
mock = dbus.Interface(bus.get_object('org.bluez', '/org/bluez'), 'org.bluez.Mock')
def update(path, interface, values):
    dbus.Interface(bus.get_object('org.bluez', path), 'org.freedesktop.DBus.Mock').UpdateProperties(interface, values)
if sys.argv[2] == 'off':
    update('/org/bluez/hci0', 'org.bluez.Adapter1', {'Powered': False})
    sys.exit(0)
if sys.argv[2] == 'connect':
    update('/org/bluez/hci0/dev_' + sys.argv[3].replace(':', '_'), 'org.bluez.Device1', {'Connected': True})
    sys.exit(0)
mock.AddAdapter('hci0', 'lab-pc')
for address, alias, paired, serial in [('AA:BB:CC:00:00:03', 'Board C', False, True),
                                       ('AA:BB:CC:00:00:02', 'Headset', True, False),
                                       ('AA:BB:CC:00:00:01', 'Board A', True, True)]:
    path = mock.AddDevice('hci0', address, alias)
    if paired:
        mock.PairDevice('hci0', address, 0)
    if serial:
        update(path, 'org.bluez.Device1', {'UUIDs': dbus.Array(['00001101-0000-1000-8000-00805f9b34fb'], signature='s')})
)");
    ASSERT_EQ(
        std::system(("timeout 20 /usr/bin/python3 " + strSetUp + " " + strBus + " on").c_str()), 0);
    const CtlResult listed = Run("boards --json");
    EXPECT_EQ(listed.nExit, 0) << listed.strErr;
    EXPECT_THAT(
        listed.strOut,
        testing::ContainsRegex(
            "\"name\": \"Board A\",\n *\"address\": \"AA:BB:CC:00:00:01/1\",\n *\"paired\": true,"
            "[^]]*\"name\": \"Board C\",\n *\"address\": \"AA:BB:CC:00:00:03/1\",\n *\"paired\": "
            "false"));
    EXPECT_THAT(listed.strOut, testing::Not(HasSubstr("Headset")));

    // A lost board's return is heard when BlueZ says it connected, not another's.
    const std::unique_ptr<IReturnWatch> pWatch = WatchForReturn("AA:BB:CC:00:00:01/1");
    ASSERT_NE(pWatch, nullptr);
    const auto connect = [&](const char* pszAddress) {
        return std::system(("timeout 20 /usr/bin/python3 " + strSetUp + " " + strBus + " connect " +
                            pszAddress)
                               .c_str());
    };
    const auto appeared = [&] { return pWatch->TakeAppeared(); };
    ASSERT_EQ(connect("AA:BB:CC:00:00:03"), 0);
    EXPECT_FALSE(WaitUntil(appeared, std::chrono::milliseconds(500)));
    ASSERT_EQ(connect("AA:BB:CC:00:00:01"), 0);
    EXPECT_TRUE(WaitUntil(appeared, std::chrono::seconds(2)));

    ASSERT_EQ(
        std::system(("timeout 20 /usr/bin/python3 " + strSetUp + " " + strBus + " off").c_str()),
        0);
    EXPECT_THAT(Run("boards").strErr, HasSubstr("adapter is switched off"));
    bluez.reset();
    EXPECT_THAT(Run("boards").strErr, HasSubstr("BlueZ is not running"));
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

// A fan that stops, starts and stops again under tunevoctl monitor --csv:
// every value read is a line of six columns, and the alarm log holds one
// entry for each stop.
TEST_F(CtlTest, MonitorRecordsEveryValueAsCsvAndLogsEachComingIntoAlarm) {
    CBoardDescription description;
    std::string strError;
    ASSERT_TRUE(description.Parse(kSmallBoard, strError)) << strError;
    auto pBoard = std::make_shared<CBoardModel>(description);
    CPtyBoardServer server(pBoard);
    std::filesystem::create_directories(m_dir.Path() + "/ports");
    ASSERT_TRUE(server.Start(m_dir.Path() + "/ports/rfcomm3", strError)) << strError;
    const std::string strCsv = m_dir.Path() + "/values.csv";
    std::future<CtlResult> monitor = std::async(std::launch::async, [&] {
        return Run("monitor --csv --interval 0.3 --count 9 --output " + strCsv);
    });
    // Two values a sample; the fan stops from sample 2 to 3 and again at 7.
    const auto afterSample = [&](size_t nSample) {
        return WaitUntil([&] { return Lines(m_dir.ReadFile("values.csv")) > 1 + 2 * nSample; });
    };
    ASSERT_TRUE(afterSample(1));
    pBoard->HoldValue("CPU Fan", 0);
    ASSERT_TRUE(afterSample(4));
    pBoard->HoldValue("CPU Fan", std::nullopt);
    ASSERT_TRUE(afterSample(6));
    pBoard->HoldValue("CPU Fan", 0);
    const CtlResult result = monitor.get();
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_EQ(result.strOut, "") << "the samples went to the file";
    const std::string strValues = m_dir.ReadFile("values.csv");
    EXPECT_EQ(Lines(strValues), 1u + 2u * 9u);
    EXPECT_EQ(strValues.substr(0, strValues.find('\n')), "time,item,category,value,unit,alarm");
    EXPECT_THAT(strValues,
                testing::ContainsRegex(
                    "\n[0-9-]{10}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2},CPU Fan,HW_Fan,0,RPM,1\n"));
    EXPECT_THAT(strValues, testing::ContainsRegex(",CPU,HW_Temp,[0-9]+,\u00B0C,0\n"));
    const CtlResult alarms = Run("alarms --json");
    ASSERT_EQ(alarms.nExit, 0);
    const nlohmann::json list = nlohmann::json::parse(alarms.strOut);
    ASSERT_EQ(list.size(), 2u) << alarms.strOut;
    for (const nlohmann::json& entry : list) {
        EXPECT_EQ(entry["item"], "CPU Fan");
        EXPECT_EQ(entry["board"], "TEST-BOARD-7");
        EXPECT_EQ(entry["value"], "0");
    }
    ExpectFails("monitor --csv --output " + strCsv, 2, "exists");
}

// A recording killed mid-write leaves whole lines only.
TEST_F(CtlTest, AKilledRecordingLeavesWholeLines) {
    StartBoard();
    const std::string strCsv = m_dir.Path() + "/killed.csv";
    CChildProcess monitor(TUNEVO_CTL_PROGRAM,
                          {"monitor", "--csv", "--interval", "0.01", "--output", strCsv},
                          {"TUNEVO_PORT_PATTERN=" + m_dir.Path() + "/ports/rfcomm%d",
                           "TUNEVO_DIR=" + m_strProgramDir, "TUNEVO_RFKILL_DIR=" + m_strRfkill});
    ASSERT_TRUE(WaitUntil([&] { return Lines(m_dir.ReadFile("killed.csv")) > 40; }));
    ::kill(monitor.Pid(), SIGKILL);
    monitor.WaitExit(5000);
    const std::string strValues = m_dir.ReadFile("killed.csv");
    ASSERT_FALSE(strValues.empty());
    EXPECT_EQ(strValues.back(), '\n');
    std::istringstream lines(strValues);
    for (std::string strLine; std::getline(lines, strLine);) {
        EXPECT_EQ(std::count(strLine.begin(), strLine.end(), ','), 5) << strLine;
    }
}

// monitor --reconnect carries on when the board goes away and comes back;
// every sample asked for is printed, the gap said on standard error.
TEST_F(CtlTest, MonitorWithReconnectGoesOnWhenTheBoardComesBack) {
    StartBoard();
    std::future<CtlResult> monitor = std::async(
        std::launch::async, [this] { return Run("monitor --interval 0.5 --count 6 --reconnect"); });
    ASSERT_TRUE(WaitUntil(
        [&] { return m_dir.ReadFile("ctl-out.txt").find("sample 2") != std::string::npos; }));
    m_pBoard.reset();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    StartBoard();
    const CtlResult result = monitor.get();
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_THAT(result.strOut, HasSubstr("sample 6"));
    EXPECT_THAT(result.strErr, HasSubstr("out of reach; trying again in 1 s"));
    EXPECT_THAT(result.strErr, HasSubstr("the board answers again"));
}

}  // namespace
