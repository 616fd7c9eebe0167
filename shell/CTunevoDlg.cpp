#include "shell/CTunevoDlg.h"

#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "screens/CScreen_AlarmLog.h"
#include "screens/CScreen_Journal.h"
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
#include "shell/CPageTabs.h"
#include "shell/CScreen_Lock.h"
#include "shell/CScreen_Status.h"
#include "shell/CSoftKeyBar.h"
#include "shell/CTunevoApp.h"
#include "shell/MenuResources.h"
#include "shell/PowerMessages.h"
#include "shell/StartupLog.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

CTunevoDlg::CTunevoDlg(CDeviceLink& link, CListenerBridge& bridge, IMessageBox& messageBox,
                       CDeviceFrame& frame)
    : QWidget(&frame.ClientArea()),
      m_link(link),
      m_bridge(bridge),
      m_messageBox(messageBox),
      m_frame(frame),
      m_lock(*this, link, m_work),
      m_reconnect(*this, link, m_work, messageBox),
      m_recording(link, frame, messageBox),
      m_alarms(link),
      m_overClock(*this, link, messageBox),
      m_safety(*this, link, messageBox, m_alarms.Notifier()) {
    setGeometry(QRect(QPoint(0, 0), frame.ClientSize()));
    FillWithPageColour(*this);

    SetLayoutRects(g_nScreenLayout);

    m_strLinkLost = LocaleText(u"STR_CONN_NA");
    m_profileTitles = {{ID_MENU_SAVE_PROFILE_ONE, LocaleText(u"STR_SAVEPROFILE_ONE")},
                       {ID_MENU_SAVE_PROFILE_TWO, LocaleText(u"STR_SAVEPROFILE_TWO")},
                       {ID_MENU_LOAD_PROFILE_ONE, LocaleText(u"STR_LOADPROFILE_ONE")},
                       {ID_MENU_LOAD_PROFILE_TWO, LocaleText(u"STR_LOADPROFILE_TWO")}};

    m_nPage = kPageOverClock;
    m_bridge.SetReceiver(this, this);

    m_pOverClock = new CSubScreen_OverClock(m_link, *this, this);
    m_pControlBar = new CSubScreen_OverClock_Control(*this, this);
    m_pMonitor = new CSubScreen_Monitor(m_link, *this, this);
    // A mark on the Monitor tab, and a word to the desktop, so that no alarm
    // hides behind the over-clock page or a minimised window.
    connect(m_pMonitor, &CSubScreen_Monitor::AlarmMarksChanged, this,
            [this] { update(g_rcTabMonitor.ToQRect()); });
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
    m_alarms.Watch(*m_pMonitor, *m_pAlarmLog);
    m_pJournal = new CScreen_Journal(*this, this);
    m_pLock = new CScreen_Lock(this);
    m_pStatus = new CScreen_Status(this);
    m_pFocusTrap = new CFocusTrap(*this, {m_pPoster, m_pPower, m_pSaveProfile, m_pLoadProfile,
                                          m_pDisplaySetting, m_pAlarmLog, m_pJournal});
    m_pTabs = new CPageTabs(*this, [this](int nPage) { ShowPage(nPage); });

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
    m_pKeys = new CWindowKeys(*this);
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

void CTunevoDlg::Run(EValues values) {
    if (values == EValues::ToCome) {
        m_overClock.ExpectFirstValues();
        // The lock is checked the usual while after the values, not between their reads.
        m_lock.StopTimers();
    }
    m_frame.OkButton().show();
    show();
    raise();
    m_pMonitor->StartWatch();
    if (m_link.FellBackToFixedTiming()) {
        // It happened while the board was loaded, before this window listened.
        m_reconnect.ShowTimingFallback();
    }
    if (m_link.GetOverVolt().empty()) {
        // Asked after the window is up, so the message lies over it.
        QTimer::singleShot(0, this, [this] { ShowLinkLost(); });
    } else if (const std::string& strAside = m_pOverClock->ProfileMovedAside(); !strAside.empty()) {
        QTimer::singleShot(0, this, [this, strAside] {
            m_messageBox.ShowMessage(
                LocaleText(u"STR_PROFILE_MOVED_MSG").arg(QString::fromStdString(strAside)));
        });
    }
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
    } else if (m_pJournal->isVisible()) {
        m_pJournal->CloseButton().click();
    } else if (m_nPage == kPageMonitor) {
        m_pMonitor->CloseGraph();
    }
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
    m_recording.ShowState();
    m_safety.ShowState();
    // A new bar starts enabled; it must not offer a second screen over an
    // open one, nor anything while the board is locked.
    IsBoardLocked() ? EnableSoftKeys(false) : RestoreSoftKeys();
}

void CTunevoDlg::EnableSoftKeys(bool bEnable) {
    if (CSoftKeyBar* pBar = m_frame.SoftKeyBar()) {
        pBar->EnableSoftkey(0, bEnable);
        pBar->EnableSoftkey(1, bEnable);
    }
}

void CTunevoDlg::RestoreSoftKeys() {
    UpdateControlBar();
    if (IsBoardLocked()) {
        return;
    }
    EnableSoftKeys(!IsOverlayOpen());
}

bool CTunevoDlg::IsOverlayOpen() const {
    return m_pPower->isVisible() || m_pPoster->isVisible() || m_pAlarmLog->isVisible() ||
           m_pJournal->isVisible() || OpenSettingsScreen() != nullptr;
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

void CTunevoDlg::SwapLockedScreen(int nWhich) {
    if (m_nPage == kPageMonitor) {
        m_pMonitor->RebuildAll();
    }
    m_lock.SwapLockedScreen(nWhich);
}

void CTunevoDlg::ShowPowerScreen() {
    m_link.StartPowerPolling();
    m_pPower->SetActive(true);
    ShowOverlay(*m_pPower, g_rcPower.ToQRect());
}

void CTunevoDlg::OnOverClockCommand(int nKind) {
    m_overClock.OnCommand(nKind);
}

bool CTunevoDlg::IsScreenLocked() const {
    const CTunevoApp* pApp = CTunevoApp::Instance();
    return pApp != nullptr && pApp->IsScreenLocked();
}

void CTunevoDlg::OnMenuCommand(int nId) {
    switch (nId) {
        case ID_MENU_RESET_FIGURES:  // not a board command: the page's figures only
            return m_pMonitor->ResetFigures();
        case ID_MENU_RECORD:
            return m_recording.Toggle();
        case ID_MENU_UNDO:
            return m_safety.Undo();
        case ID_MENU_KEEP_ASK:
            return m_safety.ToggleAskToKeep();
        default:
            break;
    }
    if (nId == ID_MENU_ALARM_LOG || nId == ID_MENU_JOURNAL) {
        // The logs are the computer's, not the board's: a lost link does not
        // keep them shut, a lock does, as it keeps every screen but two.
        if (!IsBoardLocked() && !IsOverlayOpen()) {
            EnableSoftKeys(false);
            CLogScreen& screen = nId == ID_MENU_JOURNAL ? static_cast<CLogScreen&>(*m_pJournal)
                                                        : *m_pAlarmLog;
            screen.Open();
            ShowOverlay(screen, g_rcSettingsArea.ToQRect());
        }
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
    if (bSettings && (IsBoardLocked() || IsOverlayOpen())) {
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
                              !m_pAlarmLog->isVisible() && !m_pJournal->isVisible());
}

void CTunevoDlg::SetPagesEnabled(bool bEnabled) {
    for (QWidget* pWidget :
         std::initializer_list<QWidget*>{m_pOverClock, m_pControlBar, m_pMonitor}) {
        pWidget->setEnabled(bEnabled);
    }
    m_pTabs->SetEnabled(bEnabled);
}

void CTunevoDlg::ShowPage(int nPage) {
    m_nPage = nPage == kPageMonitor ? kPageMonitor : kPageOverClock;
    m_pTabs->SetPage(m_nPage);
    m_pOverClock->setGeometry(m_rcPage);
    m_pMonitor->setGeometry(m_rcMonitor);
    if (m_nPage == kPageOverClock) {
        m_pOverClock->show();
        UpdateControlBar();
        m_pMonitor->hide();
        CreateMenuBar(IDR_MENU_OVERCLOCK);
        m_pMonitor->StopRefresh();
    } else {
        m_pOverClock->hide();
        m_pControlBar->hide();
        m_pMonitor->RebuildAll();
        m_pMonitor->show();
        CreateMenuBar(IDR_MENU_MONITOR);
        m_pMonitor->StartRefresh();
    }
    update();
}

void CTunevoDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_pTabs->Paint(painter, m_nPage == kPageOverClock, m_pMonitor->HasAnyAlarm());
}

void CTunevoDlg::OnTimerCheckLock() {
    m_lock.OnTimerCheckLock();
}

void CTunevoDlg::OnTimerRefreshOc() {
    m_lock.OnTimerRefreshOc();
}

void CTunevoDlg::OnLockState(bool bLocked) {
    if (IsReconnecting()) {
        return;  // of the connection lost; asked again once the board is back
    }
    m_lock.OnLockState(bLocked);
}

void CTunevoDlg::OnLinkError(int nKind, std::string) {
    if (nKind == kErrorTimingFallback) {
        m_reconnect.ShowTimingFallback();
    }
}

void CTunevoDlg::OnLinkState(bool bConnected) {
    if (!m_bEnded) {
        m_reconnect.OnLinkState(bConnected);
    }
}

void CTunevoDlg::OnPosterText(int nCode, bool bCodeMode, std::string strText) {
    m_pPoster->ClearText();
    m_pPoster->ShowInfo(nCode, bCodeMode, strText);
}

void CTunevoDlg::OnPowerState(bool bOn) {
    m_pPower->SetPowerState(bOn);
}

void CTunevoDlg::OnConfigLoaded(bool bOk) {
    NoteValuesRead(bOk);
    // A board lost while its first values were read is loaded anew by the reconnect.
    const bool bFirstValues = m_overClock.EndFirstValues();
    if (m_reconnect.OnConfigLoaded()) {
        m_safety.OnBoardBack();
    } else if (bFirstValues && !IsReconnecting()) {
        m_lock.StartCheckTimer();
        LogStartupStep("first values shown");
    } else if (!IsReconnecting()) {
        m_lock.RunLockCheck();
    }
}

void CTunevoDlg::OnOverclockRefreshed(bool bOk) {
    NoteValuesRead(bOk);
    m_overClock.OnRefreshed(bOk);
    m_safety.OnOverclockRefreshed(bOk);
}

void CTunevoDlg::OnApplied(bool bOk) {
    NoteValuesRead(bOk);
    m_safety.OnApplied(bOk);
    m_overClock.OnApplied(bOk);
}

void CTunevoDlg::OnPowerRequested(int nCode) {
    m_safety.OnPowerRequested(nCode);
}

void CTunevoDlg::UpdateOverClockRows(CSubScreen_OverClock::EEdits edits) {
    m_overClock.UpdateRows(edits);
}

void CTunevoDlg::OnArrayRefreshed(int nKind, bool bOk) {
    if (IsReconnecting()) {
        return;
    }
    NoteValuesRead(bOk);
    // Even a refresh that failed read some values; those it missed keep their
    // last value, greyed once they have been missed for a while.
    m_pMonitor->UpdateCategory(nKind);
    m_recording.OnArrayRefreshed(nKind);
}

void CTunevoDlg::OnPowerCommandDone(bool bOk, int nDetail) {
    m_safety.OnPowerCommandDone(bOk);
    if (!bOk) {
        m_messageBox.ShowMessage(PowerResultMessage(nDetail));
    }
}

void CTunevoDlg::NoteValuesRead(bool bOk) {
    if (bOk) {
        m_lastValuesRead = QTime::currentTime();
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
    if (m_bEnded) {
        return true;
    }
    if (m_pOverClock->HasUnappliedEdits()) {
        return m_messageBox.AskYesNo(LocaleText(u"STR_QUIT_UNAPPLIED_MSG"),
                                     IMessageBox::EDefault::No);
    }
    // A write in hand, or values waiting to be kept, are not left by a stray Enter.
    const bool bBusy = m_pOverClock->IsWaiting() || !m_safety.IsIdle();
    return !bBusy ||
           m_messageBox.AskYesNo(LocaleText(u"STR_QUIT_BUSY_MSG"), IMessageBox::EDefault::No);
}

void CTunevoDlg::EndDialog(int nResult) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    m_lock.StopTimers();
    m_reconnect.Stop();
    m_pMonitor->StopRefresh();
    m_pMonitor->StopWatch();
    emit Ended(nResult);
}
