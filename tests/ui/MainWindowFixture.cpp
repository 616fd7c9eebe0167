#include "tests/ui/MainWindowFixture.h"

#include <algorithm>

#include <cstdlib>
#include <filesystem>

#include "data/IniPaths.h"
#include "data/LocaleStringTable.h"
#include "platform/LocaleId.h"
#include "shell/CSoftKeyBar.h"
#include "shell/CTunevoApp.h"
#include "sim/CBoardDescription.h"
#include "sim/CFixedRadio.h"

MainWindowFixture::MainWindowFixture() {
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, m_dir.Path() + "/BT_LocaleStr.ini");
    g_szProgramDir = m_dir.Path();
    UseLocale("en_US.UTF-8");
    m_pBoard = std::make_shared<CBoardModel>(CBoardDescription::Demo(), m_pClock);
    m_pLine = std::make_shared<CMemoryLine>(m_pBoard, m_pClock);
    m_pOpener->Attach(0, m_pLine);
}

MainWindowFixture::~MainWindowFixture() {
    m_pDlg.reset();
    m_pLink.reset();
    m_pFrame.reset();
    unsetenv("LC_ALL");
    if (CTunevoApp* pApp = CTunevoApp::Instance()) {
        pApp->UseLanguage(kLcidEnglishUs);
        pApp->SetInputLocked(false);
        pApp->SetScreenLocked(false);
    }
    g_nScreenLayout = LayoutLarge;
    SetLayoutRects(LayoutLarge);
}

void MainWindowFixture::UseLocale(const char* pszLocale) {
    setenv("LC_ALL", pszLocale, 1);
    LocaleStringTable::Instance().Load(m_dir.Path(), GetSystemDefaultLCID());
    CTunevoApp::Instance()->UseLanguage(GetSystemDefaultLCID());
}

void MainWindowFixture::UseBoard(const std::string& strDescription) {
    CBoardDescription description;
    std::string strError;
    ASSERT_TRUE(description.Parse(strDescription, strError)) << strError;
    m_pBoard = std::make_shared<CBoardModel>(description, m_pClock);
    m_pLine = std::make_shared<CMemoryLine>(m_pBoard, m_pClock);
    m_pOpener->Attach(0, m_pLine);
}

void MainWindowFixture::StartBoard() {
    m_pLink = std::make_unique<CDeviceLink>(
        CDeviceLink::Environment{m_pOpener, std::make_shared<CFixedRadio>(), m_pClock, m_timing});
    m_pLink->SetListener(&m_loading);
    m_pLink->StartPortSearch();
    ASSERT_TRUE(m_loading.WaitForCount("OnLinkState", 1));
    ASSERT_EQ(m_loading.Count("OnLinkState", true), 1u);
    m_pLink->StartLink();
    ASSERT_TRUE(m_loading.WaitForCount("OnConfigLoaded", 1));
    m_pLink->SetListener(&m_bridge);
}

CTunevoDlg& MainWindowFixture::OpenMainWindow(QSize clientSize) {
    g_nScreenLayout = ChooseLayout(clientSize);
    m_pFrame = std::make_unique<CDeviceFrame>(clientSize);
    m_pDlg = std::make_unique<CTunevoDlg>(*m_pLink, m_bridge, m_messageBox, *m_pFrame);
    m_pEnded = std::make_unique<QSignalSpy>(m_pDlg.get(), &CTunevoDlg::Ended);
    m_pFrame->show();
    m_pDlg->Run();
    return *m_pDlg;
}

CTunevoDlg& MainWindowFixture::Open(QSize clientSize) {
    StartBoard();
    return OpenMainWindow(clientSize);
}

void MainWindowFixture::WaitForLockCheck() {
    m_pDlg->OnTimerCheckLock();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !m_pDlg->IsBackgroundBusy() && m_pLink->LockState() != CDeviceLink::kStateUnknown;
    }));
    QCoreApplication::processEvents();
}

CTunevoDlg& MainWindowFixture::OpenPolling() {
    Open();
    WaitForLockCheck();
    return *m_pDlg;
}

void MainWindowFixture::Tap(QWidget* pWidget, QPoint point) {
    // Through the window, as a user's tap comes: whatever lies at the point takes it.
    QWidget* pWindow = pWidget->window();
    QTest::mouseClick(pWindow->windowHandle(), Qt::LeftButton, {}, pWidget->mapTo(pWindow, point));
}

size_t MainWindowFixture::CountSent(const Bytes& frame) const {
    return static_cast<size_t>(std::ranges::count(m_pLine->Sent(), frame));
}

bool MainWindowFixture::SoftKeysEnabled() const {
    const CSoftKeyBar* pBar = m_pFrame->SoftKeyBar();
    return pBar != nullptr && pBar->IsSoftkeyEnabled(0);
}
