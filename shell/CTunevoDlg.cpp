#include "shell/CTunevoDlg.h"

#include <QDialog>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <array>
#include <functional>
#include <utility>

#include "data/MonitorLog.h"
#include "data/Utf.h"
#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "link/Recording.h"
#include "screens/CScreen_AlarmLog.h"
#include "screens/CScreen_DisplaySetting.h"
#include "screens/CScreen_LoadProfile.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CScreen_SaveProfile.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CDeviceFrame.h"
#include "shell/CFocusMark.h"
#include "shell/CFocusTrap.h"
#include "shell/CListenerBridge.h"
#include "shell/CScreen_Lock.h"
#include "shell/CScreen_Status.h"
#include "shell/CSoftKeyBar.h"
#include "shell/CTunevoApp.h"
#include "shell/MenuResources.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

CTunevoDlg::CTunevoDlg(CDeviceLink& link, CListenerBridge& bridge, IMessageBox& messageBox,
                       CDeviceFrame& frame)
    : QWidget(&frame.ClientArea()),
      m_link(link),
      m_bridge(bridge),
      m_messageBox(messageBox),
      m_frame(frame) {
    setGeometry(QRect(QPoint(0, 0), frame.ClientSize()));
    FillWithPageColour(*this);

    SetLayoutRects(g_nScreenLayout);

    m_strLinkLost = LocaleText(u"STR_CONN_NA");
    m_strPowerError = LocaleText(u"STR_POWER_ERROR_MSG");
    m_strRefreshError = LocaleText(u"STR_REFRESH_ERROR_MSG");
    m_strApplyError = LocaleText(u"STR_APPLY_ERROR_MSG");
    m_strClearCmos = LocaleText(u"STR_CLEARCMOS_MSG");
    m_strOverClock = LocaleText(u"STR_OVERCLOCK");
    m_strMonitor = LocaleText(u"STR_MONITOR");
    m_tabFont = TabFont();
    m_profileTitles = {{ID_MENU_SAVE_PROFILE_ONE, LocaleText(u"STR_SAVEPROFILE_ONE")},
                       {ID_MENU_SAVE_PROFILE_TWO, LocaleText(u"STR_SAVEPROFILE_TWO")},
                       {ID_MENU_LOAD_PROFILE_ONE, LocaleText(u"STR_LOADPROFILE_ONE")},
                       {ID_MENU_LOAD_PROFILE_TWO, LocaleText(u"STR_LOADPROFILE_TWO")}};

    m_nPage = kPageOverClock;
    m_bridge.SetReceiver(this, this);
    m_timerCheckLock.setInterval(kCheckLockDelayMs);
    connect(&m_timerCheckLock, &QTimer::timeout, this, &CTunevoDlg::OnTimerCheckLock);
    m_timerCheckLock.start();
    m_timerRefreshOc.setInterval(kRefreshOcDelayMs);
    connect(&m_timerRefreshOc, &QTimer::timeout, this, &CTunevoDlg::OnTimerRefreshOc);
    m_timerStatusNote.setSingleShot(true);
    m_timerStatusNote.setInterval(kStatusNoteMs);
    connect(&m_timerStatusNote, &QTimer::timeout, this, [this] {
        if (!IsReconnecting()) {
            m_pStatus->hide();
        }
    });
    m_timerReconnect.setInterval(1000);
    connect(&m_timerReconnect, &QTimer::timeout, this, &CTunevoDlg::OnReconnectTick);

    m_pOverClock = new CSubScreen_OverClock(m_link, *this, this);
    m_pControlBar = new CSubScreen_OverClock_Control(*this, this);
    m_pMonitor = new CSubScreen_Monitor(m_link, *this, this);
    // A mark on the Monitor tab, and a word to the desktop, so that no alarm
    // hides behind the over-clock page or a minimised window.
    connect(m_pMonitor, &CSubScreen_Monitor::AlarmMarksChanged, this,
            [this] { update(g_rcTabMonitor.ToQRect()); });
    connect(
        m_pMonitor, &CSubScreen_Monitor::ItemEnteredAlarm, this,
        [this](const QString& strText) { m_notifier.Notify(QStringLiteral("Tunevo"), strText); });
    // Kept in the log every watch appends to, so an alarm seen by nobody is not lost.
    connect(
        m_pMonitor, &CSubScreen_Monitor::AlarmEntered, this,
        [this](const QString& strItem, const QString& strValue, const QString& strUnit) {
            std::string strError;
            if (!AppendAlarm({LogClock::now(), ToUtf8(m_link.GetBoardVersion()),
                              strItem.toStdString(), strValue.toStdString(), strUnit.toStdString()},
                             strError)) {
                qWarning("tunevo: the alarm log: %s", strError.c_str());
            }
            if (m_pAlarmLog->isVisible()) {
                m_pAlarmLog->Open();  // the new entry on top
            }
        });
    m_pMonitor->hide();
    m_pPoster = new CScreen_LumoPoster(m_link, *this, m_messageBox, this);
    m_pPower = new CScreen_LumoPower(m_link, *this, m_messageBox, m_work, this);
    m_pSaveProfile = new CScreen_SaveProfile(m_link, *this, m_messageBox, this);
    m_pLoadProfile = new CScreen_LoadProfile(m_link, *this, m_messageBox, *m_pOverClock, this);
    m_pDisplaySetting =
        new CScreen_DisplaySetting(m_link, *this, m_messageBox, *m_pOverClock, this);
    for (CProfileScreen* pScreen :
         std::initializer_list<CProfileScreen*>{m_pSaveProfile, m_pLoadProfile}) {
        connect(m_pOverClock, &CSubScreen_OverClock::WaitingChanged, pScreen,
                &CProfileScreen::SetBoardBusy);
    }
    m_pAlarmLog = new CScreen_AlarmLog(*this, this);
    m_pLock = new CScreen_Lock(this);
    m_pStatus = new CScreen_Status(this);
    m_pFocusTrap = new CFocusTrap(*this, {m_pPoster, m_pPower, m_pSaveProfile, m_pLoadProfile,
                                          m_pDisplaySetting, m_pAlarmLog});
    m_pTabOverClock = new CPageTab(m_strOverClock, false, this);
    m_pTabOverClock->setGeometry(g_rcTabOverClock.ToQRect());
    m_pTabOverClock->setChecked(true);
    connect(m_pTabOverClock, &QPushButton::clicked, this, [this] { ShowPage(kPageOverClock); });
    m_pTabMonitor = new CPageTab(m_strMonitor, false, this);
    m_pTabMonitor->setGeometry(g_rcTabMonitor.ToQRect());
    connect(m_pTabMonitor, &QPushButton::clicked, this, [this] { ShowPage(kPageMonitor); });
    // Beneath every overlay, which reach over the tabs' lower edge.
    m_pTabOverClock->lower();
    m_pTabMonitor->lower();

    ComputeLayout();
    m_pOverClock->setGeometry(m_rcPage);
    m_pOverClock->show();
    m_pMonitor->setGeometry(m_rcPage);
    m_pControlBar->setGeometry(m_rcControlBar);
    m_pControlBar->show();
    CreateMenuBar(IDR_MENU_OVERCLOCK);
    QPushButton& ok = m_frame.OkButton();
    ok.setText(LocaleText(u"STR_QUIT"));
    ok.setAccessibleName(LocaleText(u"STR_QUIT_TIP"));
    ok.setToolTip(ok.accessibleName());
    connect(&ok, &QPushButton::clicked, this, [this] {
        if (MayQuit()) {
            EndDialog(QDialog::Accepted);
        }
    });
    m_pFocusMark = new CFocusMark(*m_frame.window());
    SetUpKeys();
    if (CTunevoApp* pApp = CTunevoApp::Instance()) {
        pApp->SetTapArea(this);
    }
}

CTunevoDlg::~CTunevoDlg() {
    if (CTunevoApp* pApp = CTunevoApp::Instance()) {
        pApp->SetInputLocked(false);
        pApp->SetScreenLocked(false);
    }
}

void CTunevoDlg::Run() {
    m_frame.OkButton().show();
    show();
    raise();
    m_pMonitor->StartWatch();
    if (m_link.FellBackToFixedTiming()) {
        // It happened while the board was loaded, before this window listened.
        ShowTimingFallback();
    }
    if (m_link.GetOverVolt().empty()) {
        // Asked after the window is up, so the message lies over it.
        QTimer::singleShot(0, this, [this] { ShowLinkLost(); });
    }
}

void CTunevoDlg::SetUpKeys() {
    auto onKeys = [this](std::initializer_list<QKeySequence> keys,
                         const std::function<void()>& action) {
        for (const QKeySequence& key : keys) {
            connect(new QShortcut(key, this), &QShortcut::activated, this, action);
        }
    };
    onKeys({QKeySequence(Qt::Key_Escape)}, [this] { CloseOpenScreen(); });
    onKeys({QKeySequence(Qt::Key_F10), QKeySequence(Qt::Key_Menu)}, [this] { OpenSoftKeyMenu(); });
    onKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab)}, [this] { StepTab(1); });
    onKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)},
           [this] { StepTab(-1); });
}

void CTunevoDlg::CloseOpenScreen() {
    // Each as its own close or Cancel does, lock rules and all.
    if (m_pSaveProfile->isVisible()) {
        m_pSaveProfile->CancelButton().click();
    } else if (m_pLoadProfile->isVisible()) {
        m_pLoadProfile->CancelButton().click();
    } else if (m_pDisplaySetting->isVisible()) {
        m_pDisplaySetting->CancelButton().click();
    } else if (m_pPower->isVisible()) {
        m_pPower->OnCommand(CScreen_LumoPower::IDC_CLOSE);
    } else if (m_pPoster->isVisible()) {
        m_pPoster->OnCommand(CScreen_LumoPoster::IDC_CLOSE);
    } else if (m_pAlarmLog->isVisible()) {
        m_pAlarmLog->CloseButton().click();
    } else if (m_nPage == kPageMonitor) {
        m_pMonitor->CloseGraph();
    }
}

void CTunevoDlg::OpenSoftKeyMenu() {
    CSoftKeyBar* pBar = m_frame.SoftKeyBar();
    if (pBar == nullptr || !pBar->IsSoftkeyEnabled(0)) {
        return;
    }
    // Above the menu key, as its tap opens it, without waiting for a choice.
    QMenu& menu = *pBar->Menu();
    const QWidget& key = *pBar->Key(0);
    menu.popup(key.mapToGlobal(QPoint(0, -menu.sizeHint().height())));
}

void CTunevoDlg::StepTab(int nStep) {
    // The over-clock page, then the monitor's categories as their tabs read.
    constexpr std::array<int, 5> kStops = {
        -1, CSubScreen_Monitor::kCategoryFan, CSubScreen_Monitor::kCategoryFreq,
        CSubScreen_Monitor::kCategoryVolt, CSubScreen_Monitor::kCategoryTemp};
    constexpr int kCount = static_cast<int>(kStops.size());
    if (m_bBoardLocked || IsReconnecting() || IsOverlayOpen()) {
        return;
    }
    const auto it = std::ranges::find(kStops, m_pMonitor->Category());
    const int nNow = m_nPage == kPageOverClock ? 0 : static_cast<int>(it - kStops.begin());
    const int nNext = (nNow + nStep + kCount) % kCount;
    if (nNext == 0) {
        ShowPage(kPageOverClock);
        return;
    }
    if (m_nPage != kPageMonitor) {
        ShowPage(kPageMonitor);
    }
    m_pMonitor->ShowCategory(kStops[static_cast<size_t>(nNext)]);
}

void CTunevoDlg::ComputeLayout() {
    const int nWidth = width();
    const int nHeight = height();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    const bool bMedium = g_nScreenLayout == LayoutMedium;
    const int nPageTop = bSmall ? 22 : 42;
    const int nPageBottom = nHeight - (bSmall ? 42 : bMedium ? 82 : 97);
    m_rcPage = LayoutRect{2, nPageTop, nWidth - 2, nPageBottom}.ToQRect();
    m_rcControlBar = LayoutRect{2, nPageBottom, nWidth - 2, nHeight - 2}.ToQRect();
    m_rcMonitor = bSmall    ? LayoutRect{10, 24, 240, 268}.ToQRect()
                  : bMedium ? LayoutRect{10, 68, 480, 536}.ToQRect()
                            : LayoutRect{10, 58, 480, 696}.ToQRect();
}

void CTunevoDlg::CreateMenuBar(int nMenuId) {
    const std::optional<MenuResource> menu = LoadMenuResource(nMenuId);
    if (!menu) {
        return;
    }
    auto* pBar = new CSoftKeyBar(*menu);
    connect(pBar, &CSoftKeyBar::Command, this, &CTunevoDlg::OnMenuCommand);
    m_frame.SetSoftKeyBar(pBar);
    ShowRecordingState();
    // A new bar starts enabled; it must not offer a second screen over an
    // open one, nor anything while the board is locked.
    if (m_bBoardLocked) {
        EnableSoftKeys(false);
    } else {
        RestoreSoftKeys();
    }
}

void CTunevoDlg::EnableSoftKeys(bool bEnable) {
    if (CSoftKeyBar* pBar = m_frame.SoftKeyBar()) {
        pBar->EnableSoftkey(0, bEnable);
        pBar->EnableSoftkey(1, bEnable);
    }
}

void CTunevoDlg::RestoreSoftKeys() {
    UpdateControlBar();
    if (m_bBoardLocked) {
        return;
    }
    EnableSoftKeys(!IsOverlayOpen());
}

bool CTunevoDlg::IsOverlayOpen() const {
    return m_pPower->isVisible() || m_pPoster->isVisible() || m_pAlarmLog->isVisible() ||
           OpenSettingsScreen() != nullptr;
}

QWidget* CTunevoDlg::OpenSettingsScreen() const {
    for (QWidget* pScreen :
         std::initializer_list<QWidget*>{m_pSaveProfile, m_pLoadProfile, m_pDisplaySetting}) {
        if (pScreen->isVisible()) {
            return pScreen;
        }
    }
    return nullptr;
}

void CTunevoDlg::ShowSettingsScreen(QWidget& screen) {
    // Filled anew each time: the board's values and items may have changed.
    if (&screen == m_pDisplaySetting) {
        m_pDisplaySetting->PopulateLists();
    } else {
        auto& profileScreen = static_cast<CProfileScreen&>(screen);
        profileScreen.Open(profileScreen.Profile(), profileScreen.Title());
    }
    ShowOverlay(screen, g_rcSettingsArea.ToQRect());
}

namespace {
// In the small and medium layouts the poster and power screens reach into
// the lock banner's place; while locked they move up to leave it in sight.
QRect ClearOfLockBanner(const LayoutRect& rc) {
    const int nOverlap = std::max(0, rc.bottom - g_rcLock.top);
    return rc.ToQRect().translated(0, -std::min(nOverlap, rc.top));
}
}  // namespace

void CTunevoDlg::SwapLockedScreen(int nWhich) {
    if (m_nPage == kPageMonitor) {
        m_pMonitor->RebuildAll();
    }
    if (!m_bBoardLocked) {
        return;
    }
    if (nWhich == 1) {
        m_pPower->hide();
        m_link.StopPowerPolling();
        m_pPoster->ClearText();
        m_link.RequestPosterRead();
        ShowOverlay(*m_pPoster, ClearOfLockBanner(g_rcPoster));
    } else if (nWhich == 0) {
        m_pPoster->hide();
        m_link.StartPowerPolling();
        ShowOverlay(*m_pPower, ClearOfLockBanner(g_rcPower));
    }
}

void CTunevoDlg::ShowPowerScreen() {
    m_link.StartPowerPolling();
    m_pPower->SetActive(true);
    ShowOverlay(*m_pPower, g_rcPower.ToQRect());
}

void CTunevoDlg::OnOverClockCommand(int nKind) {
    // Taps are filtered while the board is locked; keys and assistive
    // technology reach the bar directly, so the lock is kept here as well.
    if (m_bBoardLocked || IsReconnecting()) {
        return;
    }
    switch (nKind) {
        case CSubScreen_OverClock_Control::kCommandRefresh:
            m_pOverClock->RefreshFromBoard();
            break;
        case CSubScreen_OverClock_Control::kCommandApply:
            m_pOverClock->ApplyToBoard();
            break;
        case CSubScreen_OverClock_Control::kCommandCancel:
            m_pOverClock->RevertAll();
            break;
        default:
            break;
    }
}

bool CTunevoDlg::IsScreenLocked() const {
    const CTunevoApp* pApp = CTunevoApp::Instance();
    return pApp != nullptr && pApp->IsScreenLocked();
}

void CTunevoDlg::OnMenuCommand(int nId) {
    if (nId == ID_MENU_RESET_FIGURES) {
        // Not a board command: it only starts the page's figures again.
        m_pMonitor->ResetFigures();
        return;
    }
    if (nId == ID_MENU_RECORD) {
        ToggleRecording();
        return;
    }
    if (nId == ID_MENU_ALARM_LOG) {
        // The log is the computer's, not the board's: a lost link does not
        // keep it shut, a lock does, as it keeps every screen but two.
        if (m_bBoardLocked || IsOverlayOpen()) {
            return;
        }
        EnableSoftKeys(false);
        m_pAlarmLog->Open();
        ShowOverlay(*m_pAlarmLog, g_rcSettingsArea.ToQRect());
        return;
    }
    const auto title = m_profileTitles.find(nId);
    const bool bSettings = title != m_profileTitles.end() || nId == ID_MENU_DISPLAY_SETTING;
    if ((!bSettings && nId != ID_MENU_LUMO_REMOTE && nId != ID_MENU_LUMO_POSTER) ||
        IsReconnecting()) {
        return;
    }
    // The soft keys are off while locked; keys and assistive technology
    // reach the menu all the same.
    if (bSettings && (m_bBoardLocked || IsOverlayOpen())) {
        return;
    }
    EnableSoftKeys(false);
    if (title != m_profileTitles.end()) {
        const bool bSave = nId == ID_MENU_SAVE_PROFILE_ONE || nId == ID_MENU_SAVE_PROFILE_TWO;
        const bool bFirst = nId == ID_MENU_SAVE_PROFILE_ONE || nId == ID_MENU_LOAD_PROFILE_ONE;
        CProfileScreen& screen =
            bSave ? static_cast<CProfileScreen&>(*m_pSaveProfile) : *m_pLoadProfile;
        screen.Open(bFirst ? CProfileFile::kFirstProfile : CProfileFile::kLastProfile,
                    title->second);
        ShowOverlay(screen, g_rcSettingsArea.ToQRect());
    } else if (nId == ID_MENU_DISPLAY_SETTING) {
        ShowSettingsScreen(*m_pDisplaySetting);
    } else if (nId == ID_MENU_LUMO_REMOTE) {
        ShowPowerScreen();
    } else {
        m_pPoster->ClearText();
        m_link.RequestPosterRead();
        ShowOverlay(*m_pPoster, g_rcPoster.ToQRect());
    }
}

void CTunevoDlg::ShowOverlay(QWidget& screen, const QRect& rc) {
    screen.setGeometry(rc);
    screen.show();
    screen.raise();
    UpdateControlBar();
}

void CTunevoDlg::UpdateControlBar() {
    // The settings screens and the alarm log reach over it.
    m_pControlBar->setVisible(m_nPage == kPageOverClock && OpenSettingsScreen() == nullptr &&
                              !m_pAlarmLog->isVisible());
}

void CTunevoDlg::SetPagesEnabled(bool bEnabled) {
    for (QWidget* pWidget : std::initializer_list<QWidget*>{m_pOverClock, m_pControlBar, m_pMonitor,
                                                            m_pTabOverClock, m_pTabMonitor}) {
        pWidget->setEnabled(bEnabled);
    }
}

void CTunevoDlg::ShowPage(int nPage) {
    m_nPage = nPage == kPageMonitor ? kPageMonitor : kPageOverClock;
    (m_nPage == kPageOverClock ? m_pTabOverClock : m_pTabMonitor)->setChecked(true);
    if (m_nPage == kPageOverClock) {
        m_pOverClock->show();
        UpdateControlBar();
        m_pMonitor->hide();
        m_pOverClock->setGeometry(m_rcPage);
        m_pMonitor->setGeometry(m_rcMonitor);
        CreateMenuBar(IDR_MENU_OVERCLOCK);
        m_pMonitor->StopRefresh();
    } else {
        m_pOverClock->hide();
        m_pControlBar->hide();
        m_pMonitor->RebuildAll();
        m_pOverClock->setGeometry(m_rcPage);
        m_pMonitor->setGeometry(m_rcMonitor);
        m_pMonitor->show();
        CreateMenuBar(IDR_MENU_MONITOR);
        m_pMonitor->StartRefresh();
    }
    update();
}

void CTunevoDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool bOverClock = m_nPage == kPageOverClock;
    const QRect rcOverClock = g_rcTabOverClock.ToQRect();
    const QRect rcMonitor = g_rcTabMonitor.ToQRect();
    painter.fillRect(rcOverClock, bOverClock ? kPageColor : kInactiveTabColor);
    painter.fillRect(rcMonitor, bOverClock ? kInactiveTabColor : kPageColor);
    painter.setFont(m_tabFont);
    painter.setPen(bOverClock ? QColor(Qt::white) : kInactiveTabText);
    painter.drawText(rcOverClock, Qt::AlignHCenter | Qt::AlignTop, m_strOverClock);
    painter.setPen(bOverClock ? kInactiveTabText : QColor(Qt::white));
    painter.drawText(rcMonitor, Qt::AlignHCenter | Qt::AlignTop, m_strMonitor);
    if (m_pMonitor->HasAnyAlarm()) {
        PaintAlarmMark(painter, rcMonitor);
    }
}

void CTunevoDlg::OnTimerCheckLock() {
    m_timerCheckLock.stop();
    RunLockCheck();
}

void CTunevoDlg::RunLockCheck() {
    CDeviceLink& link = m_link;
    m_work.Run([&link] { link.CheckLockStatus(); });
}

void CTunevoDlg::OnTimerRefreshOc() {
    m_timerRefreshOc.stop();
    m_pOverClock->ShowWaiting();
    CDeviceLink& link = m_link;
    // The ratio items are read anew off this thread; then the rows are built
    // from them and the whole page is read.
    m_work.Run([&link] { link.ReloadOverRatio(); },
               [this] {
                   m_pOverClock->RebuildItemControls();
                   m_link.RequestRefreshOverclock();
               });
}

void CTunevoDlg::OnLockState(bool bLocked) {
    if (IsReconnecting()) {
        return;  // of the connection lost; asked again once the board is back
    }
    if (bLocked) {
        Lock();
    } else {
        Unlock();
    }
}

void CTunevoDlg::Lock() {
    m_bBoardLocked = true;
    if (m_nPage == kPageMonitor) {
        m_pMonitor->StopRefresh();
    }
    m_pMonitor->StopWatch();
    m_pPower->hide();
    // Only the poster and power screens serve while locked; an open
    // settings screen comes back with the unlock.
    if (QWidget* pSettings = OpenSettingsScreen()) {
        m_pHiddenByLock = pSettings;
        pSettings->hide();
    }
    SetPagesEnabled(false);
    ShowOverlay(*m_pLock, g_rcLock.ToQRect());
    ShowOverlay(*m_pPoster, ClearOfLockBanner(g_rcPoster));
    SetApplicationLock(true);
    if (m_pLock->isVisible()) {
        EnableSoftKeys(false);
    }
}

void CTunevoDlg::Unlock() {
    SetApplicationLock(false);
    // Without a lock before it there is nothing to undo: a poster or power
    // screen the user opened meanwhile stays as it is.
    if (!m_bBoardLocked) {
        return;
    }
    if (m_nPage == kPageMonitor) {
        m_pMonitor->StartRefresh();
        m_pMonitor->RebuildAll();
    }
    m_pMonitor->StartWatch();
    SetPagesEnabled(true);
    m_pPoster->hide();
    m_pPoster->setGeometry(g_rcPoster.ToQRect());
    m_pLock->hide();
    if (m_pHiddenByLock != nullptr) {
        ShowSettingsScreen(*std::exchange(m_pHiddenByLock, nullptr));
        EnableSoftKeys(false);
    } else if (m_pPower->IsActive()) {
        ShowOverlay(*m_pPower, g_rcPower.ToQRect());
        EnableSoftKeys(false);
    } else if (!m_pPoster->isVisible() && !m_pPower->isVisible()) {
        EnableSoftKeys(true);
    }
    if (m_nPage == kPageOverClock) {
        m_timerRefreshOc.start();
    }
    m_bBoardLocked = false;
}

void CTunevoDlg::SetApplicationLock(bool bLocked) {
    if (CTunevoApp* pApp = CTunevoApp::Instance()) {
        pApp->SetInputLocked(bLocked);
        pApp->SetScreenLocked(bLocked);
    }
}

void CTunevoDlg::OnLinkError(int nKind, std::string) {
    if (nKind == kErrorTimingFallback) {
        ShowTimingFallback();
    }
}

void CTunevoDlg::ShowTimingFallback() {
    if (std::exchange(m_bTimingFallbackShown, true) || IsReconnecting()) {
        return;
    }
    m_pStatus->SetText(LocaleText(u"STR_LINK_SLOW"));
    ShowOverlay(*m_pStatus, g_rcLock.ToQRect());
    m_timerStatusNote.start();
}

void CTunevoDlg::OnLinkState(bool bConnected) {
    if (m_bEnded) {
        return;
    }
    switch (m_eReconnect) {
        case EReconnect::None:
            if (!bConnected) {
                BeginReconnect();
            }
            break;
        case EReconnect::Searching:
            if (bConnected) {
                m_eReconnect = EReconnect::Loading;
                m_pStatus->SetText(LocaleText(u"STR_RECONNECT_LOAD"));
                m_link.StartLink();
            } else {
                ScheduleSearch();
            }
            break;
        case EReconnect::Loading:
            if (!bConnected) {
                DropLink();
            }
            break;
        case EReconnect::Dropping:
        case EReconnect::Waiting:
            // Said by the threads of the connection just dropped.
            break;
    }
}

void CTunevoDlg::BeginReconnect() {
    m_versionBeforeLoss = m_link.GetBoardVersion();
    m_nReconnectPauseS = kFirstReconnectPauseS;
    m_timerCheckLock.stop();
    m_timerRefreshOc.stop();
    m_pMonitor->StopRefresh();
    m_pMonitor->StopWatch();
    if (m_bBoardLocked) {
        // The lock is the board's to say again once it is back.
        SetApplicationLock(false);
        m_pLock->hide();
        m_pHiddenByLock = nullptr;
        m_bBoardLocked = false;
    }
    // Every screen that works with the board closes as its Close or Cancel
    // does; an apply or refresh in hand will not be answered.
    CloseOpenScreen();
    CloseOpenScreen();
    m_pOverClock->HideWaiting();
    SetPagesEnabled(false);
    EnableSoftKeys(false);
    ShowOverlay(*m_pStatus, g_rcLock.ToQRect());
    DropLink();
}

void CTunevoDlg::DropLink() {
    m_eReconnect = EReconnect::Dropping;
    m_pStatus->SetText(LocaleText(u"STR_RECONNECT_SEARCH"));
    CDeviceLink& link = m_link;
    // Queued behind any blocking call in hand, which ends with the connection.
    m_work.Run([&link] { link.Disconnect(); }, [this] { ScheduleSearch(); });
}

void CTunevoDlg::ScheduleSearch() {
    if (m_bEnded) {
        return;
    }
    m_eReconnect = EReconnect::Waiting;
    m_nSecondsToSearch = m_nReconnectPauseS;
    m_nReconnectPauseS = std::min(2 * m_nReconnectPauseS, kLastReconnectPauseS);
    m_pStatus->SetText(LocaleText(u"STR_RECONNECT_WAIT").arg(m_nSecondsToSearch));
    m_timerReconnect.start();
}

void CTunevoDlg::OnReconnectTick() {
    if (--m_nSecondsToSearch > 0) {
        m_pStatus->SetText(LocaleText(u"STR_RECONNECT_WAIT").arg(m_nSecondsToSearch));
        return;
    }
    m_timerReconnect.stop();
    m_eReconnect = EReconnect::Searching;
    m_pStatus->SetText(LocaleText(u"STR_RECONNECT_SEARCH"));
    m_link.StartPortSearch();
}

void CTunevoDlg::FinishReconnect() {
    m_eReconnect = EReconnect::None;
    m_pStatus->hide();
    const std::u16string version = m_link.GetBoardVersion();
    const bool bSameBoard = version == m_versionBeforeLoss;
    if (bSameBoard) {
        UpdateOverClockRows(CSubScreen_OverClock::EEdits::Keep);
    } else {
        m_pOverClock->RebuildItemControls();
        UpdateOverClockRows();
    }
    SetPagesEnabled(true);
    RestoreSoftKeys();
    ShowPage(m_nPage);
    m_pMonitor->StartWatch();
    RunLockCheck();
    if (!bSameBoard) {
        m_messageBox.ShowMessage(LocaleText(u"STR_BOARD_CHANGED_MSG")
                                     .arg(QString::fromStdU16String(version),
                                          QString::fromStdU16String(m_versionBeforeLoss)));
    }
}

void CTunevoDlg::OnPosterText(int nCode, bool bCodeMode, std::string strText) {
    m_pPoster->ClearText();
    m_pPoster->ShowInfo(nCode, bCodeMode, strText);
}

void CTunevoDlg::OnPowerState(bool bOn) {
    m_pPower->SetPowerState(bOn);
}

void CTunevoDlg::OnConfigLoaded(bool) {
    if (m_eReconnect == EReconnect::Loading) {
        FinishReconnect();
        return;
    }
    if (m_eReconnect == EReconnect::None) {
        RunLockCheck();
    }
}

void CTunevoDlg::OnOverclockRefreshed(bool bOk) {
    m_pOverClock->HideWaiting();
    if (IsReconnecting()) {
        return;  // the values are read anew once the board is back
    }
    if (!bOk) {
        m_messageBox.ShowMessage(m_strRefreshError);
        return;
    }
    UpdateOverClockRows();
}

void CTunevoDlg::OnApplied(bool bOk) {
    if (bOk && IsReconnecting()) {
        return;  // the rows read what the board holds once it is back
    }
    if (!bOk) {
        m_pOverClock->HideWaiting();
        m_messageBox.ShowMessage(m_strApplyError);
        return;
    }
    UpdateOverClockRows();
    // The link holds what was written; the rows end on what the board now
    // reports, so a value the board limited or refused shows as it is.
    m_pOverClock->RefreshFromBoard();
}

void CTunevoDlg::UpdateOverClockRows(CSubScreen_OverClock::EEdits edits) {
    m_pOverClock->UpdateFromArray(EBoardArray::OverVolt, m_link.GetOverVolt(), edits);
    m_pOverClock->UpdateFromArray(EBoardArray::OverFreq, m_link.GetOverFreq(), edits);
    m_pOverClock->UpdateFromArray(EBoardArray::OverRatio, m_link.GetOverRatio(), edits);
}

void CTunevoDlg::OnArrayRefreshed(int nKind, bool /*bOk*/) {
    if (IsReconnecting()) {
        return;
    }
    // Even a refresh that failed read some values; those it missed keep their
    // last value, greyed once they have been missed for a while.
    m_pMonitor->UpdateCategory(nKind);
    if (m_recording.IsOpen() && nKind >= static_cast<int>(EBoardArray::HwVolt) &&
        nKind <= kLastArray) {
        const auto array = static_cast<EBoardArray>(nKind);
        for (const RecordedValue& value :
             RecordedValuesOf(array, m_link.GetArray(array), LogClock::now())) {
            if (!m_recording.WriteLine(RecordingLine(value))) {
                // A full disk: what was written stays, whole lines only.
                const QString strFile = QString::fromStdString(m_recording.Path());
                StopRecording();
                m_messageBox.ShowMessage(LocaleText(u"STR_RECORD_ERROR_MSG").arg(strFile));
                return;
            }
        }
    }
}

void CTunevoDlg::ToggleRecording() {
    if (m_recording.IsOpen()) {
        StopRecording();
        return;
    }
    std::string strError;
    if (!m_recording.Create(RecordingPath(LogClock::now()), kRecordingHeader, strError)) {
        m_recording.Close();
        m_messageBox.ShowMessage(
            LocaleText(u"STR_RECORD_ERROR_MSG").arg(QString::fromStdString(strError)));
        return;
    }
    ShowRecordingState();
}

void CTunevoDlg::StopRecording() {
    m_recording.Close();
    ShowRecordingState();
}

void CTunevoDlg::ShowRecordingState() {
    const QString strFile = QString::fromStdString(m_recording.Path()).section(u'/', -1, -1);
    m_frame.SetCaption(m_recording.IsOpen()
                           ? QStringLiteral("Tunevo \u25CF ") + LocaleText(u"STR_RECORDING")
                           : QStringLiteral("Tunevo"),
                       m_recording.IsOpen() ? strFile : QString());
    if (CSoftKeyBar* pBar = m_frame.SoftKeyBar()) {
        if (QAction* pRecord = pBar->Action(ID_MENU_RECORD)) {
            pRecord->setText(LocaleText(m_recording.IsOpen() ? u"STR_RECORD_STOP" : u"STR_RECORD"));
        }
    }
}

void CTunevoDlg::OnPowerCommandDone(bool bOk, int nDetail) {
    if (bOk) {
        return;
    }
    switch (nDetail) {
        case ILinkListener::kPowerRefused:
            m_messageBox.ShowMessage(m_strClearCmos);
            break;
        case ILinkListener::kPowerUnconfirmed:
            m_messageBox.ShowMessage(LocaleText(u"STR_POWER_UNCONFIRMED_MSG"));
            break;
        case ILinkListener::kPowerUnconfirmedNowOn:
            m_messageBox.ShowMessage(LocaleText(u"STR_POWER_UNCONFIRMED_ON_MSG"));
            break;
        case ILinkListener::kPowerUnconfirmedNowOff:
            m_messageBox.ShowMessage(LocaleText(u"STR_POWER_UNCONFIRMED_OFF_MSG"));
            break;
        default:
            m_messageBox.ShowMessage(m_strPowerError);
            break;
    }
}

void CTunevoDlg::ShowLinkLost() {
    // However many reports say so while the box is up, it is shown once.
    if (m_bLinkLostShown || m_bEnded) {
        return;
    }
    m_bLinkLostShown = true;
    m_messageBox.ShowMessage(m_strLinkLost);
    EndDialog(QDialog::Accepted);
}

bool CTunevoDlg::MayQuit() {
    return m_bEnded || !m_pOverClock->HasUnappliedEdits() ||
           m_messageBox.AskYesNo(LocaleText(u"STR_QUIT_UNAPPLIED_MSG"), IMessageBox::EDefault::No);
}

void CTunevoDlg::EndDialog(int nResult) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    m_timerCheckLock.stop();
    m_timerRefreshOc.stop();
    m_timerReconnect.stop();
    m_pMonitor->StopRefresh();
    m_pMonitor->StopWatch();
    emit Ended(nResult);
}
