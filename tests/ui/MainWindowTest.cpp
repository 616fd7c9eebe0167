#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "data/LocaleStringTable.h"
#include "platform/LocaleId.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "shell/CQtMessageBox.h"
#include "shell/CScreen_Lock.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"
#include "tests/ui/MainWindowFixture.h"
#include "widgets/CImageButton.h"

namespace {

using MainWindowTest = MainWindowFixture;

QStringList MenuTexts(const CSoftKeyBar& bar) {
    QStringList texts;
    for (const QAction* pAction : bar.Menu()->actions()) {
        texts << (pAction->isSeparator() ? QStringLiteral("-") : pAction->text());
    }
    return texts;
}

// The window opens on the over-clock tab; a tap on the other tab switches the
// page and its menu, taps elsewhere do nothing, and while the power screen is
// open a rebuilt bar stays disabled, so no second screen can open over it.
TEST_F(MainWindowTest, TabsSwitchThePageAndItsMenu) {
    CTunevoDlg& dlg = Open();
    EXPECT_EQ(dlg.geometry(), QRect(0, 0, 480, 696));
    EXPECT_TRUE(m_pFrame->OkButton().isVisible());
    EXPECT_TRUE(SoftKeysEnabled());
    const QImage before = dlg.grab().toImage();
    EXPECT_EQ(before.pixelColor(5, 35), QColor(80, 0, 0)) << "the shown tab has the page colour";
    EXPECT_EQ(before.pixelColor(475, 35), QColor(100, 100, 100)) << "the other tab is grey";
    ASSERT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()).size(), 8);
    // Commands of screens still to come are shown but disabled, and do nothing.
    for (int nCommand : {32778, 32781, 32779, 32782, 32773}) {
        EXPECT_FALSE(m_pFrame->SoftKeyBar()->Action(nCommand)->isEnabled()) << nCommand;
    }
    dlg.OnMenuCommand(32778);
    EXPECT_TRUE(SoftKeysEnabled());

    Tap(&dlg, QPoint(300, 20));
    EXPECT_EQ(dlg.Page(), 1);
    EXPECT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()),
              (QStringList{QStringLiteral("Lumo Remote"), QStringLiteral("Lumo Poster")}));
    EXPECT_EQ(dlg.grab().toImage().pixelColor(5, 35), QColor(100, 100, 100));
    Tap(&dlg, QPoint(240, 300));
    Tap(&dlg, QPoint(479, 39));
    EXPECT_EQ(dlg.Page(), 1);
    Tap(&dlg, QPoint(239, 39));
    EXPECT_EQ(dlg.Page(), 0);
    EXPECT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()).size(), 8);

    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    EXPECT_FALSE(SoftKeysEnabled());
    for (const QPoint tab : {QPoint(300, 20), QPoint(100, 20)}) {
        Tap(&dlg, tab);
        EXPECT_FALSE(SoftKeysEnabled());
    }
}

TEST_F(MainWindowTest, MenusComeInTheLanguageOfTheLocaleAndNotFromItsFile) {
    UseLocale("zh_CN.UTF-8");
    Open();
    CSoftKeyBar& bar = *m_pFrame->SoftKeyBar();
    EXPECT_EQ(bar.Key(0)->text(), QString::fromUtf8("菜单"));
    EXPECT_EQ(MenuTexts(bar).first(), QString::fromUtf8("配置保存 I"));
    m_pDlg.reset();
    UseLocale("zh_TW.UTF-8");
    OpenMainWindow();
    EXPECT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()).at(4), QString::fromUtf8("顯示設定"));
    m_pDlg.reset();
    // Without the locale file, labels and messages are blank; nothing breaks.
    std::filesystem::remove(m_dir.Path() + "/BT_LocaleStr.ini");
    UseLocale("en_US.UTF-8");
    CTunevoDlg& dlg = OpenMainWindow();
    EXPECT_EQ(m_pFrame->SoftKeyBar()->Key(0)->text(), QStringLiteral("Menu"));
    EXPECT_TRUE(dlg.PowerScreen().Button(CScreen_LumoPower::IDC_RESET)->text().isEmpty());
    dlg.OnApplied(false);
    EXPECT_EQ(m_messageBox.Shown(), QStringList{QString()});
}

TEST_F(MainWindowTest, EachLinkErrorReportShowsItsOwnTextOnce) {
    CTunevoDlg& dlg = Open();
    dlg.OnApplied(false);
    dlg.OnApplied(true);
    dlg.OnOverclockRefreshed(false);
    dlg.OnOverclockRefreshed(true);
    dlg.OnPowerCommandDone(false, 0);
    dlg.OnPowerCommandDone(false, 255);
    dlg.OnPowerCommandDone(true, 255);
    dlg.OnLinkError(5, "Generate INIConfig fileerror \n");
    dlg.OnMessageModeDone(false);
    dlg.OnArrayRefreshed(4, false);
    EXPECT_EQ(m_messageBox.Shown(),
              (QStringList{QStringLiteral("Applying the settings to the board failed."),
                           QStringLiteral("Reading the settings from the board failed."),
                           QStringLiteral("CMOS can only be cleared while the PC is off."),
                           QStringLiteral("The power command did not reach the board.")}));
    EXPECT_EQ(m_pEnded->count(), 0);
}

TEST_F(MainWindowTest, TheBoardVanishingWhileTheWindowRunsEndsItOnce) {
    CTunevoDlg& dlg = Open();
    dlg.OnLinkState(true);
    WaitForLockCheck();
    // The poll threads find the line hung up and report it, many times.
    m_pLine->SetHungUp(true);
    ASSERT_TRUE(WaitFor([&] { return m_pEnded->count() > 0; }));
    QTest::qWait(200);
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(m_messageBox.Shown()[0].startsWith(QStringLiteral("Cannot reach the board")));
    ASSERT_EQ(m_pEnded->count(), 1);
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
}

TEST_F(MainWindowTest, TheOkButtonOrABoardWithoutOverClockVoltagesEndsTheWindow) {
    Open();
    m_pFrame->OkButton().click();
    ASSERT_EQ(m_pEnded->count(), 1);
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    m_pDlg.reset();
    m_pLink.reset();
    // A board whose description lists no over-clock voltage at all.
    UseBoard(
        "[Version]\nVer=T1\n[HW_Volt]\nCount=1\n1=CPU Core,3,0,0,2000,1248,1,1000,1.45,1.55,76,0,"
        "1248,1\n");
    Open();
    ASSERT_TRUE(WaitFor([&] { return m_pEnded->count() > 0; }));
    EXPECT_EQ(m_messageBox.Shown().size(), 1);
}

TEST_F(MainWindowTest, TheLockCheckRunsHalfASecondAfterStartOffTheMainThread) {
    CTunevoDlg& dlg = Open();
    EXPECT_TRUE(dlg.CheckLockTimer().isActive());
    EXPECT_EQ(dlg.CheckLockTimer().interval(), 500);
    const Bytes kLockQuery = {0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5};
    EXPECT_EQ(CountSent(kLockQuery), 0u);
    ASSERT_TRUE(WaitFor([&] { return CountSent(kLockQuery) > 0; }));
    EXPECT_FALSE(dlg.CheckLockTimer().isActive()) << "it fires once";
    // The first answer says unlocked: nothing shows, the soft keys stay on.
    ASSERT_TRUE(WaitFor([&] { return m_pLink->LockState() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.LockBanner().isVisible());
    EXPECT_TRUE(SoftKeysEnabled());
}

}  // namespace

namespace {

TEST_F(MainWindowTest, TapsOnTheWindowWhileAMessageBoxIsUpDoNothing) {
    CTunevoDlg& dlg = Open();
    CQtMessageBox realBox;
    int nPageDuringBox = -1;
    // A tap as the window system delivers it, on the monitor tab.
    const QPoint monitorTab(300, CDeviceFrame::StripHeight(480) + 20);
    QTimer::singleShot(100, [&] {
        QTest::mouseClick(m_pFrame->windowHandle(), Qt::LeftButton, {}, monitorTab);
        nPageDuringBox = dlg.Page();
        QWidget* pBox = QApplication::activeModalWidget();
        ASSERT_NE(pBox, nullptr);
        static_cast<QDialog*>(pBox)->accept();
    });
    realBox.ShowMessage(QStringLiteral("The power command did not reach the board."));
    EXPECT_EQ(nPageDuringBox, 0) << "the monitor tab was not taken";
    // Enter in a question whose default is No answers No.
    QTimer::singleShot(100, [] {
        QWidget* pBox = QApplication::activeModalWidget();
        ASSERT_NE(pBox, nullptr);
        QTest::keyClick(pBox, Qt::Key_Return);
    });
    EXPECT_FALSE(realBox.AskYesNo(QStringLiteral("Reset the PC?"), IMessageBox::EDefault::No));
    QTest::mouseClick(m_pFrame->windowHandle(), Qt::LeftButton, {}, monitorTab);
    EXPECT_EQ(dlg.Page(), 1) << "after the box the tab works";
}

}  // namespace
