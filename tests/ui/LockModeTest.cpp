#include <QImage>
#include <QPushButton>

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CSubScreen_Monitor.h"
#include "shell/CScreen_Lock.h"
#include "shell/CTunevoApp.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "widgets/ScreenLayout.h"

namespace {

using namespace std::chrono_literals;

class LockModeTest : public MainWindowFixture {
protected:
    // Opens the main window with its polls running.
    CTunevoDlg& OpenPolling(QSize clientSize = kDefaultClientSize) {
        StartBoard();
        CTunevoDlg& dlg = OpenMainWindow(clientSize);
        WaitForLockCheck();
        return dlg;
    }
    bool LockBoard(bool bLocked) {
        m_pBoard->SetLocked(bLocked);
        return WaitFor([&] { return m_pDlg->IsBoardLocked() == bLocked; });
    }
    static bool AppLocked() {
        const CTunevoApp& app = *CTunevoApp::Instance();
        return app.IsInputLocked() && app.IsScreenLocked();
    }
    // The read of the first over-clock voltage, which every over-clock refresh makes.
    size_t VcoreReads() const { return CountSent(BuildCommandFrame(Protocol::kStartQuery, 'A')); }
};

TEST_F(LockModeTest, ALockShowsTheBannerAndThePosterAndLocksEverythingElse) {
    CTunevoDlg& dlg = OpenPolling();
    ASSERT_TRUE(LockBoard(true));
    EXPECT_TRUE(dlg.LockBanner().isVisible());
    EXPECT_EQ(dlg.LockBanner().geometry(), QRect(0, 582, 480, 114));
    EXPECT_TRUE(dlg.PosterScreen().isVisible());
    EXPECT_EQ(dlg.PosterScreen().geometry(), g_rcPoster.ToQRect());
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_TRUE(AppLocked());

    // The monitor tab and the banner ignore taps; the title strip's OK still works.
    Tap(&dlg, QPoint(300, 20));
    EXPECT_EQ(dlg.Page(), 0);
    Tap(&dlg.LockBanner(), QPoint(240, 50));
    EXPECT_TRUE(dlg.LockBanner().isVisible());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    QTest::mouseClick(&m_pFrame->OkButton(), Qt::LeftButton);
    EXPECT_EQ(m_pEnded->count(), 1);
}

TEST_F(LockModeTest, UnlockingOnTheOverClockPageRefreshesItsArraysASecondLater) {
    CTunevoDlg& dlg = OpenPolling();
    ASSERT_TRUE(LockBoard(true));
    EXPECT_FALSE(dlg.RefreshOcTimer().isActive());
    ASSERT_TRUE(LockBoard(false));
    EXPECT_FALSE(dlg.LockBanner().isVisible());
    EXPECT_FALSE(dlg.PosterScreen().isVisible());
    EXPECT_FALSE(AppLocked());
    EXPECT_TRUE(SoftKeysEnabled());
    EXPECT_TRUE(dlg.RefreshOcTimer().isActive());
    EXPECT_EQ(dlg.RefreshOcTimer().interval(), 1000);

    const size_t nBefore = VcoreReads();
    ASSERT_TRUE(WaitFor([&] { return !dlg.RefreshOcTimer().isActive(); }, 3000)) << "it fires once";
    ASSERT_TRUE(WaitFor([&] { return VcoreReads() > nBefore; }));
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsBackgroundBusy(); }));
    QTest::qWait(300);
    EXPECT_TRUE(m_messageBox.Shown().isEmpty()) << "the refresh succeeded";
}

TEST_F(LockModeTest, TheMonitorPageStopsItsRefreshWhileLockedAndRestartsItAtTheUnlock) {
    CTunevoDlg& dlg = OpenPolling();
    Tap(&dlg, QPoint(300, 20));
    ASSERT_EQ(dlg.Page(), 1);
    CSubScreen_Monitor& page = dlg.MonitorPage();
    ASSERT_TRUE(page.IsRefreshRunning());
    ASSERT_TRUE(LockBoard(true));
    EXPECT_FALSE(page.IsRefreshRunning());
    // The category tabs ignore taps while locked.
    Tap(&page, page.TabRect(CSubScreen_Monitor::kCategoryFan).center());
    EXPECT_EQ(page.Category(), CSubScreen_Monitor::kCategoryVolt);

    ASSERT_TRUE(LockBoard(false));
    EXPECT_TRUE(page.IsRefreshRunning());
    EXPECT_FALSE(dlg.RefreshOcTimer().isActive()) << "no over-clock refresh on this page";
    EXPECT_TRUE(SoftKeysEnabled());
    Tap(&page, page.TabRect(CSubScreen_Monitor::kCategoryFan).center());
    EXPECT_EQ(page.Category(), CSubScreen_Monitor::kCategoryFan);
}

TEST_F(LockModeTest, WhileLockedThePosterAndThePowerScreenTakeTurnsUntilTheUnlock) {
    CTunevoDlg& dlg = OpenPolling();
    CScreen_LumoPoster& poster = dlg.PosterScreen();
    CScreen_LumoPower& power = dlg.PowerScreen();
    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    ASSERT_TRUE(LockBoard(true));
    EXPECT_FALSE(power.isVisible());
    EXPECT_TRUE(power.IsActive()) << "it comes back at the unlock";

    poster.OnCommand(CScreen_LumoPoster::IDC_CLOSE);
    EXPECT_TRUE(power.isVisible());
    EXPECT_TRUE(m_pLink->IsPowerPollRunning());
    // A real tap on the top edge of the close icon, above the poster's place:
    // the lock keeps taps off the main window, not off the screens over it.
    const QPoint closeTop = power.CloseArea().topLeft() + QPoint(5, 1);
    const QPoint inWindow = power.mapTo(&dlg, closeTop);
    ASSERT_FALSE(g_rcPoster.Contains(inWindow.x(), inWindow.y()));
    QTest::mouseClick(m_pFrame->windowHandle(), Qt::LeftButton, {},
                      power.mapTo(m_pFrame.get(), closeTop));
    EXPECT_FALSE(power.isVisible());
    EXPECT_TRUE(poster.isVisible());
    ASSERT_TRUE(WaitFor([&] { return !m_pLink->IsPowerPollRunning(); }));
    ASSERT_TRUE(WaitFor([&] { return !poster.Text().isEmpty(); })) << "the poster is read";

    // A confirmed reset also returns to the poster.
    poster.OnCommand(CScreen_LumoPoster::IDC_CLOSE);
    m_messageBox.ScriptAnswer(true);
    power.OnCommand(CScreen_LumoPower::IDC_RESET);
    EXPECT_FALSE(power.isVisible());
    EXPECT_TRUE(poster.isVisible());
    EXPECT_FALSE(SoftKeysEnabled());
    ASSERT_TRUE(WaitFor([&] { return CountSent({0x53, 0x05, 0x04, 0x10, 0, 0, 0, 0x42}) == 1; }));

    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    ASSERT_TRUE(LockBoard(false));
    EXPECT_TRUE(power.isVisible());
    EXPECT_EQ(power.geometry(), g_rcPower.ToQRect());
    EXPECT_FALSE(SoftKeysEnabled()) << "the power screen is still up";
}

TEST_F(LockModeTest, AnUnlockedReportWithoutALockLeavesAnOpenScreenAlone) {
    StartBoard();
    CTunevoDlg& dlg = OpenMainWindow();
    // The poster is opened before the first lock check has answered.
    dlg.OnMenuCommand(ID_MENU_LUMO_POSTER);
    WaitForLockCheck();
    ASSERT_FALSE(dlg.IsBoardLocked());
    EXPECT_TRUE(dlg.PosterScreen().isVisible());
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_FALSE(dlg.RefreshOcTimer().isActive());
}

TEST_F(LockModeTest, ABoardThatLocksAndUnlocksRapidlyEndsInItsLastState) {
    CTunevoDlg& dlg = OpenPolling();
    // Each state lasts about one lock poll.
    for (int i = 0; i < 8; ++i) {
        m_pBoard->SetLocked(i % 2 == 0);
        QTest::qWait(15);
    }
    m_pBoard->SetLocked(false);
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsBoardLocked(); }));
    QTest::qWait(200);
    EXPECT_FALSE(dlg.IsBoardLocked());
    EXPECT_FALSE(dlg.LockBanner().isVisible());
    EXPECT_FALSE(dlg.PosterScreen().isVisible());
    EXPECT_FALSE(AppLocked());
    EXPECT_TRUE(SoftKeysEnabled());
}

}  // namespace
