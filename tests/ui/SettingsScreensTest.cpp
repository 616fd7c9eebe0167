// The save and load profile screens and the display setting screen over the
// demo board: what they list, what they write, and what reaches the board.

#include <QAccessible>
#include <QListWidget>
#include <QTreeWidget>
#include <filesystem>

#include "data/CIniDocument.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "screens/ScreenPainting.h"
#include "shell/MenuResources.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/CtlRun.h"
#include "tests/support/WaitUntil.h"
#include "tests/ui/OverClockFixture.h"
#include "tests/ui/Pixels.h"

namespace {

constexpr uint8_t kRatioLetter = 'J';

class SettingsScreensTest : public OverClockFixture {
protected:
    static QStringList RowTexts(const QTreeWidget& list, int nRow) {
        const QTreeWidgetItem& row = *list.topLevelItem(nRow);
        // A name too long for its column goes on over a second line.
        return {row.text(0).replace(u'\n', u' '), row.text(1), row.text(2)};
    }
    static QStringList CheckedNames(const QListWidget& list) {
        QStringList names;
        for (int nRow = 0; nRow < list.count(); ++nRow) {
            if (list.item(nRow)->checkState() == Qt::Checked) {
                names << list.item(nRow)->text();
            }
        }
        return names;
    }
    static void CheckAll(QListWidget& list, Qt::CheckState state) {
        for (int nRow = 0; nRow < list.count(); ++nRow) {
            list.item(nRow)->setCheckState(state);
        }
    }
    std::string ProfilePath() const { return m_dir.Path() + "/saved_profile1.ini"; }
    QString LastMessage() const {
        return m_messageBox.Shown().isEmpty() ? QString() : m_messageBox.Shown().back();
    }
};

TEST_F(SettingsScreensTest, SaveListsEveryItemAndStoresTheCurrentValuesBesideTheOtherProfile) {
    m_dir.WriteFile("saved_profile1.ini",
                    "[Version]\nVer=TVB-Z790-1.02\n[Profile1]\nCPU Vcore=1.30000\n");
    CTunevoDlg& dlg = Open();
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_TWO);
    CScreen_SaveProfile& screen = dlg.SaveProfileScreen();
    ASSERT_TRUE(screen.isVisible());
    EXPECT_EQ(screen.Title(), "Save Profile II");
    const QTreeWidget& list = screen.List();
    ASSERT_EQ(list.topLevelItemCount(), 12);
    EXPECT_EQ(RowTexts(list, 0), (QStringList{"CPU Ratio", "", "49[X]"}));
    EXPECT_EQ(RowTexts(list, 2), (QStringList{"BCLK Frequency", "", "100.0[MHz]"}));
    EXPECT_EQ(RowTexts(list, 6), (QStringList{"CPU Vcore", "", "1.25000[V]"}));
    EXPECT_EQ(RowTexts(list, 11), (QStringList{"VTT DDR", "", "0.68000[V]"}));

    // Each name is read whole, and can be heard with its column's heading.
    const QFontMetrics metrics(list.font());
    for (int nRow = 0; nRow < list.topLevelItemCount(); ++nRow) {
        for (const QString& strLine : list.topLevelItem(nRow)->text(0).split(u'\n')) {
            EXPECT_LE(metrics.horizontalAdvance(strLine) + 8, list.columnWidth(0))
                << strLine.toStdString();
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<QTreeWidget*>(&list))->text(QAccessible::Name),
              "Save Profile II");
    EXPECT_EQ(list.model()->headerData(0, Qt::Horizontal, Qt::AccessibleTextRole), "Item");
    // A cell that had the focus does not keep saying so once the screen is gone.
    auto& tree = const_cast<QTreeWidget&>(list);
    tree.setFocus();
    tree.setCurrentItem(tree.topLevelItem(3), 1);
    screen.CancelButton().click();
    QAccessibleInterface& table = *QAccessible::queryAccessibleInterface(&tree);
    for (int nChild = 0; nChild < table.childCount(); ++nChild) {
        EXPECT_FALSE(table.child(nChild)->state().focused) << nChild;
    }
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_TWO);

    screen.ActionButton().click();
    EXPECT_EQ(LastMessage(), "Profile saved.");
    EXPECT_FALSE(screen.isVisible());
    EXPECT_TRUE(SoftKeysEnabled());
    CIniDocument stored;
    ASSERT_GE(stored.LoadFile(ProfilePath()), 0);
    EXPECT_EQ(stored.GetAllKeys(u"Profile2").size(), 12u);
    EXPECT_EQ(stored.GetString(u"Profile2", u"CPU Vcore"), u"1.25000");
    EXPECT_EQ(stored.GetString(u"Profile2", u"DRAM Frequency"), u"3200.0");
    EXPECT_EQ(stored.GetString(u"Profile2", u"CPU Ratio"), u"49[X]");
    EXPECT_EQ(stored.GetString(u"Profile1", u"CPU Vcore"), u"1.30000");
    EXPECT_EQ(stored.GetString(u"Version", u"Ver"), kVersion);
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_TWO);
    EXPECT_EQ(RowTexts(list, 6), (QStringList{"CPU Vcore", "1.25000[V]", "1.25000[V]"}));

    // A file that cannot be replaced is said, and the screen closes.
    std::filesystem::remove(ProfilePath());
    std::filesystem::create_directory(ProfilePath());
    screen.ActionButton().click();
    EXPECT_EQ(LastMessage(), "The profile could not be saved.");
    EXPECT_FALSE(screen.isVisible());
}

// Save profile I, change a voltage and a ratio on the board, load profile I:
// the rows take the saved values, nothing is sent until Apply, and then the
// board holds them again.
TEST_F(SettingsScreensTest, AProfileSavedAndLoadedAgainIsWhatApplyWritesToTheBoard) {
    CTunevoDlg& dlg = Open();
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_ONE);
    dlg.SaveProfileScreen().ActionButton().click();
    Row(u"CPU Vcore").StepUp();
    Row(u"CPU Ratio").StepDown();
    Press(dlg.ControlBar().ApplyButton());
    ASSERT_EQ(BoardValue(), 1251);
    ASSERT_EQ(BoardValue(kRatioLetter), 48);

    dlg.OnMenuCommand(ID_MENU_LOAD_PROFILE_TWO);
    EXPECT_FALSE(dlg.LoadProfileScreen().ActionButton().isEnabled()) << "profile 2 is empty";
    dlg.LoadProfileScreen().CancelButton().click();
    dlg.OnMenuCommand(ID_MENU_LOAD_PROFILE_ONE);
    CScreen_LoadProfile& screen = dlg.LoadProfileScreen();
    EXPECT_EQ(RowTexts(screen.List(), 6), (QStringList{"CPU Vcore", "1.25100[V]", "1.25000[V]"}));
    // While the page reads the board, Load waits: the read would overwrite it.
    QTest::mouseClick(&dlg.ControlBar().RefreshButton(), Qt::LeftButton);
    EXPECT_FALSE(screen.ActionButton().isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return screen.ActionButton().isEnabled(); }, 10000));
    screen.ActionButton().click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_EQ(Row(u"CPU Vcore").DisplayText(), "1.250000");
    EXPECT_EQ(Row(u"CPU Ratio").DisplayText(), "49");
    EXPECT_EQ(BoardValue(), 1251);
    // The loaded values are what Cancel returns to.
    Row(u"CPU Vcore").StepUp();
    QTest::mouseClick(&dlg.ControlBar().CancelButton(), Qt::LeftButton);
    EXPECT_EQ(Row(u"CPU Vcore").DisplayText(), "1.250000");

    const size_t nFrom = SentCount();
    Press(dlg.ControlBar().ApplyButton());
    EXPECT_EQ(BoardValue(), 1250);
    EXPECT_EQ(BoardValue(kRatioLetter), 49);
    const std::vector<Bytes> sent = SentFrom(nFrom);
    const Bytes vcore = BuildCommandFrame(Protocol::kStartChange, kVcoreLetter, 0xE2, 0x04);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), vcore), 1);
}

// Names in another case still load; values beyond the range are limited to
// it; an item without a number keeps the board's value rather than a guess.
TEST_F(SettingsScreensTest, LoadLimitsToTheRangeAndLeavesItemsWithoutANumber) {
    m_dir.WriteFile("saved_profile1.ini",
                    "[version]\nver=tvb-z790-1.02\n[PROFILE1]\ncpu vcore=1.30000\n"
                    "DRAM Voltage=9.99\nBCLK Frequency=1.0\nCPU VCCSA=abc\nPCH Voltage=\n"
                    "No Such Item=1\n");
    CTunevoDlg& dlg = Open();
    dlg.OnMenuCommand(ID_MENU_LOAD_PROFILE_ONE);
    dlg.LoadProfileScreen().ActionButton().click();
    EXPECT_EQ(Row(u"CPU Vcore").DisplayText(), "1.300000");
    EXPECT_EQ(Row(u"DRAM Voltage").DisplayText(), "1.650000");
    EXPECT_EQ(Row(u"BCLK Frequency").DisplayText(), "90.0");
    EXPECT_EQ(Row(u"CPU VCCSA").DisplayText(), "1.050000");
    EXPECT_EQ(Row(u"PCH Voltage").DisplayText(), "1.000000");
    EXPECT_EQ(Row(u"CPU VCCIO").DisplayText(), "1.050000");

    // A file saved for another board meanwhile cannot be loaded, and a save
    // does not label its other profile as this board's: it moves it aside.
    const std::string strOther = "[Version]\nVer=OTHER\n[Profile1]\nCPU Vcore=1.5\n";
    m_dir.WriteFile("saved_profile1.ini", strOther);
    dlg.OnMenuCommand(ID_MENU_LOAD_PROFILE_ONE);
    EXPECT_FALSE(dlg.LoadProfileScreen().ActionButton().isEnabled());
    dlg.LoadProfileScreen().CancelButton().click();
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_TWO);
    dlg.SaveProfileScreen().ActionButton().click();
    CIniDocument stored;
    ASSERT_GE(stored.LoadFile(ProfilePath()), 0);
    EXPECT_TRUE(stored.GetAllKeys(u"Profile1").empty());
    EXPECT_EQ(stored.GetAllKeys(u"Profile2").size(), 12u);
    EXPECT_EQ(m_dir.ReadFile("saved_profile1 for OTHER.ini"), strOther);
    EXPECT_TRUE(
        m_messageBox.Shown().last().contains(QStringLiteral("saved_profile1 for OTHER.ini")));
}

// Both sides keep the same file: a profile the window saved loads with
// tunevoctl (every item read from it), and one tunevoctl saved loads in the
// window. tunevoctl talks to the same board served on a pseudo-terminal.
TEST_F(SettingsScreensTest, ProfilesPassBetweenTheWindowAndTunevoctl) {
    CTunevoDlg& dlg = Open();
    dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_ONE);
    dlg.SaveProfileScreen().ActionButton().click();
    const std::string strLink = m_dir.Path() + "/ports/rfcomm0";
    std::filesystem::create_directories(m_dir.Path() + "/ports");
    CChildProcess board(TUNEVO_BOARD_PROGRAM, {"--link", strLink, "--board",
                                               TUNEVO_SOURCE_DIR "/resources/demo-board.ini"});
    ASSERT_TRUE(WaitUntil([&] { return std::filesystem::is_symlink(strLink); }));
    const CtlPlaces places{m_dir.Path() + "/ports/rfcomm%d", m_dir.Path(), m_dir.Path() + "/none"};

    CtlResult result = RunCtl(TUNEVO_CTL_PROGRAM, places, m_dir, "profile load 1 --yes");
    ASSERT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_NE(result.strOut.find("CPU Vcore                1.25000[V] unchanged\n"),
              std::string::npos)
        << result.strOut;
    EXPECT_EQ(result.strOut.find("stays"), std::string::npos) << result.strOut;
    ASSERT_EQ(RunCtl(TUNEVO_CTL_PROGRAM, places, m_dir, "set 'CPU Ratio=52'").nExit, 0);
    ASSERT_EQ(RunCtl(TUNEVO_CTL_PROGRAM, places, m_dir, "profile save 2").nExit, 0);
    dlg.OnMenuCommand(ID_MENU_LOAD_PROFILE_TWO);
    dlg.LoadProfileScreen().ActionButton().click();
    EXPECT_EQ(Row(u"CPU Ratio").DisplayText(), "52");
    EXPECT_EQ(Row(u"CPU Vcore").DisplayText(), "1.250000");
}

TEST_F(SettingsScreensTest, DisplaySettingChoosesTheShownRowsAndTheChoiceOutlivesTheWindow) {
    CTunevoDlg& dlg = Open();
    dlg.OnMenuCommand(ID_MENU_DISPLAY_SETTING);
    CScreen_DisplaySetting& screen = dlg.DisplaySettingScreen();
    ASSERT_TRUE(screen.isVisible());
    QListWidget& freq = screen.FrequencyList();
    QListWidget& volt = screen.VoltageList();
    EXPECT_TRUE(freq.isVisible());
    EXPECT_FALSE(volt.isVisible());
    EXPECT_EQ(CheckedNames(freq), (QStringList{"BCLK Frequency", "PCIE Frequency", "DRAM Frequency",
                                               "CPU Ratio", "Ring Ratio"}));
    EXPECT_EQ(volt.count(), 6);
    // Both kinds of box stand out from the panel (3:1 at least), not only their ticks.
    const QImage listImage = freq.grab().toImage();
    for (const int nRow : {0, 3}) {
        const QRect rcRow = freq.visualItemRect(freq.item(nRow));
        const QRect rcBox(rcRow.left(), rcRow.top(), rcRow.height(), rcRow.height());
        EXPECT_GE(TextContrastIn(listImage, rcBox, kPanelColor), 3.0) << nRow;
    }

    // A change not applied is gone after a tab switch.
    freq.item(0)->setCheckState(Qt::Unchecked);
    screen.TabButton(CScreen_DisplaySetting::kTabVoltage).click();
    EXPECT_TRUE(volt.isVisible());
    EXPECT_FALSE(freq.isVisible());
    screen.TabButton(CScreen_DisplaySetting::kTabFrequency).click();
    EXPECT_EQ(freq.item(0)->checkState(), Qt::Checked);

    // Nothing checked: the tip, the screen stays, the rows show unchecked;
    // Cancel leaves the page and the next opening as they were.
    CheckAll(freq, Qt::Unchecked);
    CheckAll(volt, Qt::Unchecked);
    screen.ApplyButton().click();
    EXPECT_EQ(LastMessage(), LocaleText(u"STR_DISPLAY_TIPS"));
    EXPECT_TRUE(screen.isVisible());
    EXPECT_TRUE(CheckedNames(freq).isEmpty());
    EXPECT_EQ(ShownRows().size(), 9);
    screen.CancelButton().click();
    EXPECT_TRUE(SoftKeysEnabled());
    dlg.OnMenuCommand(ID_MENU_DISPLAY_SETTING);
    EXPECT_EQ(CheckedNames(freq).size(), 5);

    // A lock hides the screen; the unlock brings it back, soft keys still off.
    dlg.OnLockState(true);
    EXPECT_FALSE(screen.isVisible());
    dlg.OnLockState(false);
    EXPECT_TRUE(screen.isVisible());
    EXPECT_FALSE(SoftKeysEnabled());

    freq.findItems("Ring Ratio", Qt::MatchExactly).front()->setCheckState(Qt::Unchecked);
    screen.ApplyButton().click();
    EXPECT_FALSE(screen.isVisible());
    EXPECT_FALSE(ShownRows().contains("Ring Ratio"));
    EXPECT_EQ(ShownRows().size(), 8);
    EXPECT_EQ(StoredChoice(u"Ring Ratio"), std::make_pair(kVersion, std::u16string(u"0")));
    m_pDlg.reset();
    OpenMainWindow();
    EXPECT_EQ(ShownRows().size(), 8);
    EXPECT_FALSE(ShownRows().contains("Ring Ratio"));
}

}  // namespace
