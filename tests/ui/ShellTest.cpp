// The application shell: the tap filter, the command line, the single copy and the report bridge.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QObject>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <thread>

#include "app/CommandLine.h"
#include "link/CRecordingListener.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CSingleCopyGuard.h"
#include "shell/CTunevoApp.h"
#include "tests/support/TempDir.h"
#include "widgets/ScreenLayout.h"

namespace {

using namespace std::chrono_literals;

// Counts the presses and releases that reach it.
class TapTarget final : public QWidget {
public:
    TapTarget() { setFixedSize(480, 696); }
    int m_nTaps = 0;  // a press and its release count one each

protected:
    void mousePressEvent(QMouseEvent*) override { ++m_nTaps; }
    void mouseReleaseEvent(QMouseEvent*) override { ++m_nTaps; }
};

class TapFilterTest : public testing::Test {
protected:
    TapFilterTest() {
        g_rcPoster = {15, 228, 450, 540};
        m_target.show();
        m_app.SetTapArea(&m_target);
    }
    ~TapFilterTest() override {
        m_app.SetTapArea(nullptr);
        m_app.SetInputLocked(false);
        m_app.SetScreenLocked(false);
    }
    CTunevoApp& m_app = *CTunevoApp::Instance();
    TapTarget m_target;
};

// While the input lock holds, only taps inside the poster's place reach the
// main window's own surface; other windows and the screen lock pass.
TEST_F(TapFilterTest, WithInputLockedOnlyTapsInsideThePosterAreaReachTheMainWindow) {
    m_app.SetScreenLocked(true);
    QTest::mouseClick(&m_target, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(m_target.m_nTaps, 2) << "only the input lock filters taps";
    m_app.SetInputLocked(true);
    QTest::mouseClick(&m_target, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&m_target, Qt::LeftButton, {}, QPoint(450, 300));  // right edge is outside
    EXPECT_EQ(m_target.m_nTaps, 2);
    QTest::mouseClick(&m_target, Qt::LeftButton, {}, QPoint(15, 228));
    QTest::mouseClick(&m_target, Qt::LeftButton, {}, QPoint(449, 539));
    EXPECT_EQ(m_target.m_nTaps, 6);
    // A message box or the title strip's OK must still take taps, wherever it lies.
    TapTarget box;
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(box.m_nTaps, 2);
}

TEST(CommandLine, ShowOpensThePowerOrPosterScreenOrAMonitorList) {
    QString strError;
    const auto args = ParseCommandLine({QStringLiteral("--show"), QStringLiteral("fan")}, strError);
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(args->strShow, QStringLiteral("fan"));
    EXPECT_FALSE(
        ParseCommandLine({QStringLiteral("--show"), QStringLiteral("fans")}, strError).has_value());
    EXPECT_EQ(strError,
              QStringLiteral("--show takes power, poster, save-profile-1, save-profile-2, "
                             "load-profile-1, load-profile-2, display-setting, voltage, "
                             "temperature, fan, frequency, voltage-graph, temperature-graph, "
                             "fan-graph, frequency-graph, alarm-log, journal"));
    EXPECT_FALSE(ParseCommandLine({QStringLiteral("--show")}, strError).has_value());
    for (const char* pszBad : {"--screen=50x50", "--after=-1", "--frobnicate", "stray"}) {
        EXPECT_FALSE(ParseCommandLine({QString::fromLatin1(pszBad)}, strError).has_value())
            << pszBad;
    }
    EXPECT_TRUE(ParseCommandLine({QStringLiteral("--version")}, strError).value().bVersion);
    // Fast unless asked otherwise, by the option or else the environment.
    EXPECT_EQ(ParseCommandLine({}, strError)->timing, ELinkTiming::Fast);
    qputenv(kLinkTimingVariable, "fixed");
    EXPECT_EQ(ParseCommandLine({}, strError)->timing, ELinkTiming::Fixed);
    EXPECT_EQ(ParseCommandLine({QStringLiteral("--link-timing=fast")}, strError)->timing,
              ELinkTiming::Fast);
    qunsetenv(kLinkTimingVariable);
    EXPECT_FALSE(ParseCommandLine({QStringLiteral("--link-timing=slow")}, strError).has_value());
    EXPECT_EQ(strError, QStringLiteral("--link-timing takes fast or fixed"));
}

// A --screen size that would cut off the screens is refused.
TEST(CommandLine, NoScreenSizeCutsOffTheScreens) {
    // The layout a client size chooses, and whether --screen takes the size.
    const struct {
        const char* pszSize;
        int nLayout;
        bool bTaken;
    } sizes[] = {{"480x696", LayoutLarge, true},  {"1920x1080", LayoutLarge, true},
                 {"480x536", LayoutMedium, true}, {"480x549", LayoutMedium, true},
                 {"240x268", LayoutSmall, true},  {"240x900", LayoutSmall, true},
                 {"800x600", LayoutLarge, false}, {"480x521", LayoutMedium, false},
                 {"240x250", LayoutSmall, false}, {"300x700", LayoutLarge, false},
                 {"480x550", LayoutLarge, false}, {"480x520", LayoutLarge, false}};
    QString strError;
    for (const auto& size : sizes) {
        const QString strSize = QString::fromLatin1(size.pszSize);
        const QStringList parts = strSize.split(u'x');
        EXPECT_EQ(ChooseLayout(QSize(parts[0].toInt(), parts[1].toInt())), size.nLayout)
            << strSize.toStdString();
        strError.clear();
        const auto line = ParseCommandLine({QStringLiteral("--screen"), strSize}, strError);
        EXPECT_EQ(line.has_value(), size.bTaken) << size.pszSize;
        EXPECT_EQ(strError.contains(u"480x536 to 480x549"), !size.bTaken) << size.pszSize;
    }
    EXPECT_FALSE(ParseCommandLine({}, strError)->clientSize.isValid());
    // Full screen, the device keeps its size in the middle of the screen.
    CDeviceFrame frame(QSize(240, 268));
    EXPECT_FALSE(frame.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Tunevo"));
    frame.ShowFullScreen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.size() == frame.screen()->size(); }));
    const QRect client(frame.ClientArea().mapTo(&frame, QPoint(0, 0)), QSize(240, 268));
    EXPECT_EQ(client.center(), frame.rect().center());
}

QString UniqueKey() {
    return CSingleCopyGuard::KeyForProgramDir(
        QStringLiteral("/test/%1").arg(QDateTime::currentMSecsSinceEpoch()) +
        QString::number(reinterpret_cast<quintptr>(&UniqueKey)));
}

// Claims the key as a second copy would, from its own thread while this one
// serves the first copy's socket. 1: go on, 0: the first copy was raised.
int ClaimAsSecondCopy(const QString& strKey, int nTries, std::chrono::milliseconds interval) {
    std::atomic<int> nSecond{-1};
    std::thread second([&] {
        CSingleCopyGuard guard(strKey, nTries, interval);
        nSecond = guard.Claim() ? 1 : 0;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return nSecond.load() != -1; }, 10000));
    second.join();
    return nSecond.load();
}

TEST(SingleCopy, TheFirstCopyRunsAndASecondOneRaisesItsWindowAndStops) {
    // The lock and socket live in the user's own runtime folder, not in /tmp.
    TempDir runtime;
    ASSERT_EQ(::chmod(runtime.Path().c_str(), 0700), 0);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path()));
    const QString strKey = UniqueKey();
    CSingleCopyGuard first(strKey);
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(runtime.Path()) + "/" + strKey + ".lock"));
    EXPECT_FALSE(QFileInfo::exists(QDir::temp().filePath(strKey + ".lock")));
    QWidget window;
    window.show();
    first.SetWindow(&window);
    EXPECT_EQ(ClaimAsSecondCopy(strKey, 40, 20ms), 0);
    qunsetenv("XDG_RUNTIME_DIR");
    // Copies from another folder are other programs.
    EXPECT_NE(CSingleCopyGuard::KeyForProgramDir(QStringLiteral("/a")),
              CSingleCopyGuard::KeyForProgramDir(QStringLiteral("/b")));
    // A second copy starts when the first shows no window in time.
    const QString strSilent = UniqueKey() + QStringLiteral("-nowindow");
    CSingleCopyGuard silent(strSilent);
    ASSERT_TRUE(silent.Claim());
    EXPECT_EQ(ClaimAsSecondCopy(strSilent, 3, 10ms), 1);
}

// A screen-like receiver: records the reports and whether each came on the main thread.
class Receiver final : public QObject, public CRecordingListener {
public:
    bool m_bAllOnMainThread = true;

protected:
    void Add(Report report) override {
        m_bAllOnMainThread = m_bAllOnMainThread &&
                             QThread::currentThread() == QCoreApplication::instance()->thread();
        CRecordingListener::Add(std::move(report));
    }
};

TEST(ListenerBridge, HandsWorkerReportsToTheMainThreadInTheirOrder) {
    CListenerBridge bridge;
    Receiver receiver;
    bridge.SetReceiver(&receiver, &receiver);
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            bridge.OnArrayRefreshed(i, true);
        }
        bridge.OnLinkError(5, "Generate INIConfig fileerror \n");
        bridge.OnPosterText(0x1A2, true, "01A2");
        bridge.OnPowerCommandDone(false, 0);
    });
    worker.join();
    EXPECT_TRUE(receiver.Reports().empty()) << "nothing may arrive off the main thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.Reports().size() == 203; }, 5000));

    auto reports = receiver.Reports();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(reports[static_cast<size_t>(i)].nFirst, i);
    }
    EXPECT_EQ(reports[200].strText, "Generate INIConfig fileerror \n");
    EXPECT_EQ(reports[201].nFirst, 0x1A2);
    EXPECT_EQ(reports[201].strText, "01A2");
    EXPECT_EQ(reports[202].strOperation, "OnPowerCommandDone");
    EXPECT_EQ(reports[202].nSecond, 0);
    EXPECT_TRUE(receiver.m_bAllOnMainThread);
    // A report goes to the receiver of the moment it arrives, and is dropped without one.
    auto pMainWindow = std::make_unique<Receiver>();
    bridge.OnLinkState(true);
    QCoreApplication::processEvents();
    bridge.SetReceiver(pMainWindow.get(), pMainWindow.get());
    bridge.OnLockState(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.Count("OnLinkState", true), 1u);
    EXPECT_EQ(receiver.Count("OnLockState"), 0u);
    EXPECT_EQ(pMainWindow->Count("OnLockState", true), 1u);
    // A receiver that is gone: nothing is called on freed memory (the
    // sanitizer build would catch it) and later reports are dropped as well.
    bridge.OnApplied(true);
    pMainWindow.reset();
    QCoreApplication::processEvents();
    bridge.OnApplied(false);
    QCoreApplication::processEvents();
    bridge.SetReceiver(&receiver, &receiver);
    QCoreApplication::processEvents();
    EXPECT_EQ(receiver.Count("OnApplied"), 0u);
}

}  // namespace
