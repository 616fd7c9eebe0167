#include "shell/CLockController.h"

#include <algorithm>
#include <utility>

#include "link/CDeviceLink.h"
#include "screens/CBackgroundWork.h"
#include "screens/CScreen_LumoPoster.h"
#include "screens/CScreen_LumoPower.h"
#include "screens/CSubScreen_Monitor.h"
#include "shell/CScreen_Lock.h"
#include "shell/CTunevoApp.h"
#include "shell/CTunevoDlg.h"
#include "widgets/ScreenLayout.h"

namespace {
// In the small and medium layouts the poster and power screens reach into
// the lock banner's place; while locked they move up to leave it in sight.
QRect ClearOfLockBanner(const LayoutRect& rc) {
    const int nOverlap = std::max(0, rc.bottom - g_rcLock.top);
    return rc.ToQRect().translated(0, -std::min(nOverlap, rc.top));
}
}  // namespace

CLockController::CLockController(CTunevoDlg& dlg, CDeviceLink& link, CBackgroundWork& work)
    : m_dlg(dlg), m_link(link), m_work(work) {
    m_timerCheckLock.setInterval(kCheckLockDelayMs);
    connect(&m_timerCheckLock, &QTimer::timeout, this, &CLockController::OnTimerCheckLock);
    m_timerCheckLock.start();
    m_timerRefreshOc.setInterval(kRefreshOcDelayMs);
    connect(&m_timerRefreshOc, &QTimer::timeout, this, &CLockController::OnTimerRefreshOc);
}

void CLockController::OnTimerCheckLock() {
    m_timerCheckLock.stop();
    RunLockCheck();
}

void CLockController::RunLockCheck() {
    CDeviceLink& link = m_link;
    m_work.Run([&link] { link.CheckLockStatus(); });
}

void CLockController::OnTimerRefreshOc() {
    m_timerRefreshOc.stop();
    CSubScreen_OverClock& page = m_dlg.OverClockPage();
    page.ShowWaiting();
    CDeviceLink& link = m_link;
    // The ratio items are read anew off this thread; then the rows are built
    // from them and the whole page is read.
    m_work.Run([&link] { link.ReloadOverRatio(); },
               [&page, &link] {
                   page.RebuildItemControls();
                   link.RequestRefreshOverclock();
               });
}

void CLockController::OnLockState(bool bLocked) {
    if (bLocked) {
        Lock();
    } else {
        Unlock();
    }
}

void CLockController::SwapLockedScreen(int nWhich) {
    if (!m_bLocked) {
        return;
    }
    CScreen_LumoPower& power = m_dlg.PowerScreen();
    CScreen_LumoPoster& poster = m_dlg.PosterScreen();
    if (nWhich == 1) {
        power.hide();
        m_link.StopPowerPolling();
        poster.ClearText();
        m_link.RequestPosterRead();
        m_dlg.ShowOverlay(poster, ClearOfLockBanner(g_rcPoster));
    } else if (nWhich == 0) {
        poster.hide();
        m_link.StartPowerPolling();
        m_dlg.ShowOverlay(power, ClearOfLockBanner(g_rcPower));
    }
}

void CLockController::Lock() {
    m_bLocked = true;
    CSubScreen_Monitor& monitor = m_dlg.MonitorPage();
    if (m_dlg.Page() == CTunevoDlg::kPageMonitor) {
        monitor.StopRefresh();
    }
    monitor.StopWatch();
    m_dlg.PowerScreen().hide();
    // Only the poster and power screens serve while locked; an open
    // settings screen comes back with the unlock.
    if (QWidget* pSettings = m_dlg.OpenSettingsScreen()) {
        m_pHiddenByLock = pSettings;
        pSettings->hide();
    }
    m_dlg.SetPagesEnabled(false);
    m_dlg.ShowOverlay(m_dlg.LockBanner(), g_rcLock.ToQRect());
    m_dlg.ShowOverlay(m_dlg.PosterScreen(), ClearOfLockBanner(g_rcPoster));
    SetApplicationLock(true);
    if (m_dlg.LockBanner().isVisible()) {
        m_dlg.EnableSoftKeys(false);
    }
}

void CLockController::Unlock() {
    SetApplicationLock(false);
    // Without a lock before it there is nothing to undo: a poster or power
    // screen the user opened meanwhile stays as it is.
    if (!m_bLocked) {
        return;
    }
    CSubScreen_Monitor& monitor = m_dlg.MonitorPage();
    CScreen_LumoPoster& poster = m_dlg.PosterScreen();
    CScreen_LumoPower& power = m_dlg.PowerScreen();
    if (m_dlg.Page() == CTunevoDlg::kPageMonitor) {
        monitor.StartRefresh();
        monitor.RebuildAll();
    }
    monitor.StartWatch();
    m_dlg.SetPagesEnabled(true);
    poster.hide();
    poster.setGeometry(g_rcPoster.ToQRect());
    m_dlg.LockBanner().hide();
    if (m_pHiddenByLock != nullptr) {
        m_dlg.ShowSettingsScreen(*std::exchange(m_pHiddenByLock, nullptr));
        m_dlg.EnableSoftKeys(false);
    } else if (power.IsActive()) {
        m_dlg.ShowOverlay(power, g_rcPower.ToQRect());
        m_dlg.EnableSoftKeys(false);
    } else if (!poster.isVisible() && !power.isVisible()) {
        m_dlg.EnableSoftKeys(true);
    }
    if (m_dlg.Page() == CTunevoDlg::kPageOverClock) {
        m_timerRefreshOc.start();
    }
    m_bLocked = false;
}

void CLockController::Forget() {
    if (!m_bLocked) {
        return;
    }
    SetApplicationLock(false);
    m_dlg.LockBanner().hide();
    m_pHiddenByLock = nullptr;
    m_bLocked = false;
}

void CLockController::StopTimers() {
    m_timerCheckLock.stop();
    m_timerRefreshOc.stop();
}

void CLockController::SetApplicationLock(bool bLocked) {
    if (CTunevoApp* pApp = CTunevoApp::Instance()) {
        pApp->SetInputLocked(bLocked);
        pApp->SetScreenLocked(bLocked);
    }
}
