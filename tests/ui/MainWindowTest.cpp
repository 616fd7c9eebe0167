// The main window over a link that loaded the board model's description: tabs, menus, reports, the
// lock check and the monitor page.

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDialog>
#include <QFontInfo>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "data/FileStore.h"
#include "data/LocaleStringTable.h"
#include "data/MonitorLog.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "screens/COCControl.h"
#include "screens/CScreen_AlarmLog.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "screens/ScreenPainting.h"
#include "shell/CDeviceFrame.h"
#include "widgets/CMyButton.h"
#include "widgets/CMyListCtrl.h"
#include "widgets/ValueColours.h"
#include "shell/CQtMessageBox.h"
#include "shell/CScreen_Lock.h"
#include "shell/CScreen_Status.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"
#include "sim/CBoardDescription.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/Pixels.h"
#include "widgets/CHistoryGraph.h"
#include "widgets/CImageButton.h"
#include "widgets/CMyButton.h"
#include "widgets/CMyListCtrl.h"

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
    // Its name still reads: at least 4.5 to 1 against the grey.
    EXPECT_GE(TextContrastIn(before, QRect(300, 5, 120, 30), QColor(100, 100, 100)), 4.5);
    ASSERT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()).size(), 13);
    EXPECT_TRUE(MenuTexts(*m_pFrame->SoftKeyBar()).contains(QStringLiteral("Record to File")));
    // A settings screen opens in its area with the soft keys off; no second
    // one opens over it, and closing it gives the keys back.
    dlg.OnMenuCommand(32778);
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_EQ(dlg.SaveProfileScreen().geometry(), QRect(15, 28, 435, 612));
    dlg.OnMenuCommand(32773);
    EXPECT_FALSE(dlg.DisplaySettingScreen().isVisible());
    dlg.SaveProfileScreen().CancelButton().click();
    EXPECT_FALSE(dlg.SaveProfileScreen().isVisible());
    EXPECT_TRUE(SoftKeysEnabled());

    Tap(&dlg, QPoint(300, 20));
    EXPECT_EQ(dlg.Page(), 1);
    EXPECT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()),
              (QStringList{QStringLiteral("Reset Min/Avg/Max"), QStringLiteral("-"),
                           QStringLiteral("Record to File"), QStringLiteral("Alarm Log"),
                           QStringLiteral("Journal"), QStringLiteral("Remote Power"),
                           QStringLiteral("POST Display")}));
    EXPECT_EQ(dlg.grab().toImage().pixelColor(5, 35), QColor(100, 100, 100));
    Tap(&dlg, QPoint(240, 300));
    Tap(&dlg, QPoint(479, 39));
    EXPECT_EQ(dlg.Page(), 1);
    Tap(&dlg, QPoint(239, 39));
    EXPECT_EQ(dlg.Page(), 0);
    EXPECT_EQ(MenuTexts(*m_pFrame->SoftKeyBar()).size(), 13);

    dlg.OnMenuCommand(ID_MENU_LUMO_REMOTE);
    EXPECT_FALSE(SoftKeysEnabled());
    for (const QPoint tab : {QPoint(300, 20), QPoint(100, 20)}) {
        Tap(&dlg, tab);
        EXPECT_FALSE(SoftKeysEnabled());
    }
}

// Without the locale file, or with one that lacks texts, the built-in
// English ones stand in: no label or message is blank, and the problem is said.
TEST_F(MainWindowTest, WithoutTheLocaleFileOrItsTextsTheBuiltInEnglishStandsIn) {
    for (const char* pszFile : {"", "[Chinese]\nSTR_RESET=\xE9\x87\x8D\xE5\x90\xAF\n"}) {
        SCOPED_TRACE(pszFile);
        std::filesystem::remove(m_dir.Path() + "/BT_LocaleStr.ini");
        if (*pszFile != '\0') {
            m_dir.WriteFile("BT_LocaleStr.ini", pszFile);
        }
        UseLocale("zh_CN.UTF-8");
        EXPECT_NE(LocaleStringTable::Instance().Problem().find("BT_LocaleStr.ini"),
                  std::string::npos);
    }
    UseLocale("en_US.UTF-8");
    CTunevoDlg& dlg = Open();
    EXPECT_EQ(m_pFrame->SoftKeyBar()->Key(0)->text(), QStringLiteral("Menu"));
    EXPECT_FALSE(dlg.PowerScreen().Button(CScreen_LumoPower::IDC_POWER_ON)->text().isEmpty());
    dlg.OnApplied(false);
    EXPECT_EQ(m_messageBox.Shown(),
              QStringList{QStringLiteral("Applying the settings to the board failed.")});
}

TEST_F(MainWindowTest, EachLinkErrorReportShowsItsOwnTextOnce) {
    // The over-clock page's own tests cover the apply and refresh errors.
    CTunevoDlg& dlg = Open();
    dlg.OnPowerCommandDone(false, 0);
    dlg.OnPowerCommandDone(false, 255);
    dlg.OnPowerCommandDone(true, 255);
    dlg.OnLinkError(5, "Generate INIConfig fileerror \n");
    dlg.OnMessageModeDone(false);
    dlg.OnArrayRefreshed(4, false);
    // Replies going missing are told in the status banner, once, not in a box.
    dlg.OnLinkError(kErrorTimingFallback, kTextTimingFallback);
    EXPECT_TRUE(dlg.StatusBanner().isVisible());
    EXPECT_TRUE(dlg.StatusBanner().Text().startsWith(QStringLiteral("Replies went missing")));
    dlg.StatusBanner().hide();
    dlg.OnLinkError(kErrorTimingFallback, kTextTimingFallback);
    EXPECT_FALSE(dlg.StatusBanner().isVisible());
    EXPECT_EQ(m_messageBox.Shown(),
              (QStringList{QStringLiteral("CMOS can only be cleared while the PC is off."),
                           QStringLiteral("The power command did not reach the board.")}));
    EXPECT_EQ(m_pEnded->count(), 0);
}

// The board goes away under the window and comes back, rebooted on the same
// port: the window stays, says what it does, takes nothing that needs the
// board meanwhile, and goes on from where it was.
class ReconnectTest : public MainWindowFixture {
protected:
    QWidget* m_pFocusBefore = nullptr;
    // Opens the window, steps the first row up, and takes the board away.
    void StepAndLoseTheBoard() {
        CTunevoDlg& dlg = OpenPolling();
        m_strStepped = dlg.OverClockPage().Controls().front()->GetName();
        dlg.OverClockPage().Controls().front()->StepUp();
        m_pFocusBefore = &dlg.OverClockPage().Controls().front()->PlusButton();
        m_pFocusBefore->setFocus();
        m_strSteppedRaw = dlg.OverClockPage().Controls().front()->GetRawValue();
        m_pLine->SetHungUp(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.IsReconnecting(); }, 10000));
        const CScreen_Status& banner = dlg.StatusBanner();
        EXPECT_TRUE(banner.isVisible());
        EXPECT_TRUE(banner.accessibleName().startsWith(QStringLiteral("The board is out of reach")))
            << banner.accessibleName().toStdString();
        // One search fails while the line is still down; the pause grows.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return banner.Text().contains(QStringLiteral("Trying again in 2 s")); }, 10000));
        EXPECT_FALSE(dlg.OverClockPage().isEnabled());
        // The last values stay, greyed, with the time they were read.
        EXPECT_TRUE(banner.Text().contains(QStringLiteral("The values shown were last read at ")))
            << banner.Text().toStdString();
        EXPECT_FALSE(dlg.ControlBar().isEnabled());
        EXPECT_FALSE(SoftKeysEnabled());
        EXPECT_TRUE(m_pFrame->OkButton().isEnabled()) << "the user can still quit";
        dlg.OnMenuCommand(ID_MENU_SAVE_PROFILE_ONE);
        EXPECT_FALSE(dlg.SaveProfileScreen().isVisible());
    }
    // Serves a board on a new line at the port, as a board that rebooted,
    // and waits for the window to have loaded it.
    void BringBack(std::shared_ptr<CBoardModel> pBoard) {
        m_pLine = std::make_shared<CMemoryLine>(std::move(pBoard), m_pClock);
        m_pOpener->Attach(0, m_pLine);
        CTunevoDlg& dlg = *m_pDlg;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.IsReconnecting(); }, 20000));
        WaitForLockCheck();
        EXPECT_FALSE(dlg.StatusBanner().isVisible());
        EXPECT_TRUE(dlg.OverClockPage().isEnabled());
        EXPECT_TRUE(SoftKeysEnabled());
        EXPECT_EQ(m_pEnded->count(), 0);
        // The focus is back where it was, or at the page's start when that
        // control is gone: never on the OK that quits.
        QWidget* pFocus = QApplication::focusWidget();
        EXPECT_NE(pFocus, &m_pFrame->OkButton());
        EXPECT_TRUE(pFocus != nullptr && dlg.OverClockPage().isAncestorOf(pFocus));
    }
    // The demo board with some of its text replaced.
    std::shared_ptr<CBoardModel> DemoWith(
        const std::vector<std::pair<std::string, std::string>>& replacements) {
        std::string strText;
        EXPECT_TRUE(ReadRegularFile(TUNEVO_SOURCE_DIR "/resources/demo-board.ini", strText));
        for (const auto& [strOld, strNew] : replacements) {
            const size_t nAt = strText.find(strOld);
            EXPECT_NE(nAt, std::string::npos) << strOld;
            strText.replace(std::min(nAt, strText.size()), strOld.size(), strNew);
        }
        CBoardDescription description;
        std::string strError;
        EXPECT_TRUE(description.Parse(strText, strError)) << strError;
        return std::make_shared<CBoardModel>(description, m_pClock);
    }
    const COCControl* Row(const std::u16string& name) const {
        for (const COCControl* pRow : m_pDlg->OverClockPage().Controls()) {
            if (pRow->GetName() == name) {
                return pRow;
            }
        }
        return nullptr;
    }

    std::u16string m_strStepped;
    std::u16string m_strSteppedRaw;
};

TEST_F(ReconnectTest, TheMonitorsLastValuesAreGreyedWhileTheBoardIsAway) {
    CTunevoDlg& dlg = OpenPolling();
    dlg.ShowPage(CTunevoDlg::kPageMonitor);
    const CMyListCtrl& values = dlg.MonitorPage().List(dlg.MonitorPage().Category());
    ASSERT_TRUE(QTest::qWaitFor([&] { return values.ValueColour(0) == Qt::white; }, 10000));
    m_pLine->SetHungUp(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.IsReconnecting(); }, 10000));
    EXPECT_EQ(values.ValueColour(0), kValueStale);
}

TEST_F(ReconnectTest, TheSameBoardBackKeepsTheUnappliedStepAndReadsTheValuesAnew) {
    StepAndLoseTheBoard();
    // The board came back with another setting of CPU VCCSA.
    BringBack(DemoWith({{"VCCSA,2,1,700,1500,1050,", "VCCSA,2,1,700,1500,1100,"}}));
    const COCControl* pStepped = Row(m_strStepped);
    ASSERT_NE(pStepped, nullptr);
    EXPECT_TRUE(pStepped->IsEdited());
    EXPECT_EQ(pStepped->GetRawValue(), m_strSteppedRaw);
    EXPECT_EQ(Row(u"CPU VCCSA")->GetRawValue(), u"1100");
    EXPECT_FALSE(Row(u"CPU VCCSA")->IsEdited());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
}

TEST_F(ReconnectTest, ABoardBackWithAnotherDescriptionRebuildsThePagesAndSaysSo) {
    StepAndLoseTheBoard();
    BringBack(DemoWith(
        {{"Ver=TVB-Z790-1.02", "Ver=TVB-Z790-2.00"}, {"1=CPU Vcore,", "1=CPU Core Voltage,"}}));
    EXPECT_EQ(Row(u"CPU Vcore"), nullptr);
    ASSERT_NE(Row(u"CPU Core Voltage"), nullptr);
    EXPECT_FALSE(m_pDlg->OverClockPage().HasUnappliedEdits());
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(
        m_messageBox.Shown()[0].contains(QStringLiteral("TVB-Z790-2.00; before: TVB-Z790-1.02")))
        << m_messageBox.Shown()[0].toStdString();
}

// The first answer says unlocked: nothing shows, and a screen the user
// opened before it stays open.
TEST_F(MainWindowTest, TheLockCheckRunsHalfASecondAfterStartOffTheMainThread) {
    CTunevoDlg& dlg = Open();
    EXPECT_TRUE(dlg.CheckLockTimer().isActive());
    EXPECT_EQ(dlg.CheckLockTimer().interval(), 500);
    dlg.OnMenuCommand(ID_MENU_LUMO_POSTER);
    const Bytes kLockQuery = {0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5};
    EXPECT_EQ(CountSent(kLockQuery), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pLink->LockState() == 1; }));
    EXPECT_FALSE(dlg.CheckLockTimer().isActive()) << "it fires once";
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.LockBanner().isVisible());
    EXPECT_TRUE(dlg.PosterScreen().isVisible());
    EXPECT_FALSE(SoftKeysEnabled());
    EXPECT_FALSE(dlg.RefreshOcTimer().isActive());
}

TEST_F(MainWindowTest, TapsOnTheWindowWhileAMessageBoxIsUpDoNothing) {
    CTunevoDlg& dlg = Open();
    m_pFrame->move(200, 40);
    CQtMessageBox realBox(m_pFrame.get());
    int nPageDuringBox = -1;
    // A tap as the window system delivers it, on the monitor tab.
    const QPoint monitorTab(300, CDeviceFrame::StripHeight(480) + 20);
    QTimer::singleShot(100, [&] {
        QTest::mouseClick(m_pFrame->windowHandle(), Qt::LeftButton, {}, monitorTab);
        nPageDuringBox = dlg.Page();
        QWidget* pBox = QApplication::activeModalWidget();
        ASSERT_NE(pBox, nullptr);
        // On the window, whatever the active window is (the box polishes
        // its size a little once shown).
        const QPoint offset = pBox->frameGeometry().center() - m_pFrame->frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 6) << offset.x() << "," << offset.y();
        static_cast<QDialog*>(pBox)->accept();
    });
    realBox.ShowMessage(QStringLiteral("The power command did not reach the board."));
    EXPECT_EQ(nPageDuringBox, 0) << "the monitor tab was not taken";
    // The focus comes back where it was; when that control went away under
    // the box, to the page's first one, not to the OK that quits.
    for (const bool bHideMeanwhile : {false, true}) {
        QPushButton& apply = dlg.ControlBar().ApplyButton();
        apply.setFocus();
        QTimer::singleShot(100, [&] {
            dlg.ControlBar().setVisible(!bHideMeanwhile);
            static_cast<QDialog*>(QApplication::activeModalWidget())->accept();
        });
        realBox.ShowMessage(QStringLiteral("The description could not be downloaded."));
        QWidget* pFocus = m_pFrame->focusWidget();
        if (!bHideMeanwhile) {
            EXPECT_EQ(pFocus, &apply);
        } else {
            EXPECT_TRUE(pFocus != nullptr && dlg.OverClockPage().isAncestorOf(pFocus));
        }
    }
    dlg.ControlBar().show();
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

// Qt's own button texts follow the chosen language, and a Chinese text takes
// its Latin letters from the Chinese font ("清除 CMOS" in one weight).
TEST_F(MainWindowTest, MessageBoxButtonsSpeakTheChosenLanguageAndTextsUseItsFont) {
    // The locale, the word for Yes, the font its texts resolve to.
    const std::tuple<const char*, const char16_t*, const char*> languages[] = {
        {"zh_CN.UTF-8", u"是", "WenQuanYi Micro Hei"},
        {"zh_TW.UTF-8", u"是", "WenQuanYi Micro Hei"},
        {"en_US.UTF-8", u"Yes", "DejaVu Sans"}};
    for (const auto& [pszLocale, pszYes, pszFont] : languages) {
        UseLocale(pszLocale);
        // Both resolved, as the family may be named in the locale's language.
        EXPECT_EQ(QFontInfo(ScreenFont(24, QFont::Bold)).family(),
                  QFontInfo(QFont(QString::fromLatin1(pszFont))).family());
        QString strButtons;
        QTimer::singleShot(50, [&] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(pBox, nullptr);
            strButtons = pBox->button(QMessageBox::Yes)->text();
            pBox->reject();
        });
        CQtMessageBox().AskYesNo(QStringLiteral("?"));
        EXPECT_TRUE(strButtons.contains(QString::fromUtf16(pszYes))) << strButtons.toStdString();
    }
}

constexpr int kVolt = CSubScreen_Monitor::kCategoryVolt;
constexpr int kTemp = CSubScreen_Monitor::kCategoryTemp;
constexpr int kFan = CSubScreen_Monitor::kCategoryFan;
constexpr int kFreq = CSubScreen_Monitor::kCategoryFreq;

class MonitorPageTest : public MainWindowFixture {
protected:
    // Opens the main window with its polls running and shows the monitor
    // page. Its ticks then come from the test alone.
    CSubScreen_Monitor& OpenMonitor() {
        OpenPolling();
        Tap(m_pDlg.get(), g_rcTabMonitor.ToQRect().center());
        Page().StopRefresh();
        Page().StopWatch();
        for (int nCategory : {kVolt, kTemp, kFan, kFreq}) {
            for (const BoardItem& item : m_pLink->GetArray(static_cast<EBoardArray>(nCategory))) {
                m_lastLetterOf[nCategory] = static_cast<uint8_t>(WToL(item.ValueCmd));
                m_categoryOf[m_lastLetterOf[nCategory]] = nCategory;
            }
        }
        return Page();
    }
    CSubScreen_Monitor& Page() const { return m_pDlg->MonitorPage(); }
    CMyListCtrl& List(int nCategory) const { return Page().List(nCategory); }
    QString Value(int nCategory, int nRow) const {
        return List(nCategory).Text(nRow, CMyListCtrl::kColumnValue);
    }
    void TapTab(int nCategory) { Tap(&Page(), Page().TabRect(nCategory).center()); }
    std::string ValueColour(int nCategory, int nRow) const {
        CMyListCtrl& list = List(nCategory);
        return TextColourIn(list.viewport()->grab().toImage(),
                            list.CellRect(nRow, CMyListCtrl::kColumnValue));
    }
    // Value reads of monitored items sent from a position on.
    std::vector<Bytes> HardwareReadsFrom(size_t nFrom) const {
        std::vector<Bytes> reads = SentFrom(nFrom);
        std::erase_if(reads, [&](const Bytes& frame) {
            return frame[0] != Protocol::kStartQuery || !m_categoryOf.contains(frame[2]);
        });
        return reads;
    }
    // Asks for one refresh now, as a tick does, and waits until it was read.
    void Tick(int nCategory) {
        ASSERT_EQ(ReadBy([&] { Page().OnTimerRefresh(); }), nCategory);
    }
    // Runs an action that asks for one category's refresh, waits until the
    // read of its last item went out, and gives the category read.
    int ReadBy(const std::function<void()>& ask) {
        const size_t nFrom = SentCount();
        ask();
        int nRead = 0;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const std::vector<Bytes> reads = HardwareReadsFrom(nFrom);
            nRead = reads.empty() ? 0 : m_categoryOf.at(reads.front()[2]);
            return nRead != 0 && reads.back()[2] == m_lastLetterOf[nRead];
        }));
        QTest::qWait(100);  // the reply and the report that follows
        return nRead;
    }
    // Shows a category and reads it from the board now.
    void Read(int nCategory) {
        TapTab(nCategory);
        Tick(nCategory);
    }
    int ActiveTimersOfPage() const {
        return static_cast<int>(
            std::ranges::count_if(Page().findChildren<QTimer*>(), &QTimer::isActive));
    }

    // The monitored category of each item's letter, and each one's last letter.
    std::map<uint8_t, int> m_categoryOf;
    std::map<int, uint8_t> m_lastLetterOf;
};

TEST_F(MonitorPageTest, ATabShowsItsListAtOnceAndTheNextTickReadsThatCategoryOnly) {
    CSubScreen_Monitor& page = OpenMonitor();
    const QString cpuClock = Value(kFreq, 0);
    const size_t nFrom = SentCount();

    TapTab(kFreq);
    EXPECT_EQ(page.Category(), kFreq);
    EXPECT_TRUE(List(kFreq).isVisible());
    EXPECT_FALSE(List(kVolt).isVisible());
    EXPECT_EQ(Value(kFreq, 0), cpuClock) << "the values last read, no read made";
    EXPECT_TRUE(HardwareReadsFrom(nFrom).empty());

    // CPU Clock, BCLK and DRAM Clock (letters 89, 90, 109), once each:
    // D3 05 59 00 00 00 00 with D3^05^59 = 8F, and so on.
    Tick(kFreq);
    EXPECT_EQ(HardwareReadsFrom(nFrom),
              (std::vector<Bytes>{{0xD3, 0x05, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8F},
                                  {0xD3, 0x05, 0x5A, 0x00, 0x00, 0x00, 0x00, 0x8C},
                                  {0xD3, 0x05, 0x6D, 0x00, 0x00, 0x00, 0x00, 0xBB}}));

    // A tap outside the four tabs keeps the category.
    Tap(&page, QPoint(200, 300));
    EXPECT_EQ(page.Category(), kFreq);
}

TEST_F(MonitorPageTest, TheRefreshRunsWhileThePageIsShownAndTheWatchAlwaysEachOnOneTimer) {
    CTunevoDlg& dlg = Open();
    // The watch's first round comes soon: Chassis Fan 2 stands still.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Page().HasAnyAlarm(); },
                                4 * CSubScreen_Monitor::kRefreshPeriodMs));
    EXPECT_FALSE(Page().IsRefreshRunning());
    EXPECT_FALSE(Page().isVisible());
    const QPoint monitorTab = g_rcTabMonitor.ToQRect().center();
    const QPoint overClockTab = g_rcTabOverClock.ToQRect().center();
    for (const QPoint& tab : {monitorTab, monitorTab, overClockTab, monitorTab, monitorTab}) {
        Tap(&dlg, tab);
        EXPECT_EQ(Page().IsRefreshRunning(), tab == monitorTab);
        EXPECT_EQ(ActiveTimersOfPage(), tab == monitorTab ? 2 : 1);
    }
    EXPECT_TRUE(Page().isVisible());

    // The real timer reads the shown list again and updates it in place.
    TapTab(kFan);
    CMyListCtrl& fans = List(kFan);
    const QString pump = fans.Text(3, CMyListCtrl::kColumnLabel);
    m_pBoard->HoldValue("Pump", 1234);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Value(kFan, 3) == QStringLiteral("1234"); },
                                3 * CSubScreen_Monitor::kRefreshPeriodMs));
    EXPECT_EQ(fans.RowCount(), 4);
    EXPECT_EQ(fans.Text(3, CMyListCtrl::kColumnLabel), pump);
    EXPECT_EQ(fans.Text(3, CMyListCtrl::kColumnUnit), QStringLiteral("[RPM]"));
}

// Whichever page and tab are up, the watch reads in turn the categories that
// can alarm and that the refresh does not read anyway, so their alarms show.
TEST_F(MonitorPageTest, TheWatchReadsTheOtherCategoriesThatCanAlarmInTurn) {
    m_pBoard->HoldValue("CPU", 75);  // Threshold2 70
    OpenMonitor();
    auto watchTurns = [&](int nTurns) {
        std::vector<int> read;
        while (nTurns-- > 0) {
            read.push_back(ReadBy([&] { Page().OnTimerWatch(); }));
        }
        return read;
    };
    Tap(m_pDlg.get(), g_rcTabOverClock.ToQRect().center());
    EXPECT_EQ(watchTurns(4), (std::vector<int>{kVolt, kTemp, kFan, kVolt}));
    EXPECT_GT(CountPixels(m_pDlg->grab().toImage(), g_rcTabMonitor.ToQRect(), IsAlarmRed), 0)
        << "the temperature read by the watch alone";

    Tap(m_pDlg.get(), g_rcTabMonitor.ToQRect().center());
    TapTab(kTemp);
    ASSERT_TRUE(Page().IsRefreshRunning());
    EXPECT_EQ(watchTurns(3), (std::vector<int>{kFan, kVolt, kFan}));
}

// In fast timing a category costs milliseconds: one watch tick reads every
// category that can alarm, so an alarm behind another tab shows within a period.
TEST_F(MonitorPageTest, InFastTimingOneWatchTickReadsEveryCategoryThatCanAlarm) {
    m_timing = ELinkTiming::Fast;
    OpenMonitor();
    Tap(m_pDlg.get(), g_rcTabOverClock.ToQRect().center());
    const size_t nFrom = SentCount();
    Page().OnTimerWatch();
    std::set<int> read;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        for (const Bytes& frame : HardwareReadsFrom(nFrom)) {
            if (frame[2] == m_lastLetterOf[m_categoryOf.at(frame[2])]) {
                read.insert(m_categoryOf.at(frame[2]));
            }
        }
        return read.size() == 3;
    }));
    EXPECT_EQ(read, (std::set<int>{kVolt, kTemp, kFan}));
}

// Under each value: its minimum, average and maximum since the last reset,
// in the value's format. A missed read moves none of them; the menu's reset
// starts them again.
TEST_F(MonitorPageTest, EachRowShowsItsFiguresSinceTheResetAndAMissedReadMovesNone) {
    OpenMonitor();
    Read(kTemp);
    QTest::qWait(200);  // the reports of reads asked before the test's own
    m_pDlg->OnMenuCommand(ID_MENU_RESET_FIGURES);
    const CMyListCtrl& list = List(kTemp);
    int nRow = 0;
    while (nRow < list.RowCount() && list.Text(nRow, CMyListCtrl::kColumnLabel) != "CPU:") {
        ++nRow;
    }
    ASSERT_LT(nRow, list.RowCount());
    EXPECT_EQ(list.FiguresText(nRow), QStringLiteral("min --   avg --   max --"));
    for (int nHeld : {60, 71, 80}) {
        m_pBoard->HoldValue("CPU", nHeld);
        Tick(kTemp);
    }
    const QString strFigures = QStringLiteral("min 60   avg 70   max 80");
    EXPECT_EQ(list.FiguresText(nRow), strFigures);
    uint8_t nCpuLetter = 0;
    for (const BoardItem& item : m_pLink->GetArray(EBoardArray::HwTemp)) {
        nCpuLetter = item.Name == u"CPU" ? static_cast<uint8_t>(WToL(item.ValueCmd)) : nCpuLetter;
    }
    m_pBoard->SetFault(EBoardFault::NoReply, nCpuLetter);
    m_pBoard->HoldValue("CPU", 20);
    Tick(kTemp);
    EXPECT_EQ(list.FiguresText(nRow), strFigures) << "a missed read is a gap";
    m_pBoard->SetFault(EBoardFault::None);
    Page().ResetButton().click();  // the page's own button, as the menu's entry
    Tick(kTemp);
    EXPECT_EQ(list.FiguresText(nRow), QStringLiteral("min 20   avg 20   max 20"));

    // The row's graph spans its history, resets or not, the missed read a gap.
    Page().ChooseRow(nRow);
    const QString strGraph = Page().Graph().Description();
    EXPECT_TRUE(
        strGraph.startsWith("CPU over the last 2 minutes: now 20 °C, lowest 20 °C, highest 80 °C. "
                            "The alarm is at 70 °C or above."))
        << strGraph.toStdString();
    EXPECT_TRUE(strGraph.endsWith("Stretches without a value: 1.")) << strGraph.toStdString();
}

// By keys alone: Tab to the list, a row by the arrows, Enter shows its
// graph under the list, which follows the row's reads; Escape or another
// tab closes it. In the small layout it takes the list's place, and Back
// returns to the list.
TEST_F(MonitorPageTest, TheGraphOfARowChosenByKeyFollowsItsReadsAndClosesByEscapeTabOrBack) {
    StartBoard();
    for (const QSize size : {kDefaultClientSize, LayoutClientSize(LayoutSmall)}) {
        const bool bSmall = size == LayoutClientSize(LayoutSmall);
        SCOPED_TRACE(bSmall ? "small" : "large");
        m_pDlg.reset();
        OpenMainWindow(size);
        m_pFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        m_pDlg->ShowPage(CTunevoDlg::kPageMonitor);
        Page().StopRefresh();
        Page().StopWatch();
        Page().ShowCategory(kVolt);
        CMyListCtrl& list = List(kVolt);
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        QTest::keyClick(&list, Qt::Key_Return);
        const int nRow = list.currentIndex().row();
        ASSERT_TRUE(Page().IsGraphShown());
        EXPECT_EQ(Page().ChosenRow(), nRow);
        const CHistoryGraph& graph = Page().Graph();
        const QString strName = list.Text(nRow, CMyListCtrl::kColumnLabel).chopped(1);
        EXPECT_EQ(graph.accessibleName(), "Graph of " + strName);
        EXPECT_TRUE(graph.isVisible());
        EXPECT_EQ(list.isVisible(), !bSmall);
        EXPECT_EQ(Page().CloseGraphButton().isVisible(), bSmall);
        if (!bSmall) {
            EXPECT_LE(list.geometry().bottom(), graph.geometry().top()) << "under the list";
        } else {
            EXPECT_TRUE(graph.hasFocus());
        }
        const QString strBefore = graph.Description();
        m_pBoard->HoldValue(strName.toStdString(), 1500);  // 1.50000 V
        Page().OnTimerRefresh();
        ASSERT_TRUE(QTest::qWaitFor([&] { return graph.Description() != strBefore; }));
        EXPECT_TRUE(graph.Description().contains("now 1.50000 V"))
            << graph.Description().toStdString();
        if (bSmall) {
            Page().CloseGraphButton().click();
            EXPECT_TRUE(list.hasFocus()) << "back where the user was";
        } else {
            QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
        }
        EXPECT_FALSE(Page().IsGraphShown());
        EXPECT_FALSE(graph.isVisible());
        EXPECT_TRUE(list.isVisible());
        Page().ChooseRow(0);
        Page().ShowCategory(kTemp);
        EXPECT_FALSE(Page().IsGraphShown()) << "the graph was of the other tab's item";
        EXPECT_EQ(list.ChosenRow(), -1);
    }
}

// Record to File: a new file in the data folder, a line for each value read
// while it runs, the caption and the menu saying so; a second choice stops it.
TEST_F(MonitorPageTest, RecordToFileWritesEachValueReadUntilStoppedAndTheCaptionSaysSo) {
    OpenMonitor();
    ASSERT_FALSE(m_pDlg->IsRecording());
    m_pDlg->OnMenuCommand(ID_MENU_RECORD);
    ASSERT_TRUE(m_pDlg->IsRecording());
    const std::string strFile = m_pDlg->RecordingFile();
    EXPECT_EQ(strFile.rfind(m_dir.Path() + "/tunevo/recordings/tunevo-", 0), 0u) << strFile;
    EXPECT_EQ(m_pFrame->Caption(), "Tunevo \u25CF Recording");
    EXPECT_EQ(m_pFrame->windowTitle(), m_pFrame->Caption());
    EXPECT_EQ(m_pFrame->SoftKeyBar()->Action(ID_MENU_RECORD)->text(), "Stop Recording");
    m_pBoard->HoldValue("CPU", 75);
    Read(kTemp);
    Read(kVolt);
    // The over-clock page's menu says the same, and stops the same recording.
    m_pDlg->ShowPage(CTunevoDlg::kPageOverClock);
    EXPECT_EQ(m_pFrame->SoftKeyBar()->Action(ID_MENU_RECORD)->text(), "Stop Recording");
    m_pDlg->OnMenuCommand(ID_MENU_RECORD);
    EXPECT_FALSE(m_pDlg->IsRecording());
    EXPECT_EQ(m_pFrame->Caption(), "Tunevo");
    EXPECT_EQ(m_pFrame->windowTitle(), "Tunevo");
    EXPECT_EQ(m_pFrame->SoftKeyBar()->Action(ID_MENU_RECORD)->text(), "Record to File");
    m_pDlg->ShowPage(CTunevoDlg::kPageMonitor);
    Read(kTemp);  // after the stop: not recorded

    std::ifstream file(strFile);
    std::vector<std::string> lines;
    for (std::string strLine; std::getline(file, strLine);) {
        lines.push_back(strLine);
    }
    const size_t nItems = m_pLink->GetArray(EBoardArray::HwTemp).size() +
                          m_pLink->GetArray(EBoardArray::HwVolt).size();
    ASSERT_EQ(lines.size(), 1 + nItems);
    EXPECT_EQ(lines[0], "time,item,category,value,unit,alarm");
    EXPECT_EQ(std::ranges::count_if(lines,
                                    [](const std::string& strLine) {
                                        return strLine.ends_with(",CPU,HW_Temp,75,\u00B0C,1");
                                    }),
              1);
    EXPECT_TRUE(lines.back().ends_with(",V,0")) << lines.back();
}

// Each category's own colour rule, read off the rendered list: fans at 600
// RPM or less, voltages and temperatures at their Threshold2, frequencies never.
TEST_F(MonitorPageTest, EachCategoryColoursItsValuesByItsOwnRule) {
    const std::pair<const char*, int> held[] = {
        {"CPU Fan", 601}, {"DRAM", 160}, {"+5V", 504}, {"CPU", 70}, {"Motherboard", 59}};
    for (const auto& [pszName, nValue] : held) {
        m_pBoard->HoldValue(pszName, nValue);
    }
    OpenMonitor();
    const std::pair<int, std::vector<std::string>> lists[] = {
        {kFan, {"white", "white", "red", "white"}},  // Chassis Fan 2 stands still
        {kVolt, {"white", "white", "white", "white", "red"}},
        {kTemp, {"red", "white", "white", "white"}},
        {kFreq, {"white", "white", "white"}}};
    for (const auto& [nCategory, expected] : lists) {
        Read(nCategory);
        std::vector<std::string> colours;
        for (int nRow = 0; nRow < List(nCategory).RowCount(); ++nRow) {
            colours.push_back(ValueColour(nCategory, nRow));
        }
        EXPECT_EQ(colours, expected) << nCategory;
    }
}

// The desktop's notification service, faked on a bus of the test's own.
class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList m_bodies;
    QStringList m_iconsAndUrgencies;
public slots:
    uint Notify(const QString&, uint, const QString& strIcon, const QString&,
                const QString& strBody, const QStringList&, const QVariantMap& hints, int) {
        m_bodies << strBody;
        m_iconsAndUrgencies << strIcon + " " + QString::number(hints.value("urgency").toInt());
        return static_cast<uint>(m_bodies.size());
    }
};

// A category holding a value in alarm marks its tab, and the Monitor tab;
// the desktop is told each time a value comes into alarm, once.
TEST_F(MonitorPageTest, AnAlarmMarksItsTabsAndIsToldToTheDesktopOnceAsItComes) {
    TempDir busDir;
    const QString strBus = QString::fromStdString("unix:path=" + busDir.Path() + "/bus");
    CChildProcess bus("/usr/bin/dbus-daemon",
                      {"--session", "--nofork", "--address=" + strBus.toStdString()});
    // The socket appears before the daemon listens on it: connect until it answers.
    auto connected = [&] {
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        return QDBusConnection::connectToBus(strBus, QStringLiteral("service")).isConnected();
    };
    ASSERT_TRUE(WaitUntil(connected));
    QDBusConnection service = QDBusConnection::connectToBus(strBus, QStringLiteral("service"));
    FakeNotifications notifications;
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                       &notifications, QDBusConnection::ExportAllSlots));
    m_pBoard->HoldValue("CPU", 40);
    OpenMonitor();
    m_pDlg->Notifier().SetConnection(
        QDBusConnection::connectToBus(strBus, QStringLiteral("tunevo")));
    auto tempTabRed = [&] {
        return CountPixels(Page().grab().toImage(), Page().TabRect(kTemp), IsAlarmRed);
    };
    Read(kTemp);
    EXPECT_EQ(tempTabRed(), 0);
    for (int nHeld : {75, 76, 40, 70}) {  // Threshold2 70
        m_pBoard->HoldValue("CPU", nHeld);
        Tick(kTemp);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications.m_bodies.size() == 2; }));
    EXPECT_EQ(notifications.m_bodies[0], QStringLiteral("CPU is at its alarm value: 75 [\u2103]"));
    EXPECT_EQ(notifications.m_bodies[1], QStringLiteral("CPU is at its alarm value: 70 [\u2103]"));
    EXPECT_EQ(notifications.m_iconsAndUrgencies.first(), QStringLiteral("org.tunevo.Tunevo 2"));
    EXPECT_GT(tempTabRed(), 0);
    QTest::qWait(100);
    EXPECT_EQ(notifications.m_bodies.size(), 2) << "told once per entry";
    // And kept in the alarm log, each entry with the board and the value.
    const std::vector<AlarmEntry> logged = ReadAlarms();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].strBoard, "TVB-Z790-1.02");
    EXPECT_EQ(logged[0].strItem, "CPU");
    EXPECT_EQ(logged[1].strValue, "70");
    EXPECT_EQ(logged[1].strUnit, "\u00B0C");
    // Listed in the window, newest first, until Escape closes the list.
    m_pDlg->OnMenuCommand(ID_MENU_ALARM_LOG);
    const QListWidget& shown = m_pDlg->AlarmLogScreen().List();
    ASSERT_TRUE(m_pDlg->AlarmLogScreen().isVisible());
    ASSERT_EQ(shown.count(), 2);
    EXPECT_TRUE(shown.item(0)->text().endsWith("\nCPU is at its alarm value: 70 \u00B0C"));
    EXPECT_TRUE(shown.item(1)->text().endsWith("\nCPU is at its alarm value: 75 \u00B0C"));
    EXPECT_EQ(shown.item(0)->toolTip(), "TVB-Z790-1.02");
    EXPECT_FALSE(SoftKeysEnabled());
    QTest::keyClick(m_pFrame.get(), Qt::Key_Escape);
    EXPECT_FALSE(m_pDlg->AlarmLogScreen().isVisible());
    EXPECT_TRUE(SoftKeysEnabled());
}

// A value the board did not send is never shown: a missed read keeps the last
// one, three in a row grey it with the time of the last good read.
TEST_F(MonitorPageTest, AValueNotReadKeepsItsLastAndGreysAfterThreeMissedReads) {
    m_pBoard->HoldValue("CPU Fan", 1500);
    OpenMonitor();
    TapTab(kFan);
    EXPECT_EQ(Value(kFan, 0), QStringLiteral("--")) << "not read from the board yet";
    EXPECT_TRUE(List(kFan).IsValueStale(0));
    Tick(kFan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Value(kFan, 0) == QStringLiteral("1500"); }));
    EXPECT_FALSE(List(kFan).IsValueStale(0));

    // The CPU fan's replies are damaged; the pump (last) still answers.
    m_pBoard->HoldValue("CPU Fan", 0);
    m_pBoard->HoldValue("Pump", 2047);
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 85);
    for (int nTick = 1; nTick <= 3; ++nTick) {
        Tick(kFan);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Value(kFan, 3) == QStringLiteral("2047"); }));
        EXPECT_EQ(Value(kFan, 0), QStringLiteral("1500")) << "never the damaged 0";
        EXPECT_EQ(List(kFan).IsValueStale(0), nTick == 3) << nTick;
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return List(kFan).IsValueStale(0); }));
    CMyListCtrl& list = List(kFan);
    const QImage image = list.viewport()->grab().toImage();
    EXPECT_GT(CountPixels(image, list.CellRect(0, CMyListCtrl::kColumnValue),
                          [](const QColor& c) { return c == QColor(150, 150, 150); }),
              0);
    EXPECT_EQ(TextColourIn(image, list.CellRect(3, CMyListCtrl::kColumnValue)), "white");
    EXPECT_TRUE(
        list.topLevelItem(0)
            ->toolTip(CMyListCtrl::kColumnValue)
            .startsWith(QStringLiteral("The board has not answered lately; last read at ")));
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());

    // The page takes up again when the board answers.
    m_pBoard->SetFault(EBoardFault::None);
    Tick(kFan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Value(kFan, 0) == QStringLiteral("0"); }));
    EXPECT_FALSE(List(kFan).IsValueStale(0));
}

TEST_F(MonitorPageTest, AnEmptyCategoryShowsNoRowsAndADivisorOfZeroShowsTheRawValue) {
    UseBoard(
        "[Version]\nVer=T2\n"
        "[Over_Volt]\nCount=1\n1=CPU Vcore,2,1,800,1700,1250,1,1000,1.45,1.55,65,97,1250,1\n"
        "[HW_Fan]\nCount=1\n1=Odd Fan,3,0,0,5000,1455,1,0,0,0,85,0,1455,1\n");
    m_pBoard->HoldValue("Odd Fan", 1455);
    OpenMonitor();
    EXPECT_EQ(List(kVolt).RowCount(), 0);
    EXPECT_EQ(List(kFreq).RowCount(), 0);
    TapTab(kFan);
    Tick(kFan);
    EXPECT_EQ(List(kFan).Text(0, CMyListCtrl::kColumnLabel), QStringLiteral("Odd Fan:"));
    EXPECT_EQ(Value(kFan, 0), QStringLiteral("1455"));

    TapTab(kFreq);
    const size_t nFrom = SentCount();
    Page().OnTimerRefresh();
    QTest::qWait(300);
    EXPECT_TRUE(HardwareReadsFrom(nFrom).empty());
    EXPECT_EQ(List(kFreq).RowCount(), 0);
    EXPECT_EQ(ReadBy([&] { Page().OnTimerWatch(); }), kFan) << "the empty ones skipped";
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
}

}  // namespace

#include "MainWindowTest.moc"
