#include "shell/CReconnectController.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "link/CDeviceLink.h"
#include "link/ReturnWatch.h"
#include "screens/CBackgroundWork.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CScreen_Status.h"
#include "shell/CFocusTrap.h"
#include "shell/CTunevoDlg.h"
#include "widgets/ScreenLayout.h"

CReconnectController::CReconnectController(CTunevoDlg& dlg, CDeviceLink& link,
                                           CBackgroundWork& work, IMessageBox& messageBox)
    : m_dlg(dlg), m_link(link), m_work(work), m_messageBox(messageBox) {
    m_timerReconnect.setInterval(1000);
    connect(&m_timerReconnect, &QTimer::timeout, this, &CReconnectController::OnTick);
    m_timerStatusNote.setSingleShot(true);
    m_timerStatusNote.setInterval(kStatusNoteMs);
    connect(&m_timerStatusNote, &QTimer::timeout, this, [this] {
        if (!IsReconnecting()) {
            m_dlg.StatusBanner().hide();
        }
    });
}

void CReconnectController::ShowTimingFallback() {
    if (std::exchange(m_bTimingFallbackShown, true) || IsReconnecting()) {
        return;
    }
    SetStatus(LocaleText(u"STR_LINK_SLOW"));
    m_dlg.ShowOverlay(m_dlg.StatusBanner(), g_rcLock.ToQRect());
    m_timerStatusNote.start();
}

void CReconnectController::RestoreFocus() {
    // Where it was, or the page's first control when that one is gone
    // (rebuilt rows) or hidden: never left on the title strip's OK, where
    // the next Enter would quit.
    if (m_pFocusBefore != nullptr && m_pFocusBefore->isVisible() && m_pFocusBefore->isEnabled()) {
        m_pFocusBefore->setFocus(Qt::OtherFocusReason);
        return;
    }
    CFocusTrap::FocusFirst(m_dlg.Page() == CTunevoDlg::kPageMonitor
                               ? static_cast<QWidget&>(m_dlg.MonitorPage())
                               : static_cast<QWidget&>(m_dlg.OverClockPage()));
}

void CReconnectController::SetStatus(const QString& strText) {
    // While the board is away, the greyed values say when they were true.
    const bool bAway = IsReconnecting() && m_lastRead.isValid();
    m_dlg.StatusBanner().SetText(
        bAway ? strText + u'\n' +
                    LocaleText(u"STR_VALUES_LAST_READ").arg(m_lastRead.toString(u"HH:mm:ss"))
              : strText);
}

void CReconnectController::OnLinkState(bool bConnected) {
    switch (m_eState) {
        case EState::None:
            if (!bConnected) {
                Begin(LocaleText(u"STR_RECONNECT_SEARCH"));
            }
            break;
        case EState::Searching:
            if (bConnected) {
                m_eState = EState::Loading;
                SetStatus(LocaleText(u"STR_RECONNECT_LOAD"));
                m_link.StartLink();
            } else {
                ScheduleSearch();
            }
            break;
        case EState::Loading:
            if (!bConnected) {
                DropLink(LocaleText(u"STR_RECONNECT_SEARCH"));
            }
            break;
        case EState::Dropping:
        case EState::Waiting:
            // Said by the threads of the connection just dropped.
            break;
    }
}

bool CReconnectController::OnConfigLoaded() {
    if (m_eState != EState::Loading) {
        return false;
    }
    Finish();
    return true;
}

void CReconnectController::Reload() {
    if (!IsReconnecting()) {
        Begin(LocaleText(u"STR_RELOAD_DESCRIPTION"));
    }
}

void CReconnectController::Begin(const QString& strFirstStatus) {
    m_versionBeforeLoss = m_link.GetBoardVersion();
    m_strLostPort = m_link.SessionPortName();
    m_lastRead = m_dlg.LastValuesRead();
    // Disabling the pages moves the focus away; it comes back with them.
    QWidget* pFocus = m_dlg.window()->focusWidget();
    m_pFocusBefore = pFocus != nullptr && m_dlg.isAncestorOf(pFocus) ? pFocus : nullptr;
    m_nPauseS = kFirstReconnectPauseS;
    m_dlg.Lock().StopTimers();
    CSubScreen_Monitor& monitor = m_dlg.MonitorPage();
    monitor.StopRefresh();
    monitor.StopWatch();
    m_dlg.Lock().Forget();
    // Every screen that works with the board closes as its Close or Cancel
    // does; an apply or refresh in hand will not be answered.
    m_dlg.CloseOpenScreen();
    m_dlg.CloseOpenScreen();
    m_dlg.OverClockPage().HideWaiting();
    m_dlg.SetPagesEnabled(false);
    m_dlg.EnableSoftKeys(false);
    m_dlg.ShowOverlay(m_dlg.StatusBanner(), g_rcLock.ToQRect());
    DropLink(strFirstStatus);
}

void CReconnectController::DropLink(const QString& strStatus) {
    m_eState = EState::Dropping;
    SetStatus(strStatus);
    CDeviceLink& link = m_link;
    // Queued behind any blocking call in hand, which ends with the connection.
    m_work.Run([&link] { link.Disconnect(); }, [this] { ScheduleSearch(); });
}

void CReconnectController::ScheduleSearch() {
    if (m_dlg.IsEnded()) {
        return;
    }
    m_eState = EState::Waiting;
    m_nSecondsToSearch = m_nPauseS;
    m_nPauseS = std::min(2 * m_nPauseS, kLastReconnectPauseS);
    SetStatus(LocaleText(u"STR_RECONNECT_WAIT").arg(m_nSecondsToSearch));
    m_timerReconnect.start();
    WatchLostPort();
}

void CReconnectController::WatchLostPort() {
    if (m_bPortWatchAsked) {
        return;
    }
    m_bPortWatchAsked = true;
    // Made off this thread: a serial server's name is looked up.
    auto pWatch = std::make_shared<std::unique_ptr<IReturnWatch>>();
    m_work.Run([pWatch, strPort = m_strLostPort] { *pWatch = WatchForReturn(strPort); },
               [this, pWatch] {
                   if (!*pWatch || m_eState == EState::None) {
                       return;  // nothing to watch, or back already
                   }
                   m_pPortWatch = std::move(*pWatch);
                   m_pPortNotifier = std::make_unique<QSocketNotifier>(m_pPortWatch->Fd(),
                                                                       QSocketNotifier::Read);
                   connect(m_pPortNotifier.get(), &QSocketNotifier::activated, this, [this] {
                       if (m_pPortWatch->TakeAppeared() && m_eState == EState::Waiting) {
                           SearchNow();
                       }
                   });
               });
}

void CReconnectController::SearchNow() {
    m_timerReconnect.stop();
    m_eState = EState::Searching;
    SetStatus(LocaleText(u"STR_RECONNECT_SEARCH"));
    m_link.StartPortSearch();
}

void CReconnectController::OnTick() {
    // Looked at each second too: a bus connection may hold a message it
    // read already, which its descriptor no longer shows.
    const bool bBack = m_pPortWatch && m_pPortWatch->TakeAppeared();
    if (--m_nSecondsToSearch > 0 && !bBack) {
        SetStatus(LocaleText(u"STR_RECONNECT_WAIT").arg(m_nSecondsToSearch));
        return;
    }
    SearchNow();
}

void CReconnectController::Finish() {
    m_eState = EState::None;
    m_pPortNotifier.reset();
    m_pPortWatch.reset();
    m_bPortWatchAsked = false;
    m_dlg.StatusBanner().hide();
    const std::u16string version = m_link.GetBoardVersion();
    const bool bSameBoard = version == m_versionBeforeLoss;
    if (bSameBoard) {
        m_dlg.UpdateOverClockRows(CSubScreen_OverClock::EEdits::Keep);
    } else {
        m_dlg.OverClockPage().RebuildItemControls();
        m_dlg.UpdateOverClockRows();
    }
    m_dlg.SetPagesEnabled(true);
    m_dlg.RestoreSoftKeys();
    m_dlg.ShowPage(m_dlg.Page());
    m_dlg.MonitorPage().StartWatch();
    RestoreFocus();
    m_dlg.Lock().RunLockCheck();
    if (!bSameBoard) {
        m_messageBox.ShowMessage(LocaleText(u"STR_BOARD_CHANGED_MSG")
                                     .arg(QString::fromStdU16String(version),
                                          QString::fromStdU16String(m_versionBeforeLoss)));
    }
}
