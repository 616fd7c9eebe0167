// The real programs, started as a user would, on the offscreen platform.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "data/FileStore.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "shell/CDeviceFrame.h"
#include "shell/CSingleCopyGuard.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/ui/Pixels.h"

namespace {

class EndToEndTest : public testing::Test {
protected:
    EndToEndTest() {
        std::filesystem::copy_file(TUNEVO_LOCALE_FILE, m_dir.Path() + "/BT_LocaleStr.ini");
    }
    std::vector<std::string> Environment(const std::string& strPattern) const {
        return {"QT_QPA_PLATFORM=offscreen",           "TUNEVO_DIR=" + m_dir.Path(),
                "TUNEVO_PORT_PATTERN=" + strPattern,   "LC_ALL=en_US.UTF-8",
                "XDG_RUNTIME_DIR=" + m_runtime.Path(), "XDG_DATA_HOME=" + m_dir.Path(),
                // The board used last is this test's, never one of the user's.
                "XDG_CONFIG_HOME=" + m_dir.Path()};
    }
    // Runs tunevo until it saves its window and returns the picture.
    QImage Screenshot(std::vector<std::string> args, const std::string& strPattern,
                      const std::string& strAfterMs = "2000") {
        const std::string strShot = m_dir.Path() + "/shot.png";
        args.insert(args.end(), {"--screenshot", strShot, "--after", strAfterMs});
        CChildProcess tunevo(TUNEVO_PROGRAM, args, Environment(strPattern));
        EXPECT_EQ(tunevo.WaitExit(40000), 0);
        return QImage(QString::fromStdString(strShot));
    }

    TempDir m_dir;
    TempDir m_ports;
    // The user's private runtime folder, where the single-copy lock lives.
    TempDir m_runtime;
};

// How much of the band across the middle is light: the link-lost message
// box lies there over the dark page.
double LightShareOfMiddle(const QImage& image) {
    int nLight = 0;
    int nAll = 0;
    for (int y = image.height() / 2 - 10; y < image.height() / 2 + 10; ++y) {
        for (int x = image.width() / 8; x < image.width() * 7 / 8; ++x, ++nAll) {
            nLight += image.pixelColor(x, y).lightness() > 200 ? 1 : 0;
        }
    }
    return nAll > 0 ? double(nLight) / nAll : 0.0;
}

// The demo keeps to a folder of its own: a real board's files beside it stay as they were.
TEST_F(EndToEndTest, TheDemoLoadsItsBoardAndShowsItsStoppedFanInRed) {
    const std::string strRealBoard = "[Version]\nVer=REAL-BOARD\n";
    const std::string strKept = m_dir.WriteFile("BiosConf_Kolt_V120.ini", strRealBoard);
    const QImage image =
        Screenshot({"--demo", "--show", "fan"}, m_ports.Path() + "/none%d", "12000");
    ASSERT_FALSE(image.isNull());
    std::string strAfter;
    ASSERT_TRUE(ReadRegularFile(strKept, strAfter));
    EXPECT_EQ(strAfter, strRealBoard);
    std::string strDemo;
    EXPECT_TRUE(ReadRegularFile(m_dir.Path() + "/demo/BiosConf_Kolt_V120.ini", strDemo));
    EXPECT_NE(strDemo.find("TVB-Z790"), std::string::npos);
    // The client area between the title strip and the soft-key bar.
    EXPECT_EQ(image.size(), QSize(480, 696 + 2 * CDeviceFrame::StripHeight(480)));
    EXPECT_LT(LightShareOfMiddle(image), 0.1) << "no link-lost message";
    // The fan list of the large layout: the page at (10, 58), the list 5 and
    // 105 pixels into it, labels 200 pixels wide, then values 100 wide.
    const int nListTop = CDeviceFrame::StripHeight(480) + 58 + 105;
    const QRect rcLabels(15, nListTop, 200, 150);
    const QRect rcValues(215, nListTop, 100, 150);
    EXPECT_GT(CountPixels(image, rcValues, IsAlarmRed), 0) << "Chassis Fan 2 stands still";
    EXPECT_GT(CountPixels(image, rcValues, IsTextWhite), 0) << "the other fans run";
    EXPECT_EQ(CountPixels(image, rcLabels, IsAlarmRed), 0);
    EXPECT_GT(CountPixels(image, rcLabels, IsTextWhite), 0);
}

TEST_F(EndToEndTest, ABoardThatVanishesAndReturnsIsTakenUpAgainByTheSameWindow) {
    auto pBoard = std::make_shared<CBoardModel>();
    const auto lockQueries = [&pBoard] {
        const Frame query = BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterLockStatus);
        return std::ranges::count(pBoard->Requests(), query);
    };
    const std::string strLink = m_ports.Path() + "/rfcomm2";
    CPtyBoardServer server(pBoard);
    std::string strError;
    ASSERT_TRUE(server.Start(strLink, strError)) << strError;
    CChildProcess tunevo(TUNEVO_PROGRAM, {}, Environment(m_ports.Path() + "/rfcomm%d"));
    // The main window asks for the lock once it is up; then the board goes.
    ASSERT_TRUE(WaitUntil([&] { return lockQueries() > 0; }, std::chrono::seconds(60)));
    server.Stop();
    // Away past four tries (after 1, 2, 4 and 8 s): the next would come
    // some 10 s after its return, but its device node coming back is
    // noticed at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(15500));
    const auto nBefore = lockQueries();
    ASSERT_TRUE(server.Start(strLink, strError)) << strError;
    const auto back = std::chrono::steady_clock::now();
    // Only a main window that loaded the board again asks for its lock.
    ASSERT_TRUE(WaitUntil([&] { return lockQueries() > nBefore; }, std::chrono::seconds(6)))
        << "the window did not take the board up again when it came back";
    RecordProperty("reconnect_ms",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - back)
                                        .count()));
    EXPECT_EQ(tunevo.Terminate(), 0) << "a clean end, every thread stopped";
}

TEST_F(EndToEndTest, ASecondCopyExitsWithMinusOneWhileTheFirstRuns) {
    // Demos keep to their own folder, and exclude each other there.
    const std::string strDemoDir = m_dir.Path() + "/demo";
    CChildProcess first(TUNEVO_PROGRAM, {"--demo"}, Environment(m_ports.Path() + "/none%d"));
    ASSERT_EQ(::chmod(m_runtime.Path().c_str(), 0700), 0);
    const QString strLock =
        QDir(QString::fromStdString(m_runtime.Path()))
            .filePath(CSingleCopyGuard::KeyForProgramDir(QString::fromStdString(strDemoDir)) +
                      ".lock");
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists(strLock); }));
    // The second copy retries until the first shows its window.
    const std::string strSaid = m_dir.Path() + "/second.txt";
    CChildProcess second(TUNEVO_PROGRAM, {"--demo"}, Environment(m_ports.Path() + "/none%d"),
                         strSaid);
    EXPECT_EQ(second.WaitExit(20000), 255);
    EXPECT_EQ(m_dir.ReadFile("second.txt"),
              "tunevo: already running from " + strDemoDir + "; brought its window to the front\n");
    // The first copy was still running, and ends cleanly when terminated.
    EXPECT_EQ(first.Terminate(), 0);
    EXPECT_FALSE(QFile::exists(strLock));
    // Help and version need no display.
    EXPECT_EQ(CChildProcess(TUNEVO_PROGRAM, {"--version"}, {"QT_QPA_PLATFORM=xcb", "DISPLAY="})
                  .WaitExit(10000),
              0);
    // Bad arguments are refused with the usage exit code.
    EXPECT_EQ(CChildProcess(TUNEVO_PROGRAM, {"--screen", "abc"}, Environment("/dev/null%d"))
                  .WaitExit(10000),
              2);
}

}  // namespace
