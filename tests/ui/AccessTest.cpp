// What a screen reader, a user of another language or a user with low vision
// finds: the accessibility tree's roles and names, the same words in menus
// and titles, columns that fit, readable colours and signs that draw.

#include <QAccessible>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <ranges>
#include <set>

#include "screens/COCControl.h"
#include "screens/CProfileScreen.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/ScreenPainting.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/Pixels.h"
#include "widgets/CMyListCtrl.h"
#include "widgets/ValueColours.h"

namespace {

class AccessTest : public MainWindowFixture {
protected:
    // The window anew in a language and layout, active so that keys reach it.
    CTunevoDlg& OpenIn(const char* pszLocale, QSize size = kDefaultClientSize) {
        m_pDlg.reset();
        UseLocale(pszLocale);
        CTunevoDlg& dlg = OpenMainWindow(size);
        m_pFrame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        return dlg;
    }
};
using Found = std::set<std::pair<QAccessible::Role, QString>>;

// Each node's role and name; a selected page tab's name ends in "*".
void Walk(QAccessibleInterface* pNode, Found& found) {
    const bool bSelectedTab = pNode->role() == QAccessible::PageTab && pNode->state().selected;
    found.emplace(pNode->role(), pNode->text(QAccessible::Name) + (bSelectedTab ? "*" : ""));
    for (int i = 0; i < pNode->childCount(); ++i) {
        Walk(pNode->child(i), found);
    }
}

// One walk over the window with the board locked (banner, poster) and the
// power screen built, then the menu's popup; one table of what must be there.
TEST_F(AccessTest, TheTreeNamesEveryControlInItsRole) {
    CTunevoDlg& dlg = Open();
    dlg.OverClockPage().ShowWaiting();
    dlg.OnLockState(true);
    Found found;
    Walk(QAccessible::queryAccessibleInterface(m_pFrame.get()), found);
    using R = QAccessible::Role;
    // clang-format off
    const std::pair<R, const char*> expected[] = {
        {R::PageTab, "Overclock*"}, {R::PageTab, "Monitor"}, {R::PageTab, "Fan"},
        {R::PageTab, "Frequency*"}, {R::PageTab, "Voltage*"}, {R::PageTab, "Temperature"},
        {R::Button, "Close"}, {R::EditableText, "Info"}, {R::RadioButton, "Text"},
        {R::RadioButton, "Code"}, {R::Button, "Quit Tunevo"}, {R::ButtonMenu, "Menu"},
        {R::Button, "Increase CPU Vcore"}, {R::Button, "Decrease PCH Voltage"},
        {R::Button, "Refresh"}, {R::Button, "Apply"},
        {R::ColumnHeader, "Name"}, {R::ColumnHeader, "Value"}, {R::ColumnHeader, "Unit"},
        {R::StatusBar, "Waiting for the board…"},
        {R::StatusBar, "The board is locked. Only the POST display and the power screen can be used."}};
    // clang-format on
    for (const auto& [role, pszName] : expected) {
        EXPECT_TRUE(found.count({role, QString::fromUtf8(pszName)})) << pszName << " as " << role;
    }
    EXPECT_EQ(std::ranges::count(found | std::views::keys, R::PageTab), 8)
        << "the window's, the monitor's and Display Setting's";

    dlg.OnLockState(false);
    QMenu& menu = *m_pFrame->SoftKeyBar()->Menu();
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    Found inMenu;
    Walk(QAccessible::queryAccessibleInterface(&menu), inMenu);
    EXPECT_TRUE(inMenu.count({R::PopupMenu, QString()}) &&
                inMenu.count({R::MenuItem, "Save Profile I"}) &&
                inMenu.count({R::MenuItem, "POST Display"}));
    menu.hide();
}

// Value colours contrast with their ground. In each language: every menu
// entry opens a screen of its own words, the strip is translated, the
// temperature sign draws, the value box is drawn as measured with its value
// centred, and in every layout both profile tables show each value column
// whole, without a sideways scroll.
TEST_F(AccessTest, EachLanguageReadsWholeInEveryLayout) {
    const std::pair<QColor, QColor> pairs[] = {
        {kValueNormal, kValueBox},  {kValueWarning, kValueBox}, {kValueAlarm, kValueBox},
        {kValueNormal, kPageColor}, {kValueAlarm, kPageColor},  {kValueStale, kPageColor},
        {kFiguresText, kPageColor}};
    for (const auto& [text, ground] : pairs) {
        EXPECT_GE(ContrastRatio(text, ground), 4.5) << text.name().toStdString();
    }
    EXPECT_FALSE(
        DrawsEveryGlyph(QFont(QStringLiteral("WenQuanYi Micro Hei")), QString(QChar(0x2103))))
        << "the blank glyph this check is for";
    const std::array<const char*, 4> languages[] = {{"en_US.UTF-8", "Menu", "OK", "Remote Power"},
                                                    {"zh_CN.UTF-8", "菜单", "确定", "远程电源"},
                                                    {"zh_TW.UTF-8", "選單", "確定", "遠端電源"}};
    StartBoard();
    for (const auto& [pszLocale, pszMenu, pszOk, pszRemote] : languages) {
        SCOPED_TRACE(pszLocale);
        CTunevoDlg& dlg = OpenIn(pszLocale);
        const CSoftKeyBar& bar = *m_pFrame->SoftKeyBar();
        EXPECT_EQ(bar.Key(0)->text() + m_pFrame->OkButton().text(),
                  QString::fromUtf8(pszMenu) + pszOk);
        EXPECT_EQ(bar.Action(ID_MENU_LUMO_REMOTE)->text(), QString::fromUtf8(pszRemote));
        const std::pair<int, std::function<QString()>> screens[] = {
            {ID_MENU_SAVE_PROFILE_ONE, [&] { return dlg.SaveProfileScreen().Title(); }},
            {ID_MENU_LOAD_PROFILE_TWO, [&] { return dlg.LoadProfileScreen().Title(); }},
            {ID_MENU_DISPLAY_SETTING, [&] { return dlg.DisplaySettingScreen().Title(); }},
            {ID_MENU_LUMO_REMOTE, [&] { return dlg.PowerScreen().Title(); }},
            {ID_MENU_LUMO_POSTER, [&] { return dlg.PosterScreen().Title(); }}};
        for (const auto& [nCommand, title] : screens) {
            bar.Action(nCommand)->trigger();
            EXPECT_EQ(title(), bar.Action(nCommand)->text());
            QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
        }
        const CMyListCtrl& temperatures = dlg.MonitorPage().List(CSubScreen_Monitor::kCategoryTemp);
        ASSERT_GT(temperatures.RowCount(), 0);
        EXPECT_TRUE(DrawsEveryGlyph(temperatures.font(), temperatures.Text(0, 2)));
        const QImage image = dlg.OverClockPage().Controls()[0]->grab().toImage();
        const QRect rcBox(QPoint(177, 6), QPoint(292, 42));
        EXPECT_EQ(image.pixelColor(rcBox.right() - 2, rcBox.center().y()), kValueBox);
        auto inkIn = [&](int nY) {
            return CountPixels(image, QRect(rcBox.left(), nY, rcBox.width() / 2, 1),
                               [](const QColor& colour) { return colour != kValueBox; });
        };
        int nTop = 0, nBottom = 0;
        while (nTop < rcBox.height() && inkIn(rcBox.top() + nTop) == 0)
            ++nTop;
        while (nBottom < rcBox.height() && inkIn(rcBox.bottom() - nBottom) == 0)
            ++nBottom;
        EXPECT_NEAR(nTop, nBottom, 4) << "the value is centred in its box";

        for (const QSize size : {QSize(480, 696), QSize(480, 536), QSize(240, 268)}) {
            CTunevoDlg& sized = OpenIn(pszLocale, size);
            for (CProfileScreen* pScreen : std::initializer_list<CProfileScreen*>{
                     &sized.SaveProfileScreen(), &sized.LoadProfileScreen()}) {
                sized.OnMenuCommand(pScreen == &sized.SaveProfileScreen()
                                        ? ID_MENU_SAVE_PROFILE_ONE
                                        : ID_MENU_LOAD_PROFILE_ONE);
                QTreeWidget& list = pScreen->List();
                SCOPED_TRACE(pScreen->Title().toStdString() + " " + std::to_string(size.width()));
                EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
                for (int nColumn : {1, 2}) {
                    const int nWidth = list.header()->sectionSize(nColumn);
                    EXPECT_LE(list.header()->sectionViewportPosition(nColumn) + nWidth,
                              list.viewport()->width());
                    for (QTreeWidgetItemIterator it(&list); *it; ++it) {
                        const QString text = (*it)->text(nColumn);
                        EXPECT_LE(list.fontMetrics().horizontalAdvance(text) + 6, nWidth)
                            << text.toStdString();
                    }
                }
                QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
            }
        }
    }
}

}  // namespace
