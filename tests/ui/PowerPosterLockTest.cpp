// The power and poster screens, and the lock mode that shows only them.

#include <QDialog>

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "shell/CScreen_Lock.h"
#include "shell/CTunevoApp.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/Pixels.h"
#include "widgets/CImageButton.h"
#include "widgets/ScreenLayout.h"

namespace {

using Bytes = std::vector<uint8_t>;

using PowerScreenTest = MainWindowFixture;
using PosterScreenTest = MainWindowFixture;

const Bytes kPowerOn = {0x53, 0x05, 0x04, 0x01, 0, 0, 0, 0x53};
const Bytes kPowerOff = {0x53, 0x05, 0x04, 0x02, 0, 0, 0, 0x50};
const Bytes kReset = {0x53, 0x05, 0x04, 0x10, 0, 0, 0, 0x42};
const Bytes kCodeDisplay = {0x53, 0x05, 0x71, 0x11, 0, 0, 0, 0x36};
const Bytes kTextDisplay = {0x53, 0x05, 0x71, 0x10, 0, 0, 0, 0x37};

bool Shows(const CScreen_LumoPower& power, int nId) {
    return power.Button(nId)->isVisible();
}

TEST_F(PowerScreenTest, OpensAtItsPlaceWithTheStateReadAtStartAndThenFollowsThePoll) {
    CTunevoDlg& dlg = Open();
    CScreen_LumoPower& power = dlg.PowerScreen();
    // The state read at start arrives off the main thread: the PC is on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.IsBackgroundBusy(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(power.isVisible());

    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    EXPECT_TRUE(power.isVisible());
    EXPECT_TRUE(power.IsActive());
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_TRUE(m_pLink->IsPowerPollRunning());
    EXPECT_TRUE(Shows(power, CScreen_LumoPower::IDC_POWER_OFF));
    EXPECT_FALSE(Shows(power, CScreen_LumoPower::IDC_POWER_ON));
    // Hovered, a button's back darkens and its label stays white (inside the light edge).
    CImageButton& reset = *power.Button(CScreen_LumoPower::IDC_RESET);
    QTest::mouseMove(&reset, reset.rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return reset.underMouse(); }));
    EXPECT_EQ(TextColourIn(reset.grab().toImage(),
                           QRect(2, reset.IconRect().bottom() + 1, reset.width() - 4, 40)),
              "white");

    // The board switches the PC off; the next poll shows the power-on button.
    m_pBoard->SetPoweredOn(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shows(power, CScreen_LumoPower::IDC_POWER_ON); }));
    EXPECT_FALSE(Shows(power, CScreen_LumoPower::IDC_POWER_OFF));
    EXPECT_FALSE(reset.isEnabled() ||
                 power.Button(CScreen_LumoPower::IDC_FORCE_SHUTDOWN)->isEnabled());

    // Only the close area closes it; that stops the poll, and opening restarts it.
    Tap(&power, QPoint(200, 30));
    EXPECT_TRUE(power.isVisible());
    Tap(&power, power.CloseButton().geometry().center());
    EXPECT_FALSE(power.isVisible());
    EXPECT_FALSE(power.IsActive());
    EXPECT_TRUE(SoftKeysEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_pLink->IsPowerPollRunning(); }));
    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    EXPECT_TRUE(m_pLink->IsPowerPollRunning());
    // Each action asks first and sends its frame only on Yes.
    m_pBoard->SetPoweredOn(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reset.isEnabled(); }));
    m_messageBox.ScriptAnswer(false);
    power.Button(CScreen_LumoPower::IDC_RESET)->click();
    QTest::qWait(100);
    EXPECT_EQ(m_messageBox.Shown().last(),
              QStringLiteral("Reset the PC? Unsaved work will be lost."));
    EXPECT_EQ(CountSent(kReset), 0u) << "No sends nothing";

    m_pBoard->SetPoweredOn(false);
    m_messageBox.ScriptAnswer(true);
    power.OnCommand(CScreen_LumoPower::IDC_POWER_ON);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountSent(kPowerOn) == 1; }));
    EXPECT_EQ(m_messageBox.Shown().last(), QStringLiteral("Switch the PC on?"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pBoard->IsPoweredOn(); }));

    m_messageBox.ScriptAnswer(true);
    power.OnCommand(CScreen_LumoPower::IDC_POWER_OFF);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountSent(kPowerOff) == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(m_messageBox.Shown().size(), 3) << "an acknowledged action shows nothing more";
    // Enter answers Yes to switching on alone, No to what stops the PC.
    using EDefault = IMessageBox::EDefault;
    EXPECT_EQ(m_messageBox.Defaults(),
              (std::vector<EDefault>{EDefault::No, EDefault::Yes, EDefault::No}));
    // A reset while unlocked leaves the screen open with the soft keys off.
    m_messageBox.ScriptAnswer(true);
    power.OnCommand(CScreen_LumoPower::IDC_RESET);
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountSent(kReset) == 1; }));
    EXPECT_TRUE(power.isVisible());
    EXPECT_FALSE(SoftKeysEnabled());
}

TEST_F(PosterScreenTest, CodesShowAsFourCapitalHexDigitsAndTextsAsTheyCome) {
    CTunevoDlg& dlg = Open();
    CScreen_LumoPoster& poster = dlg.PosterScreen();
    const struct {
        int nCode;
        bool bCodeMode;
        const char* pszText;
        QString shown;
    } reports[] = {{0x1A2, true, "ignored", QStringLiteral("01A2")},
                   {0, true, "", QStringLiteral("0000")},
                   {0xBEEF, true, "", QStringLiteral("BEEF")},
                   {0x1A2, false, "内存检测", QString::fromUtf8("内存检测")},
                   {7, false, "", QString()}};
    for (const auto& report : reports) {
        dlg.OnPosterText(report.nCode, report.bCodeMode, report.pszText);
        EXPECT_EQ(poster.Text(), report.shown);
        EXPECT_EQ(poster.Mode(),
                  report.bCodeMode ? CScreen_LumoPoster::kModeCode : CScreen_LumoPoster::kModeText);
    }
    // Modes other than 0 and 1 change nothing.
    poster.SetMode(2);
    EXPECT_EQ(poster.Mode(), CScreen_LumoPoster::kModeText);
    // The mode changes only after Yes.
    // The board shows text, so no report it sends meanwhile marks the code button.
    m_pBoard->SetPosterMode(0);
    dlg.OnMenuCommand(ID_MENU_LUMO_POSTER);
    dlg.OnPosterText(0, false, "Ready");
    const size_t nBefore = CountSent(kCodeDisplay);

    m_messageBox.ScriptAnswer(false);
    poster.Button(CScreen_LumoPoster::IDC_MODE_CODE)->click();
    QTest::qWait(100);
    EXPECT_EQ(m_messageBox.Shown().last(), QStringLiteral("Change the display mode?"));
    EXPECT_EQ(poster.Mode(), CScreen_LumoPoster::kModeText);
    EXPECT_EQ(CountSent(kCodeDisplay), nBefore);

    m_messageBox.ScriptAnswer(true);
    poster.Button(CScreen_LumoPoster::IDC_MODE_CODE)->click();
    EXPECT_EQ(poster.Mode(), CScreen_LumoPoster::kModeCode) << "shown before the board answers";
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountSent(kCodeDisplay) == nBefore + 1; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pBoard->PosterMode() == 1; }));
    EXPECT_EQ(CountSent(kTextDisplay), 0u);
}

// The menu command clears the poster, reads it and marks the mode; only the
// close area closes it.
TEST_F(PosterScreenTest, TheMenuCommandReadsThePosterAndMarksItsModeUntilClosed) {
    CTunevoDlg& dlg = Open();
    CScreen_LumoPoster& poster = dlg.PosterScreen();
    m_pBoard->HoldPosterCode(0x1AD);
    WaitForLockCheck();
    poster.ShowInfo(0x1234, true, "");
    dlg.OnMenuCommand(ID_MENU_LUMO_POSTER);
    EXPECT_EQ(poster.geometry(), g_rcPoster.ToQRect());
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_TRUE(poster.Text().isEmpty()) << "cleared before the read";
    ASSERT_TRUE(QTest::qWaitFor([&] { return poster.Text() == QStringLiteral("01AD"); }));
    // The marked button's icon has the orange dot in its centre; the other is hollow.
    auto centreOfIcon = [&](int nId) {
        CImageButton* pButton = poster.Button(nId);
        return pButton->grab().toImage().pixelColor(pButton->IconRect().center());
    };
    const QColor marked = centreOfIcon(CScreen_LumoPoster::IDC_MODE_CODE);
    EXPECT_GT(marked.red(), 200);
    EXPECT_GT(marked.green(), 80);
    EXPECT_EQ(centreOfIcon(CScreen_LumoPoster::IDC_MODE_TEXT), QColor(107, 37, 37));

    Tap(&poster, QPoint(200, 300));
    EXPECT_TRUE(poster.isVisible()) << "a tap outside the close area does nothing";
    Tap(&poster, poster.CloseButton().geometry().center());
    EXPECT_FALSE(poster.isVisible());
    EXPECT_TRUE(SoftKeysEnabled());
    EXPECT_FALSE(dlg.PowerScreen().isVisible());
}

class LockModeTest : public MainWindowFixture {
protected:
    bool LockBoard(bool bLocked) {
        m_pBoard->SetLocked(bLocked);
        return QTest::qWaitFor([&] { return m_pDlg->IsBoardLocked() == bLocked; });
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

    // The bar's buttons, pressed without a tap, do nothing either.
    dlg.ControlBar().ApplyButton().click();
    EXPECT_FALSE(dlg.OverClockPage().IsWaiting());
    // The monitor tab and the banner ignore taps; the title strip's OK still works.
    Tap(&dlg, QPoint(300, 20));
    EXPECT_EQ(dlg.Page(), 0);
    Tap(&dlg.LockBanner(), QPoint(240, 50));
    EXPECT_TRUE(dlg.LockBanner().isVisible());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    QTest::mouseClick(&m_pFrame->OkButton(), Qt::LeftButton);
    ASSERT_EQ(m_pEnded->count(), 1);
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
}

// In the small and medium layouts the poster and power screens reach into
// the banner's place: while locked they sit above it, and return at the unlock.
class LockedLayoutTest : public LockModeTest, public testing::WithParamInterface<QSize> {};

TEST_P(LockedLayoutTest, TheBannerStaysInSightOfThePosterAndThePowerScreen) {
    StartBoard();
    CTunevoDlg& dlg = OpenMainWindow(GetParam());
    WaitForLockCheck();
    ASSERT_TRUE(LockBoard(true));
    const QRect rcBanner = dlg.LockBanner().geometry();
    EXPECT_EQ(rcBanner, g_rcLock.ToQRect());
    for (QWidget* pScreen :
         {static_cast<QWidget*>(&dlg.PosterScreen()), static_cast<QWidget*>(&dlg.PowerScreen())}) {
        ASSERT_TRUE(pScreen->isVisible());
        EXPECT_FALSE(pScreen->geometry().intersects(rcBanner))
            << pScreen->metaObject()->className();
        EXPECT_GE(pScreen->y(), 0);
        dlg.PosterScreen().OnCommand(CScreen_LumoPoster::IDC_CLOSE);
    }
    ASSERT_TRUE(LockBoard(false));
    EXPECT_EQ(dlg.PosterScreen().geometry(), g_rcPoster.ToQRect());
}

INSTANTIATE_TEST_SUITE_P(Layouts, LockedLayoutTest,
                         testing::Values(QSize(480, 696), QSize(480, 536), QSize(240, 268)));

// However fast the board locks and unlocks, the window ends in its last state.
TEST_F(LockModeTest, UnlockingOnTheOverClockPageRefreshesItsArraysASecondLater) {
    CTunevoDlg& dlg = OpenPolling();
    ASSERT_TRUE(LockBoard(true));
    EXPECT_FALSE(dlg.RefreshOcTimer().isActive());
    for (int i = 0; i < 8; ++i) {  // each state lasts about one lock poll
        m_pBoard->SetLocked(i % 2 != 0);
        QTest::qWait(15);
    }
    ASSERT_TRUE(LockBoard(false));
    QTest::qWait(200);
    EXPECT_FALSE(dlg.IsBoardLocked());
    EXPECT_FALSE(dlg.LockBanner().isVisible());
    EXPECT_FALSE(dlg.PosterScreen().isVisible());
    EXPECT_FALSE(AppLocked());
    EXPECT_TRUE(SoftKeysEnabled());
    EXPECT_TRUE(dlg.RefreshOcTimer().isActive());
    EXPECT_EQ(dlg.RefreshOcTimer().interval(), 1000);

    const size_t nBefore = VcoreReads();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.RefreshOcTimer().isActive(); }, 3000))
        << "it fires once";
    EXPECT_TRUE(dlg.OverClockPage().IsWaiting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return VcoreReads() > nBefore; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.IsBackgroundBusy(); }));
    QTest::qWait(300);
    EXPECT_TRUE(m_messageBox.Shown().isEmpty()) << "the refresh succeeded";
    EXPECT_FALSE(dlg.OverClockPage().IsWaiting());
}

TEST_F(LockModeTest, TheMonitorPageStopsItsReadsWhileLockedAndRestartsThemAtTheUnlock) {
    CTunevoDlg& dlg = OpenPolling();
    Tap(&dlg, QPoint(300, 20));
    ASSERT_EQ(dlg.Page(), 1);
    CSubScreen_Monitor& page = dlg.MonitorPage();
    ASSERT_TRUE(page.IsRefreshRunning());
    ASSERT_TRUE(LockBoard(true));
    EXPECT_FALSE(page.IsRefreshRunning());
    EXPECT_FALSE(page.IsWatchRunning());
    // The category tabs ignore taps while locked.
    Tap(&page, page.TabRect(CSubScreen_Monitor::kCategoryFan).center());
    EXPECT_EQ(page.Category(), CSubScreen_Monitor::kCategoryVolt);

    ASSERT_TRUE(LockBoard(false));
    EXPECT_TRUE(page.IsRefreshRunning());
    EXPECT_TRUE(page.IsWatchRunning());
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
    const QPoint closeTop = power.CloseButton().geometry().topLeft() + QPoint(5, 1);
    const QPoint inWindow = power.mapTo(&dlg, closeTop);
    ASSERT_FALSE(g_rcPoster.Contains(inWindow.x(), inWindow.y()));
    QTest::mouseClick(m_pFrame->windowHandle(), Qt::LeftButton, {},
                      power.mapTo(m_pFrame.get(), closeTop));
    EXPECT_FALSE(power.isVisible());
    EXPECT_TRUE(poster.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_pLink->IsPowerPollRunning(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !poster.Text().isEmpty(); })) << "the poster is read";

    // A confirmed reset also returns to the poster.
    poster.OnCommand(CScreen_LumoPoster::IDC_CLOSE);
    m_messageBox.ScriptAnswer(true);
    power.OnCommand(CScreen_LumoPower::IDC_RESET);
    EXPECT_FALSE(power.isVisible());
    EXPECT_TRUE(poster.isVisible());
    EXPECT_FALSE(SoftKeysEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return CountSent(kReset) == 1; }));

    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    ASSERT_TRUE(LockBoard(false));
    EXPECT_TRUE(power.isVisible());
    EXPECT_EQ(power.geometry(), g_rcPower.ToQRect());
    EXPECT_FALSE(SoftKeysEnabled()) << "the power screen is still up";
}

}  // namespace
