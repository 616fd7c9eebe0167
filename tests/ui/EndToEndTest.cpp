// The real programs, started as a user would, on the offscreen platform.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <filesystem>

#include "shell/CSingleCopyGuard.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/CRecordingListener.h"
#include "tests/support/TempDir.h"

namespace {

int ExitCode(int nStatus) {
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1000 - nStatus;
}

class EndToEndTest : public testing::Test {
protected:
    EndToEndTest() {
        std::filesystem::copy_file(TUNEVO_LOCALE_FILE, m_dir.Path() + "/BT_LocaleStr.ini");
    }
    std::vector<std::string> Environment(const std::string& strPattern) const {
        return {"QT_QPA_PLATFORM=offscreen", "TUNEVO_DIR=" + m_dir.Path(),
                "TUNEVO_PORT_PATTERN=" + strPattern, "LC_ALL=en_US.UTF-8"};
    }
    TempDir m_dir;
    TempDir m_ports;
};

TEST_F(EndToEndTest, TheDemoStartsAndRendersTheSplash) {
    const std::string strShot = m_dir.Path() + "/demo.png";
    CChildProcess tunevo(TUNEVO_PROGRAM, {"--demo", "--screenshot", strShot, "--after", "1500"},
                         Environment(m_ports.Path() + "/none%d"));
    ASSERT_EQ(ExitCode(tunevo.WaitExit(30000)), 0);
    QImage image(QString::fromStdString(strShot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(480, 696));
}

TEST_F(EndToEndTest, TunevoFindsTunevoBoardOnPort5) {
    CChildProcess board(TUNEVO_BOARD_PROGRAM, {"--link", m_ports.Path() + "/rfcomm5"});
    ASSERT_TRUE(
        WaitUntil([&] { return std::filesystem::is_symlink(m_ports.Path() + "/rfcomm5"); }));
    const std::string strShot = m_dir.Path() + "/small.png";
    CChildProcess tunevo(TUNEVO_PROGRAM,
                         {"--screen", "240x268", "--screenshot", strShot, "--after", "1500"},
                         Environment(m_ports.Path() + "/rfcomm%d"));
    ASSERT_EQ(ExitCode(tunevo.WaitExit(30000)), 0);
    QImage image(QString::fromStdString(strShot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(240, 268));
}

TEST_F(EndToEndTest, WithoutABoardTheLinkLostMessageIsUp) {
    const std::string strShot = m_dir.Path() + "/lost.png";
    CChildProcess tunevo(TUNEVO_PROGRAM, {"--screenshot", strShot, "--after", "2000"},
                         Environment(m_ports.Path() + "/rfcomm%d"));
    ASSERT_EQ(ExitCode(tunevo.WaitExit(30000)), 0);
    QImage image(QString::fromStdString(strShot));
    ASSERT_FALSE(image.isNull());
    // The message box lies over the centre: mostly light pixels on the dark page.
    int nLight = 0;
    int nAll = 0;
    for (int y = image.height() / 2 - 10; y < image.height() / 2 + 10; ++y) {
        for (int x = 60; x < image.width() - 60; ++x, ++nAll) {
            nLight += image.pixelColor(x, y).lightness() > 200 ? 1 : 0;
        }
    }
    EXPECT_GT(nLight, nAll / 2);
}

TEST_F(EndToEndTest, ASecondCopyExitsWithMinusOneWhileTheFirstRuns) {
    CChildProcess first(TUNEVO_PROGRAM, {"--demo"}, Environment(m_ports.Path() + "/none%d"));
    const QString strLock = QDir::temp().filePath(
        CSingleCopyGuard::KeyForProgramDir(QString::fromStdString(m_dir.Path())) + ".lock");
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(strLock); }));
    // The second copy retries until the first shows its window.
    CChildProcess second(TUNEVO_PROGRAM, {"--demo"}, Environment(m_ports.Path() + "/none%d"));
    EXPECT_EQ(ExitCode(second.WaitExit(20000)), 255);
    // The first copy was still running, and ends cleanly when terminated.
    EXPECT_EQ(ExitCode(first.Terminate()), 0);
    EXPECT_FALSE(QFile::exists(strLock));
}

TEST_F(EndToEndTest, BadArgumentsAreRefusedWithUsage) {
    CChildProcess tunevo(TUNEVO_PROGRAM, {"--screen", "abc"}, Environment("/dev/null%d"));
    EXPECT_EQ(ExitCode(tunevo.WaitExit(10000)), 2);
}

}  // namespace
