// The window from the keyboard alone: keys reach the focused widget of the
// active window, as a keyboard user's do.

#include <QMenu>
#include <set>

#include "screens/COCControl.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "shell/CFocusTrap.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "widgets/CMyButton.h"

namespace {

class KeyboardTest : public MainWindowFixture {
protected:
    CTunevoDlg& OpenActive() {
        CTunevoDlg& dlg = Open();
        m_pFrame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        return dlg;
    }
    void Press(int nKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* pFocus = QApplication::focusWidget();
        QTest::keyClick(pFocus != nullptr ? pFocus : m_pFrame.get(), static_cast<Qt::Key>(nKey),
                        modifiers);
    }
    // Where Ctrl+Tab has taken the window: "oc", or the monitor's category.
    int Stop() const {
        return m_pDlg->Page() == CTunevoDlg::kPageOverClock ? -1 : m_pDlg->MonitorPage().Category();
    }
};

TEST_F(KeyboardTest, TheOverClockRowsAreSteppedFromTheKeyboard) {
    CTunevoDlg& dlg = OpenActive();
    const std::vector<COCControl*> rows = dlg.OverClockPage().Controls();
    rows[0]->MinusButton().setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> order;
    for (int i = 0; i < 3; ++i) {
        Press(Qt::Key_Tab);
        order.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{&rows[0]->PlusButton(), &rows[1]->MinusButton(),
                                            &rows[1]->PlusButton()}));
    EXPECT_TRUE(dlg.FocusMark().Target() == order.back() && dlg.FocusMark().isVisible());
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), &rows[0]->PlusButton());
    const QString before = rows[0]->DisplayText();
    Press(Qt::Key_Return);
    const QString after = rows[0]->DisplayText();
    EXPECT_NE(after, before);
    Press(Qt::Key_Minus);
    EXPECT_EQ(rows[0]->DisplayText(), before);
    Press(Qt::Key_Plus);
    EXPECT_EQ(rows[0]->DisplayText(), after);
    // Down to the last row shown, which is scrolled into sight.
    QWidget* pLast = nullptr;
    while (pLast != QApplication::focusWidget()) {
        pLast = QApplication::focusWidget();
        Press(Qt::Key_Down);
    }
    const QWidget& lastRow = *pLast->parentWidget();
    for (const COCControl* pRow : rows) {
        EXPECT_LE(pRow->isVisible() ? pRow->y() : 0, lastRow.y());
    }
    EXPECT_GT(dlg.OverClockPage().ScrollPosition(), 0);
    EXPECT_TRUE(dlg.OverClockPage().rect().contains(lastRow.geometry()));
    // Tab and Shift+Tab through every row and back: the row holding the
    // focus is always whole in sight.
    rows[0]->MinusButton().setFocus(Qt::TabFocusReason);
    std::set<const QWidget*> seen;
    for (int nKey : {Qt::Key_Tab, Qt::Key_Backtab}) {
        for (size_t n = 0; n < 2 * rows.size(); ++n) {
            Press(nKey, nKey == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
            const QWidget* pRow = QApplication::focusWidget()->parentWidget();
            if (std::ranges::find(rows, pRow) != rows.end()) {
                seen.insert(pRow);
                EXPECT_TRUE(dlg.OverClockPage().rect().contains(pRow->geometry()))
                    << static_cast<const COCControl*>(pRow)->GetName().size();
            }
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(std::ranges::count_if(
                               rows, [](const COCControl* pRow) { return pRow->isVisible(); })));
}

// Ctrl+Tab walks the over-clock page and the monitor's categories as their
// tabs read, Ctrl+Shift+Tab back; nothing of it, nor "+", while locked, and
// Tab keeps to the screen open over the page.
TEST_F(KeyboardTest, CtrlTabWalksThePagesAndTheLockHoldsForKeys) {
    CTunevoDlg& dlg = OpenActive();
    using M = CSubScreen_Monitor;
    std::vector<int> stops;
    for (int nStep : {1, 1, 1, 1, 1, -1, -1, 1, 1}) {
        Press(nStep > 0 ? Qt::Key_Tab : Qt::Key_Backtab,
              nStep > 0 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        stops.push_back(Stop());
    }
    EXPECT_EQ(stops, (std::vector<int>{M::kCategoryFan, M::kCategoryFreq, M::kCategoryVolt,
                                       M::kCategoryTemp, -1, M::kCategoryTemp, M::kCategoryVolt,
                                       M::kCategoryTemp, -1}));
    COCControl& row = *dlg.OverClockPage().Controls()[0];
    row.PlusButton().setFocus();
    const QString value = row.DisplayText();
    dlg.OnLockState(true);
    for (int nKey : {Qt::Key_Plus, Qt::Key_Return, Qt::Key_F10}) {
        Press(nKey);
    }
    Press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Stop(), -1);
    EXPECT_EQ(row.DisplayText(), value);
    // Tab keeps to the screen open (Return on the poster's close opened the
    // power screen); the rows behind it are disabled, and look it.
    for (int i = 0; i < 8; ++i) {
        Press(Qt::Key_Tab);
        EXPECT_TRUE(dlg.PowerScreen().isAncestorOf(QApplication::focusWidget()));
    }
    EXPECT_FALSE(row.isEnabled() || dlg.ControlBar().isEnabled());
    EXPECT_FALSE(m_pFrame->SoftKeyBar()->Menu()->isVisible());
}

// Each screen takes the focus as it opens; Tab and Shift+Tab go round its
// controls and nothing else; Escape closes it and gives the focus back.
// Tab, Tab, Tab, Tab, Space over Save Profile I once stepped a row behind it.
TEST_F(KeyboardTest, FocusStaysInTheOpenScreenUntilEscapeGivesItBack) {
    CTunevoDlg& dlg = OpenActive();
    QWidget& plus = dlg.OverClockPage().Controls()[0]->PlusButton();
    plus.setFocus();
    const std::pair<int, QWidget*> screens[] = {
        {ID_MENU_SAVE_PROFILE_ONE, &dlg.SaveProfileScreen()},
        {ID_MENU_LOAD_PROFILE_TWO, &dlg.LoadProfileScreen()},
        {ID_MENU_DISPLAY_SETTING, &dlg.DisplaySettingScreen()},
        {ID_MENU_LUMO_REMOTE, &dlg.PowerScreen()},
        {ID_MENU_LUMO_POSTER, &dlg.PosterScreen()}};
    for (const auto& [nCommand, pScreen] : screens) {
        dlg.OnMenuCommand(nCommand);
        const std::vector<QWidget*> stops = CFocusTrap::TabStops(*pScreen);
        ASSERT_GE(stops.size(), 2u) << nCommand;
        EXPECT_EQ(QApplication::focusWidget(), stops.front()) << nCommand;
        std::set<QWidget*> reached;
        for (size_t i = 0; i < stops.size(); ++i) {
            Press(Qt::Key_Tab);
            reached.insert(QApplication::focusWidget());
        }
        EXPECT_EQ(reached, std::set<QWidget*>(stops.begin(), stops.end())) << nCommand;
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), stops.back()) << "round once, and back one";
        // Shift+Tab goes round the other way, through every stop.
        std::vector<QWidget*> back;
        for (size_t i = 0; i < stops.size(); ++i) {
            Press(Qt::Key_Backtab, Qt::ShiftModifier);
            back.push_back(QApplication::focusWidget());
        }
        std::vector<QWidget*> expected(stops.rbegin() + 1, stops.rend());
        expected.push_back(stops.back());
        EXPECT_EQ(back, expected) << nCommand;
        Press(Qt::Key_Escape);
        EXPECT_FALSE(pScreen->isVisible()) << nCommand;
        EXPECT_EQ(QApplication::focusWidget(), &plus) << nCommand;
        EXPECT_TRUE(SoftKeysEnabled());
    }
    // Display Setting reads its tab (the arrows move between the two), the
    // list shown, then its buttons.
    CScreen_DisplaySetting& display = dlg.DisplaySettingScreen();
    dlg.OnMenuCommand(ID_MENU_DISPLAY_SETTING);
    EXPECT_EQ(CFocusTrap::TabStops(display),
              (std::vector<QWidget*>{&display.TabButton(CScreen_DisplaySetting::kTabFrequency),
                                     &display.FrequencyList(), &display.ApplyButton(),
                                     &display.CancelButton()}));
    display.TabButton(CScreen_DisplaySetting::kTabFrequency).setFocus();
    Press(Qt::Key_Right);
    EXPECT_EQ(display.CurrentTab(), CScreen_DisplaySetting::kTabVoltage);
    display.CancelButton().click();
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_ONE);
    for (int nKey : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space}) {
        Press(nKey);
    }
    EXPECT_FALSE(dlg.OverClockPage().HasUnappliedEdits());
    QMenu& menu = *m_pFrame->SoftKeyBar()->Menu();
    for (int nKey : {Qt::Key_F10, Qt::Key_Menu}) {
        Press(Qt::Key_Escape);
        Press(nKey);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); })) << nKey;
        QTest::keyClick(&menu, Qt::Key_Escape);
    }
    // Apply, the menu, Save Profile, Escape: the focus is back on Apply.
    Press(Qt::Key_Escape);
    QPushButton& apply = dlg.ControlBar().ApplyButton();
    apply.setFocus(Qt::TabFocusReason);
    Press(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    menu.setActiveAction(m_pFrame->SoftKeyBar()->Action(ID_MENU_SAVE_PROFILE_ONE));
    QTest::keyClick(&menu, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.SaveProfileScreen().isVisible(); }));
    Press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.SaveProfileScreen().isVisible());
    // The window's own focus: offscreen, nothing gives the window back its
    // activation when the menu's popup has gone, as a window manager does.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_pFrame->focusWidget() == &apply; }));
}

// OK, Alt+F4 and the window manager's close all ask before unapplied steps
// are dropped, No the default; with nothing unapplied they quit at once.
TEST_F(KeyboardTest, QuittingWithUnappliedStepsAsksWithNoAsTheDefault) {
    CTunevoDlg& dlg = OpenActive();
    QPushButton& ok = m_pFrame->OkButton();
    EXPECT_TRUE(ok.accessibleName() == "Quit Tunevo" && ok.toolTip() == ok.accessibleName());
    EXPECT_TRUE(dlg.MayQuit()) << "nothing to drop: no question";
    dlg.OverClockPage().Controls()[0]->StepUp();
    m_messageBox.ScriptAnswer(false);
    ok.click();
    EXPECT_EQ(m_pEnded->count(), 0);
    ASSERT_EQ(m_messageBox.Defaults(), std::vector{IMessageBox::EDefault::No});
    dlg.ControlBar().CancelButton().click();
    // Nothing unapplied, but a read of the board in hand: asked too, No the default.
    dlg.ControlBar().RefreshButton().click();
    m_messageBox.ScriptAnswer(false);
    ok.setFocus(Qt::TabFocusReason);
    Press(Qt::Key_Space);
    EXPECT_EQ(m_pEnded->count(), 0);
    ASSERT_EQ(m_messageBox.Defaults().size(), 2u);
    EXPECT_EQ(m_messageBox.Defaults().back(), IMessageBox::EDefault::No);
    EXPECT_TRUE(m_messageBox.Shown().back().startsWith(QStringLiteral("Tunevo is still working")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.OverClockPage().IsWaiting(); }));
    dlg.OverClockPage().Controls()[0]->StepUp();
    m_messageBox.ScriptAnswer(true);
    ok.click();
    EXPECT_EQ(m_pEnded->count(), 1);
}

}  // namespace
