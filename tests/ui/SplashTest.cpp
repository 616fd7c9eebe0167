// The splash screen over the program's link, whose ports are in memory.

#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPointer>
#include <filesystem>
#include <optional>
#include <regex>

#include "link/CNamedBoardOpener.h"
#include "screens/COCControl.h"
#include "screens/CSubScreen_OverClock.h"
#include "shell/CTunevoDlg.h"
#include "shell/CBoardChooser.h"
#include "shell/CScreen_Splash.h"
#include "sim/CBoardDescription.h"
#include "sim/CFixedRadio.h"
#include "tests/ui/MainWindowFixture.h"

namespace {

// No board is on any port unless a test attaches the fixture's one.
class SplashTest : public MainWindowFixture {
protected:
    SplashTest() {
        m_pOpener = std::make_shared<CMemoryPortOpener>();
        CDeviceLink::SetEnvironment({m_pOpener, std::make_shared<CFixedRadio>(), m_pClock});
    }
    ~SplashTest() override { m_pSplash.reset(); }

    CScreen_Splash& MakeSplash(QSize size = kDefaultClientSize) {
        m_pSplash.reset();
        m_pFrame = std::make_unique<CDeviceFrame>(size);
        m_pSplash = std::make_unique<CScreen_Splash>(*m_pFrame, CDeviceLink::Instance(), m_bridge,
                                                     m_messageBox);
        m_pEnded = std::make_unique<QSignalSpy>(m_pSplash.get(), &CScreen_Splash::Ended);
        return *m_pSplash;
    }

    std::unique_ptr<CScreen_Splash> m_pSplash;
};

// The search starts as soon as the splash's events run; the main window
// opens once the description is in, and its rows fill in as the values come.
TEST_F(SplashTest, TheSearchStartsAtOnceAndTheMainWindowOpensBeforeTheValuesAreIn) {
    m_pOpener->Attach(5, m_pLine);
    CScreen_Splash& splash = MakeSplash();
    EXPECT_TRUE(m_pOpener->Tried().empty()) << "no port is touched while the splash is made";
    std::optional<bool> loadedWhenShown;
    std::optional<QString> vcoreWhenShown;
    QObject::connect(&splash, &CScreen_Splash::MainWindowShown, [&](CTunevoDlg* pMainWindow) {
        loadedWhenShown = CDeviceLink::Instance().IsLoaded();
        vcoreWhenShown = pMainWindow->OverClockPage().Controls().front()->DisplayText();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return splash.MainWindow() != nullptr; }, 5000));
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(loadedWhenShown, false) << "the window does not wait for the values";
    EXPECT_EQ(vcoreWhenShown, QStringLiteral("--"));
    const COCControl& vcore = *splash.MainWindow()->OverClockPage().Controls().front();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vcore.DisplayText() != QStringLiteral("--"); }, 5000));
    EXPECT_TRUE(CDeviceLink::Instance().IsLoaded());
    EXPECT_FALSE(splash.AnimateTimer().isActive()) << "the animation freezes";
    EXPECT_EQ(splash.MainWindow()->geometry(), splash.geometry());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    EXPECT_EQ(m_pEnded->count(), 0);
    // The splash's end tears the link down: a fresh one, with no port, follows.
    m_pSplash.reset();
    EXPECT_FALSE(CDeviceLink::Instance().HasPort());
    CDeviceLink::Destroy();
}

// Two boards answer a search that offers a choice: the user picks the
// second by keyboard alone, remembering it or not.
TEST_F(SplashTest, WhenTwoBoardsAnswerTheUserPicksOneByKeyboardAndMayHaveItRemembered) {
    for (const bool bRemember : {true, false}) {
        SCOPED_TRACE(bRemember ? "remembered" : "not remembered");
        m_pOpener = std::make_shared<CMemoryPortOpener>();
        m_pOpener->SetOffersChoice(true);
        CDeviceLink::SetEnvironment({m_pOpener, std::make_shared<CFixedRadio>(), m_pClock});
        const auto pFirstLine = std::make_shared<CMemoryLine>(
            std::make_shared<CBoardModel>(CBoardDescription::Demo(), m_pClock), m_pClock);
        const auto pOtherLine = std::make_shared<CMemoryLine>(
            std::make_shared<CBoardModel>(CBoardDescription::Demo(), m_pClock), m_pClock);
        m_pOpener->Attach(2, pFirstLine);
        m_pOpener->Attach(6, pOtherLine);
        CScreen_Splash& splash = MakeSplash();
        m_pFrame->show();
        m_pFrame->activateWindow();
        splash.OnTimerStartSearch();
        const CBoardChooser& chooser = splash.BoardChooser();
        ASSERT_TRUE(QTest::qWaitFor([&] { return chooser.isVisible(); }, 5000));
        ASSERT_EQ(chooser.List().count(), 2);
        EXPECT_EQ(chooser.List().item(0)->text(), QStringLiteral("memory 2"));
        EXPECT_EQ(chooser.List().item(1)->text(), QStringLiteral("memory 6"));
        EXPECT_TRUE(chooser.List().hasFocus());
        EXPECT_FALSE(chooser.List().accessibleName().isEmpty());
        EXPECT_TRUE(m_pOpener->AnsweredPorts().empty())
            << "nothing is remembered before the choice";
        QTest::keyClick(&chooser.List(), Qt::Key_Down);
        if (!bRemember) {
            QTest::keyClick(&chooser.List(), Qt::Key_Tab);
            ASSERT_TRUE(chooser.RememberBox().hasFocus());
            QTest::keyClick(&chooser.RememberBox(), Qt::Key_Space);
            chooser.List().setFocus();
        }
        QTest::keyClick(&chooser.List(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return splash.MainWindow() != nullptr; }, 5000));
        EXPECT_FALSE(chooser.isVisible());
        EXPECT_EQ(m_pOpener->AnsweredPorts(), bRemember ? std::vector<int>{6} : std::vector<int>{});
        // The window works with the chosen board; the other was let go.
        const size_t nToOther = pOtherLine->Sent().size();
        const size_t nToFirst = pFirstLine->Sent().size();
        EXPECT_GT(nToOther, 3u);
        EXPECT_EQ(nToFirst, 1u) << "only the search's open frame";
        m_pSplash.reset();
        CDeviceLink::Destroy();
    }
}

TEST_F(SplashTest, NoBoardShowsTheLinkLostTextOnceInTheLocalesLanguageAndEnds) {
    UseLocale("zh_TW.UTF-8");
    CScreen_Splash& splash = MakeSplash();
    splash.OnTimerStartSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 5000));
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(m_messageBox.Shown()[0].startsWith(QString::fromUtf8("無法連線")));
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
    // Every port was tried once; a second report shows nothing more.
    EXPECT_EQ(m_pOpener->Tried().size(), 9u);
    splash.OnLinkState(false);
    splash.OnConfigLoaded(false);
    EXPECT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_EQ(m_pEnded->count(), 0);

    // A port that another program holds is named as the likely reason.
    UseLocale("en_US.UTF-8");
    m_pOpener->Hold(3);
    MakeSplash().OnTimerStartSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 5000));
    EXPECT_EQ(m_messageBox.Shown().last(),
              QStringLiteral("The board's port is in use by another program. Close that program "
                             "and start Tunevo again."));

    // A board named by the user that refuses is said so, before the general advice.
    std::string strWhy;
    CDeviceLink::SetEnvironment(
        {std::make_shared<CNamedBoardOpener>(*ParseBoardAddress("tcp:127.0.0.1:1", strWhy)),
         std::make_shared<CFixedRadio>(), m_pClock});
    CScreen_Splash& named = MakeSplash();
    named.OnTimerStartSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 5000));
    EXPECT_TRUE(m_messageBox.Shown().last().startsWith("The board named refused the connection"));
    EXPECT_EQ(named.ProgressText(), QStringLiteral("Connecting to tcp:127.0.0.1:1…"));
}

// The start-up reports each port it tries, each piece of the description and
// each array it reads; the splash says so below its animation.
TEST_F(SplashTest, TheStartUpSaysWhatItIsDoingInTheChosenLanguage) {
    m_pOpener->Attach(2, m_pLine);
    StartBoard();
    std::string strSteps;
    for (const auto& report : m_loading.Of("OnProgress")) {
        strSteps += report.strText + ":" + std::to_string(report.nFirst) + "/" +
                    std::to_string(report.nSecond) + " ";
    }
    // Ports 0 to 2 of 9, the description's pieces in order, then the three arrays.
    EXPECT_TRUE(std::regex_match(strSteps, std::regex("0:0/9 0:1/9 0:2/9 1:1/(\\d+) 1:2/\\1 "
                                                      "(1:\\d+/\\1 )*2:1/3 2:2/3 2:3/3 ")))
        << strSteps;

    using EProgress = ILinkListener::EProgress;
    const struct {
        const char* pszLocale;
        EProgress step;
        const char* pszText;
        const char* pszTagline;
    } texts[] = {
        {"en_US.UTF-8", EProgress::SearchingPort, "Looking for the board on port 4…",
         "Remote board tuning"},
        {"zh_CN.UTF-8", EProgress::ReadingValues, "正在读取主板数值：4 / 9", "远程主板调校"},
        {"zh_TW.UTF-8", EProgress::SearchingPort, "正在連接埠 4 上尋找主機板…", "遠端主機板調校"}};
    for (const auto& text : texts) {
        UseLocale(text.pszLocale);
        CScreen_Splash& splash = MakeSplash(QSize(480, 536));
        EXPECT_EQ(g_nScreenLayout, LayoutMedium) << "the layout of the client size";
        splash.OnProgress(text.step, 4, 9);
        EXPECT_EQ(splash.ProgressText(), QString::fromUtf8(text.pszText));
        EXPECT_EQ(splash.Tagline(), QString::fromUtf8(text.pszTagline));
    }
}

TEST_F(SplashTest, ABoardWithoutItemsIsSaidInsteadOfTheWindowAndEndsTheSplash) {
    CScreen_Splash& splash = MakeSplash();
    // This link loaded nothing: there is no window to show.
    splash.OnConfigLoaded(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 2000));
    EXPECT_EQ(splash.MainWindow(), nullptr);
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(m_messageBox.Shown().first().startsWith(
        QStringLiteral("The board's description holds no item")));
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
    // Errors the main window would show, and a second link loss: none is shown.
    m_bridge.OnPowerCommandDone(false, 255);
    m_bridge.OnApplied(false);
    m_bridge.OnLinkState(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_EQ(m_pEnded->count(), 0);
}

TEST_F(SplashTest, AFailedDownloadIsSaidOverTheLastDescriptionOrInsteadOfTheWindow) {
    // The last description is there: the window runs, and says what it runs on.
    std::filesystem::copy_file(TUNEVO_SOURCE_DIR "/resources/demo-board.ini",
                               m_dir.Path() + "/BiosConf_Kolt_V120.ini");
    m_pBoard->SetChunkCount(0);
    m_pOpener->Attach(0, m_pLine);
    CScreen_Splash& splash = MakeSplash();
    splash.OnTimerStartSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_messageBox.Shown().isEmpty(); }, 5000));
    EXPECT_NE(splash.MainWindow(), nullptr);
    EXPECT_TRUE(m_messageBox.Shown().first().startsWith(
        QStringLiteral("The board's description could not be downloaded. The last one")));

    // Without one, nothing can be shown: it is said, and the program ends.
    m_pSplash.reset();
    CDeviceLink::Destroy();
    std::filesystem::remove(m_dir.Path() + "/BiosConf_Kolt_V120.ini");
    CScreen_Splash& bare = MakeSplash();
    bare.OnTimerStartSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 5000));
    EXPECT_EQ(bare.MainWindow(), nullptr);
    EXPECT_TRUE(m_messageBox.Shown().last().contains(QStringLiteral("there is no earlier one")));

    // A kept description with a broken item: the window runs without it, and
    // names it once; one with nothing usable is said instead of the window.
    for (const bool bUsable : {true, false}) {
        m_pSplash.reset();
        CDeviceLink::Destroy();
        m_dir.WriteFile("BiosConf_Kolt_V120.ini",
                        std::string(bUsable ? "[Over_Volt]\nCount=1\n"
                                              "1=Vcore,2,0,800,1700,1250,1,1000,0,0,65,97,1250,1\n"
                                            : "") +
                            "[Over_Freq]\nCount=1\n1=Bad,9,0,0,9,5,1,1,0,0,70,0,5,1\n");
        // After the kept description's own message when the window runs.
        const qsizetype nAwaited = m_messageBox.Shown().size() + (bUsable ? 2 : 1);
        CScreen_Splash& next = MakeSplash();
        next.OnTimerStartSearch();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_messageBox.Shown().size() >= nAwaited; }, 5000));
        EXPECT_EQ(next.MainWindow() != nullptr, bUsable);
        EXPECT_TRUE(m_messageBox.Shown().last().startsWith(
            bUsable ? QStringLiteral("The board's description has faults")
                    : QStringLiteral("The board's description holds no item")));
        EXPECT_TRUE(m_messageBox.Shown().last().contains(
            QStringLiteral("• 'Bad' (item 1 of [Over_Freq]) is left out: its kind '9'")));
    }
}

}  // namespace
