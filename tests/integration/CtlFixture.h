#pragma once

// tunevoctl against tunevo-board on a pseudo-terminal, each test in a
// folder of its own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/CChildProcess.h"
#include "tests/support/CtlRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

// A small board, so that each command's start-up load takes about a second.
inline size_t Lines(const std::string& strText) {
    return static_cast<size_t>(std::count(strText.begin(), strText.end(), '\n'));
}

inline const std::string kSmallBoard =
    "[Version]\nVer=TEST-BOARD-7\n"
    "[Over_Volt]\nCount=1\n1=CPU Vcore,2,1,800,1600,1250,1,1000,0,0,65,97,1250,1\n"
    "[Over_Ratio]\nCount=1\n1=CPU Ratio,1,0,8,60,49,1,1,0,0,74,106,49,1\n"
    "[HW_Temp]\nCount=1\n1=CPU,2,0,0,125,62,1,1,0,200,81,0,62,1\n"
    "[HW_Fan]\nCount=1\n1=CPU Fan,2,0,0,5000,1450,1,1,0,0,85,0,1450,1\n";

class CtlTest : public testing::Test {
protected:
    // The board used last, the alarm log and recordings are kept here, not
    // in the user's own folders.
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", m_dir.Path().c_str(), 1);
        setenv("XDG_DATA_HOME", (m_dir.Path() + "/data").c_str(), 1);
    }
    void TearDown() override {
        m_pBoard.reset();
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
    }

    // Starts tunevo-board on port 3 serving the small board (or another), with more options.
    void StartBoard(std::vector<std::string> arguments = {},
                    const std::string& strDescription = kSmallBoard) {
        const std::string strLink = m_dir.Path() + "/ports/rfcomm3";
        std::filesystem::create_directories(m_dir.Path() + "/ports");
        const std::string strBoard = m_dir.WriteFile("board.ini", strDescription);
        arguments.insert(arguments.begin(), {"--link", strLink, "--board", strBoard});
        m_pBoard = std::make_unique<CChildProcess>(TUNEVO_BOARD_PROGRAM, arguments);
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::is_symlink(strLink); }));
        std::filesystem::create_directories(m_dir.Path() + "/program");
        std::filesystem::copy_file(TUNEVO_SOURCE_DIR "/resources/dbcd-V03.ini",
                                   m_dir.Path() + "/program/dbcd-V03.ini",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    // Runs tunevoctl with the (shell-quoted) arguments and standard input,
    // or the output of an input command through a pipe held open while it runs.
    CtlResult Run(const std::string& strArguments, const std::string& strInput = "",
                  const std::string& strInputCommand = "") {
        return RunCtl(TUNEVO_CTL_PROGRAM,
                      {m_dir.Path() + "/ports/rfcomm%d", m_strProgramDir, m_strRfkill}, m_dir,
                      strArguments, strInput, strInputCommand);
    }

    // Runs a command that must succeed, and gives its standard output.
    std::string Out(const std::string& strArguments, const std::string& strInput = "") {
        const CtlResult result = Run(strArguments, strInput);
        EXPECT_EQ(result.nExit, 0) << strArguments << ": " << result.strErr;
        return result.strOut;
    }
    // Runs a command that must end with an exit code and say why on standard error.
    void ExpectFails(const std::string& strArguments, int nExit, const std::string& strWhy,
                     const std::string& strInput = "") {
        const CtlResult result = Run(strArguments, strInput);
        EXPECT_EQ(result.nExit, nExit) << strArguments;
        EXPECT_THAT(result.strErr, testing::HasSubstr(strWhy)) << strArguments;
    }

    TempDir m_dir;
    std::string m_strRfkill = m_dir.Path() + "/no-rfkill";
    std::string m_strProgramDir = m_dir.Path() + "/program";
    std::unique_ptr<CChildProcess> m_pBoard;
};

