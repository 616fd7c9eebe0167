// The window from the keyboard alone: keys reach the focused widget of the
// active window, as a keyboard user's do.

#include <QMenu>

#include "screens/COCControl.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
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

TEST_F(KeyboardTest, EscapeClosesEachScreenAndF10OpensTheMenu) {
    CTunevoDlg& dlg = OpenActive();
    const std::pair<int, QWidget*> screens[] = {
        {ID_MENU_LUMO_REMOTE, &dlg.PowerScreen()},
        {ID_MENU_LUMO_POSTER, &dlg.PosterScreen()},
        {ID_MENU_SAVE_PROFILE_ONE, &dlg.SaveProfileScreen()},
        {ID_MENU_LOAD_PROFILE_TWO, &dlg.LoadProfileScreen()},
        {ID_MENU_DISPLAY_SETTING, &dlg.DisplaySettingScreen()}};
    for (const auto& [nCommand, pScreen] : screens) {
        dlg.OnMenuCommand(nCommand);
        ASSERT_TRUE(pScreen->isVisible());
        Press(Qt::Key_Escape);
        EXPECT_FALSE(pScreen->isVisible()) << nCommand;
        EXPECT_TRUE(SoftKeysEnabled());
    }
    QMenu& menu = *m_pFrame->SoftKeyBar()->Menu();
    for (int nKey : {Qt::Key_F10, Qt::Key_Menu}) {
        Press(nKey);
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); })) << nKey;
        QTest::keyClick(&menu, Qt::Key_Escape);
        EXPECT_FALSE(menu.isVisible());
    }
}

// Tab reaches the rows' buttons with a ring around the focused one; Enter,
// "-" and "+" step its row once each; Up and Down move to the next row.
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
}

// Ctrl+Tab walks the over-clock page and the monitor's categories as their
// tabs read, Ctrl+Shift+Tab back; nothing of it, nor "+", while locked.
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
    EXPECT_FALSE(m_pFrame->SoftKeyBar()->Menu()->isVisible());
}

}  // namespace
