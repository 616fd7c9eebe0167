#pragma once

#include <QObject>
#include <QTimer>

class CBackgroundWork;
class CDeviceLink;
class CTunevoDlg;
class QWidget;

// The board's lock as the main window keeps it: the first check after the
// window opens, the banner and the two screens left usable while locked,
// and the over-clock values read anew a second after the lock opens.
// Main thread only; owned by the window.
class CLockController final : public QObject {
public:
    static constexpr int TIMER_CHECK_LOCK = 2010;
    static constexpr int TIMER_REFRESH_OC = 2012;
    static constexpr int kCheckLockDelayMs = 500;
    static constexpr int kRefreshOcDelayMs = 1000;

    // Starts the first check's timer.
    CLockController(CTunevoDlg& dlg, CDeviceLink& link, CBackgroundWork& work);

    bool IsLocked() const { return m_bLocked; }
    // The board's report: locks or unlocks the window.
    void OnLockState(bool bLocked);
    // Asks the board off the main thread; its answer comes as a report.
    void RunLockCheck();
    // While locked, swaps the poster (1) and power (0) screens.
    void SwapLockedScreen(int nWhich);
    // The link went away: the lock is the board's to say again once it is back.
    void Forget();
    // No further check or read: the window ends or waits for its board.
    void StopTimers();
    // The first check's timer, again: for a window opened before the values.
    void StartCheckTimer() { m_timerCheckLock.start(); }

    void OnTimerCheckLock();
    void OnTimerRefreshOc();
    const QTimer& CheckLockTimer() const { return m_timerCheckLock; }
    const QTimer& RefreshOcTimer() const { return m_timerRefreshOc; }

private:
    void Lock();
    void Unlock();
    // Taps and the screen follow the board's lock application-wide.
    void SetApplicationLock(bool bLocked);

    CTunevoDlg& m_dlg;
    CDeviceLink& m_link;
    CBackgroundWork& m_work;
    bool m_bLocked = false;
    // The settings screen the lock hid, shown again when it opens.
    QWidget* m_pHiddenByLock = nullptr;
    QTimer m_timerCheckLock;
    QTimer m_timerRefreshOc;
};
