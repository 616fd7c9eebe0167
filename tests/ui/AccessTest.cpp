// What a screen reader, a user of another language or a user with low vision
// finds: the accessibility tree's roles and names, the same words in menus
// and titles, columns that fit, readable colours and signs that draw.

#include <QAccessible>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <map>
#include <set>

#include "screens/COCControl.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/ScreenPainting.h"
#include "shell/CScreen_Lock.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "widgets/CImageButton.h"
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
using Found = std::multimap<QAccessible::Role, QString>;

// Each node's role and name; a selected page tab's name ends in "*".
void Walk(QAccessibleInterface* pNode, Found& found) {
    const bool bSelectedTab = pNode->role() == QAccessible::PageTab && pNode->state().selected;
    found.emplace(pNode->role(), pNode->text(QAccessible::Name) + (bSelectedTab ? "*" : ""));
    for (int i = 0; i < pNode->childCount(); ++i) {
        Walk(pNode->child(i), found);
    }
}

bool Has(const Found& found, QAccessible::Role role, const char* pszName) {
    const auto [from, to] = found.equal_range(role);
    return std::any_of(from, to, [&](const auto& entry) { return entry.second == pszName; });
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
    const std::pair<R, const char*> expected[] = {
        {R::PageTab, "Overclock*"}, {R::PageTab, "Monitor"},     {R::PageTab, "Fan"},
        {R::PageTab, "Frequency*"}, {R::PageTab, "Voltage*"},    {R::PageTab, "Temperature"},
        {R::Button, "Close"},      {R::EditableText, "Info"},    {R::RadioButton, "Text"},
        {R::RadioButton, "Code"},       {R::Button, "Quit Tunevo"},   {R::ButtonMenu, "Menu"},
        {R::StatusBar, "Waiting for the board…"},
        {R::StatusBar,
         "The board is locked. Only the POST display and the power screen can be used."}};
    for (const auto& [role, pszName] : expected) {
        EXPECT_TRUE(Has(found, role, pszName)) << pszName << " as role " << int(role);
    }
    EXPECT_EQ(found.count(R::PageTab), 8u) << "the window's, the monitor's and Display Setting's";
    EXPECT_EQ(dlg.LockBanner().Text(), QString::fromUtf8(expected[13].second)) << "drawn too";
    QAccessibleInterface* pCode =
        QAccessible::queryAccessibleInterface(dlg.PosterScreen().Button(CScreen_LumoPoster::IDC_MODE_CODE));
    EXPECT_TRUE(pCode->state().checkable);
    QAccessibleTableInterface* pTable =
        QAccessible::queryAccessibleInterface(&dlg.MonitorPage().List(CSubScreen_Monitor::kCategoryTemp))
            ->tableInterface();
    ASSERT_NE(pTable, nullptr);
    EXPECT_EQ(pTable->columnDescription(0) + pTable->columnDescription(1) + pTable->columnDescription(2),
              QStringLiteral("NameValueUnit"));

    dlg.OnLockState(false);
    QMenu& menu = *m_pFrame->SoftKeyBar()->Menu();
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    Found inMenu;
    Walk(QAccessible::queryAccessibleInterface(&menu), inMenu);
    EXPECT_EQ(inMenu.count(R::PopupMenu), 1u);
    EXPECT_TRUE(Has(inMenu, R::MenuItem, "Save Profile I") && Has(inMenu, R::MenuItem, "POST Display"));
    menu.hide();
}

// Every menu entry opens a screen of the same title; the strip's words are
// translated too.
TEST_F(AccessTest, MenusAndTitlesUseTheSameWordsInEachLanguage) {
    struct Language {
        const char* pszLocale;
        const char* pszMenu;
        const char* pszOk;
        const char* pszRemote;
    };
    const Language languages[] = {{"en_US.UTF-8", "Menu", "OK", "Remote Power"},
                                  {"zh_CN.UTF-8", "菜单", "确定", "远程电源"},
                                  {"zh_TW.UTF-8", "選單", "確定", "遠端電源"}};
    StartBoard();
    for (const Language& language : languages) {
        CTunevoDlg& dlg = OpenIn(language.pszLocale);
        const CSoftKeyBar& bar = *m_pFrame->SoftKeyBar();
        EXPECT_EQ(bar.Key(0)->text(), QString::fromUtf8(language.pszMenu));
        EXPECT_EQ(m_pFrame->OkButton().text(), QString::fromUtf8(language.pszOk));
        EXPECT_EQ(bar.Action(ID_MENU_LUMO_REMOTE)->text(), QString::fromUtf8(language.pszRemote));
        const std::pair<int, std::function<QString()>> screens[] = {
            {ID_MENU_SAVE_PROFILE_ONE, [&] { return dlg.SaveProfileScreen().Title(); }},
            {ID_MENU_LOAD_PROFILE_TWO, [&] { return dlg.LoadProfileScreen().Title(); }},
            {ID_MENU_DISPLAY_SETTING, [&] { return dlg.DisplaySettingScreen().Title(); }},
            {ID_MENU_LUMO_REMOTE, [&] { return dlg.PowerScreen().Title(); }},
            {ID_MENU_LUMO_POSTER, [&] { return dlg.PosterScreen().Title(); }}};
        for (const auto& [nCommand, title] : screens) {
            bar.Action(nCommand)->trigger();
            EXPECT_EQ(title(), bar.Action(nCommand)->text()) << language.pszLocale;
            QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
        }
    }
}

// Both profile tables show every column whole, without a sideways scroll,
// in every layout and language; only names may be cut.
TEST_F(AccessTest, ProfileColumnsFitInEveryLayoutAndLanguage) {
    StartBoard();
    for (const char* pszLocale : {"en_US.UTF-8", "zh_CN.UTF-8", "zh_TW.UTF-8"}) {
        for (const QSize size : {QSize(480, 696), QSize(480, 536), QSize(240, 268)}) {
            CTunevoDlg& dlg = OpenIn(pszLocale, size);
            for (int nCommand : {ID_MENU_SAVE_PROFILE_ONE, ID_MENU_LOAD_PROFILE_ONE}) {
                dlg.OnMenuCommand(nCommand);
                const bool bSave = nCommand == ID_MENU_SAVE_PROFILE_ONE;
                const QTreeWidget& list = bSave ? dlg.SaveProfileScreen().List()
                                                : dlg.LoadProfileScreen().List();
                const QString where = QStringLiteral("%1 %2x%3 %4")
                                          .arg(pszLocale).arg(size.width()).arg(size.height())
                                          .arg(bSave ? "save" : "load");
                EXPECT_FALSE(list.horizontalScrollBar()->isVisible()) << where.toStdString();
                for (int nColumn : {1, 2}) {
                    const int nRight = list.header()->sectionViewportPosition(nColumn) +
                                       list.header()->sectionSize(nColumn);
                    EXPECT_LE(nRight, list.viewport()->width()) << where.toStdString();
                    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&list)); *it; ++it) {
                        const int nNeeded =
                            list.fontMetrics().horizontalAdvance((*it)->text(nColumn)) + 6;
                        EXPECT_LE(nNeeded, list.header()->sectionSize(nColumn))
                            << where.toStdString() << " " << (*it)->text(nColumn).toStdString();
                    }
                }
                QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
            }
        }
    }
}

// Each value colour reads at 4.5:1 or better on what it is drawn on, and the
// temperature sign draws in every language's font.
TEST_F(AccessTest, ValuesAreReadableAndEverySignDraws) {
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 0.01);
    const std::pair<QColor, QColor> pairs[] = {
        {kValueNormal, kValueBox}, {kValueWarning, kValueBox}, {kValueAlarm, kValueBox},
        {kValueNormal, kPageColor}, {kValueAlarm, kPageColor}, {kValueStale, kPageColor}};
    for (const auto& [text, ground] : pairs) {
        EXPECT_GE(ContrastRatio(text, ground), 4.5) << text.name().toStdString();
    }
    EXPECT_FALSE(DrawsEveryGlyph(QFont(QStringLiteral("WenQuanYi Micro Hei")), QString(QChar(0x2103))))
        << "the blank glyph that made this check needed";
    StartBoard();
    for (const char* pszLocale : {"en_US.UTF-8", "zh_CN.UTF-8", "zh_TW.UTF-8"}) {
        CTunevoDlg& dlg = OpenIn(pszLocale);
        const CMyListCtrl& temperatures = dlg.MonitorPage().List(CSubScreen_Monitor::kCategoryTemp);
        ASSERT_GT(temperatures.RowCount(), 0);
        const QString unit = temperatures.Text(0, CMyListCtrl::kColumnUnit);
        EXPECT_TRUE(DrawsEveryGlyph(temperatures.font(), unit)) << pszLocale;
        // The value box is drawn in the colour measured, its value centred.
        const QImage image = dlg.OverClockPage().Controls()[0]->grab().toImage();
        const QRect rcInside(QPoint(177, 6), QPoint(292, 42));
        EXPECT_EQ(image.pixelColor(rcInside.right() - 2, rcInside.center().y()), kValueBox);
        std::vector<int> inkRows;
        for (int y = rcInside.top(); y <= rcInside.bottom(); ++y) {
            for (int x = rcInside.left(); x < rcInside.center().x(); ++x) {
                if (image.pixelColor(x, y) != kValueBox) {
                    inkRows.push_back(y);
                    break;
                }
            }
        }
        ASSERT_FALSE(inkRows.empty());
        EXPECT_NEAR(inkRows.front() - rcInside.top(), rcInside.bottom() - inkRows.back(), 4);
    }
}

}  // namespace
