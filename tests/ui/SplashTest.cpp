#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "platform/CVirtualClock.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CScreen_Splash.h"
#include "shell/CTunevoDlg.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"
#include "tests/support/TempDir.h"
#include "tests/ui/CScriptedMessageBox.h"
#include "widgets/ScreenLayout.h"

namespace {

// A splash screen over a link whose ports are in memory and whose time is virtual.
class SplashTest : public testing::Test {
protected:
    SplashTest() {
        std::filesystem::copy_file(TUNEVO_LOCALE_FILE, m_dir.Path() + "/BT_LocaleStr.ini");
        g_szProgramDir = m_dir.Path();
        setenv("LC_ALL", "en_US.UTF-8", 1);
        CDeviceLink::SetEnvironment({m_pOpener, std::make_shared<CFixedRadio>(), m_pClock});
    }
    ~SplashTest() override {
        m_pSplash.reset();
        unsetenv("LC_ALL");
    }

    void AttachBoard(int nPort) {
        m_pLine = std::make_shared<CMemoryLine>(std::make_shared<CBoardModel>(), m_pClock);
        m_pOpener->Attach(nPort, m_pLine);
    }

    CScreen_Splash& MakeSplash(QSize size = kDefaultClientSize) {
        m_pSplash.reset();
        m_pFrame = std::make_unique<CDeviceFrame>(size);
        m_pSplash = std::make_unique<CScreen_Splash>(*m_pFrame, CDeviceLink::Instance(), m_bridge,
                                                     m_messageBox);
        m_pEnded = std::make_unique<QSignalSpy>(m_pSplash.get(), &CScreen_Splash::Ended);
        return *m_pSplash;
    }

    TempDir m_dir;
    std::shared_ptr<CVirtualClock> m_pClock = std::make_shared<CVirtualClock>();
    std::shared_ptr<CMemoryPortOpener> m_pOpener = std::make_shared<CMemoryPortOpener>();
    std::shared_ptr<CMemoryLine> m_pLine;
    CListenerBridge m_bridge;
    CScriptedMessageBox m_messageBox;
    std::unique_ptr<CDeviceFrame> m_pFrame;
    std::unique_ptr<CScreen_Splash> m_pSplash;
    std::unique_ptr<QSignalSpy> m_pEnded;
};

TEST_F(SplashTest, ChoosesTheLayoutByTheClientSize) {
    const struct {
        QSize size;
        int nLayout;
    } layouts[] = {{{240, 268}, LayoutSmall},  {{240, 1000}, LayoutSmall},
                   {{480, 521}, LayoutMedium}, {{480, 549}, LayoutMedium},
                   {{480, 520}, LayoutLarge},  {{480, 550}, LayoutLarge},
                   {{1920, 1080}, LayoutLarge}};
    for (const auto& layout : layouts) {
        EXPECT_EQ(ChooseLayout(layout.size), layout.nLayout) << layout.size.width();
    }
    MakeSplash(QSize(480, 536));
    EXPECT_EQ(g_nScreenLayout, LayoutMedium);
}

TEST_F(SplashTest, NoPortIsTouchedBeforeTheSearchTimerAndABoardIsThenLoaded) {
    AttachBoard(5);
    CScreen_Splash& splash = MakeSplash();
    QCoreApplication::processEvents();
    EXPECT_TRUE(splash.StartSearchTimer().isActive());
    EXPECT_TRUE(m_pOpener->Tried().empty());
    splash.OnTimerStartSearch();
    // The link loads the board (at once, on the virtual clock) and says so.
    ASSERT_TRUE(QTest::qWaitFor([&] { return splash.MainWindow() != nullptr; }, 5000));
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(splash.AnimateTimer().isActive()) << "the animation freezes";
    EXPECT_EQ(splash.MainWindow()->geometry(), splash.geometry());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    EXPECT_EQ(m_pEnded->count(), 0);
    // The splash's end tears the link down: a fresh one, with no port, follows.
    m_pSplash.reset();
    EXPECT_FALSE(CDeviceLink::Instance().HasPort());
    CDeviceLink::Destroy();
}

TEST_F(SplashTest, NoBoardShowsTheLinkLostTextOnceInTheLocalesLanguageAndEnds) {
    setenv("LC_ALL", "zh_TW.UTF-8", 1);
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
}

TEST_F(SplashTest, AMainWindowWithoutItemsSaysTheBoardIsLostAndEndsTheSplash) {
    CScreen_Splash& splash = MakeSplash();
    splash.OnConfigLoaded(true);
    ASSERT_NE(splash.MainWindow(), nullptr);
    EXPECT_TRUE(splash.MainWindow()->isVisibleTo(m_pFrame.get()));
    // This link loaded nothing: no over-clock voltage.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_pEnded->count() > 0; }, 2000));
    EXPECT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_EQ(m_pEnded->takeFirst().at(0).toInt(), int(QDialog::Accepted));
    EXPECT_FALSE(splash.MainWindow()->isVisibleTo(m_pFrame.get()));
    // Errors the main window would show, and a second link loss: none is shown.
    m_bridge.OnPowerCommandDone(false, 255);
    m_bridge.OnApplied(false);
    m_bridge.OnLinkState(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_EQ(m_pEnded->count(), 0);
    // The splash goes, and the main window with it, before the link.
    QPointer<QWidget> pMainWindow = splash.MainWindow();
    m_pSplash.reset();
    EXPECT_TRUE(pMainWindow.isNull());
}

TEST_F(SplashTest, AFailedDownloadIsSaidOverTheLastDescriptionOrInsteadOfTheWindow) {
    // The last description is there: the window runs, and says what it runs on.
    std::filesystem::copy_file(TUNEVO_SOURCE_DIR "/resources/demo-board.ini",
                               m_dir.Path() + "/BiosConf_Kolt_V120.ini");
    std::shared_ptr<CBoardModel> pBoard = std::make_shared<CBoardModel>();
    pBoard->SetChunkCount(0);
    m_pLine = std::make_shared<CMemoryLine>(pBoard, m_pClock);
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
}

}  // namespace
