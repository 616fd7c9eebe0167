#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <map>

#include "data/MonitorLog.h"
#include "link/ILinkListener.h"
#include "screens/CBackgroundWork.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/IMainWindow.h"
#include "shell/CDesktopNotifier.h"
#include "shell/CFocusMark.h"

class CDeviceFrame;
class CFocusTrap;
class CDeviceLink;
class CListenerBridge;
class CPageTab;
class CProfileScreen;
class CScreen_AlarmLog;
class CScreen_DisplaySetting;
class CScreen_LoadProfile;
class CScreen_Lock;
class CScreen_Status;
class CScreen_LumoPoster;
class CScreen_LumoPower;
class CScreen_SaveProfile;
class CSubScreen_Monitor;
class CSubScreen_OverClock;
class CSubScreen_OverClock_Control;
class IMessageBox;

// The main window: the over-clock and monitor tabs, the soft-key menu, the
// overlay screens, and the link's listener for as long as it runs. It turns
// each report into a screen update or a message box, and while the board
// reports its lock it leaves only the poster and power screens usable.
// Main thread only; reports reach it through the listener bridge.
class CTunevoDlg final : public QWidget, public ILinkListener, public IMainWindow {
    Q_OBJECT
public:
    static constexpr int TIMER_CHECK_LOCK = 2010;
    static constexpr int TIMER_REFRESH_OC = 2012;
    static constexpr int kCheckLockDelayMs = 500;
    static constexpr int kRefreshOcDelayMs = 1000;
    // How long a note of the link's stays up.
    static constexpr int kStatusNoteMs = 6000;
    // The pause before each new search for a lost board grows from the
    // first to the last, doubling.
    static constexpr int kFirstReconnectPauseS = 1;
    static constexpr int kLastReconnectPauseS = 10;
    static constexpr int kPageOverClock = 0;
    static constexpr int kPageMonitor = 1;

    // Fills the frame's client area and takes the bridge's reports from now on.
    CTunevoDlg(CDeviceLink& link, CListenerBridge& bridge, IMessageBox& messageBox,
               CDeviceFrame& frame);
    ~CTunevoDlg() override;

    // Shows the window. A board that described no over-clock voltage cannot
    // be worked with: the link-lost message follows, then the end. A link
    // lost later is brought back: the window stays, says so, and takes
    // nothing that needs the board until the board has been loaded again.
    void Run();

    // IMainWindow
    void EnableSoftKeys(bool bEnable) override;
    void RestoreSoftKeys() override;
    void SwapLockedScreen(int nWhich) override;
    void ShowPowerScreen() override;
    void OnOverClockCommand(int nKind) override;
    bool IsScreenLocked() const override;

    // Replaces the soft-key bar with one built from a menu, in the locale's language.
    void CreateMenuBar(int nMenuId);
    // A soft-key menu command.
    void OnMenuCommand(int nId);

    // ILinkListener, on the main thread.
    void OnLinkState(bool bConnected) override;
    void OnLinkError(int nKind, std::string) override;
    void OnLockState(bool bLocked) override;
    void OnPosterText(int nCode, bool bCodeMode, std::string strText) override;
    void OnPowerState(bool bOn) override;
    void OnConfigLoaded(bool bOk) override;
    void OnOverclockRefreshed(bool bOk) override;
    void OnApplied(bool bOk) override;
    void OnArrayRefreshed(int nKind, bool bOk) override;
    void OnPowerCommandDone(bool bOk, int nDetail) override;
    void OnMessageModeDone(bool) override {}

    // Whether the user may quit now: unapplied steps are dropped only when
    // the user says so, No being the default.
    bool MayQuit();

    // Shows the over-clock or the monitor page, as a tap on its tab does.
    void ShowPage(int nPage);
    int Page() const { return m_nPage; }
    bool IsBoardLocked() const { return m_bBoardLocked; }
    CScreen_LumoPower& PowerScreen() const { return *m_pPower; }
    CScreen_LumoPoster& PosterScreen() const { return *m_pPoster; }
    CScreen_SaveProfile& SaveProfileScreen() const { return *m_pSaveProfile; }
    CScreen_LoadProfile& LoadProfileScreen() const { return *m_pLoadProfile; }
    CScreen_DisplaySetting& DisplaySettingScreen() const { return *m_pDisplaySetting; }
    CScreen_AlarmLog& AlarmLogScreen() const { return *m_pAlarmLog; }
    // The file every value read goes to while Record to File is on.
    bool IsRecording() const { return m_recording.IsOpen(); }
    const std::string& RecordingFile() const { return m_recording.Path(); }
    CScreen_Lock& LockBanner() const { return *m_pLock; }
    CScreen_Status& StatusBanner() const { return *m_pStatus; }
    // While the link is lost and being brought back.
    bool IsReconnecting() const { return m_eReconnect != EReconnect::None; }
    CSubScreen_Monitor& MonitorPage() const { return *m_pMonitor; }
    // Where items coming into alarm are told.
    CDesktopNotifier& Notifier() { return m_notifier; }
    CSubScreen_OverClock& OverClockPage() const { return *m_pOverClock; }
    // Keeps the focus in the screen that is open.
    const CFocusTrap& FocusTrap() const { return *m_pFocusTrap; }
    // The ring around the focused button.
    const CFocusMark& FocusMark() const { return *m_pFocusMark; }
    CSubScreen_OverClock_Control& ControlBar() const { return *m_pControlBar; }
    const QTimer& CheckLockTimer() const { return m_timerCheckLock; }
    const QTimer& RefreshOcTimer() const { return m_timerRefreshOc; }
    // True while the link's blocking calls run or wait off the main thread.
    bool IsBackgroundBusy() const { return m_work.IsBusy(); }
    QRect PageRect() const { return m_rcPage; }
    QRect ControlBarRect() const { return m_rcControlBar; }
    QRect MonitorRect() const { return m_rcMonitor; }

signals:
    // The window has ended with a dialog result; OK ends the program.
    void Ended(int nResult);

public slots:
    void OnTimerCheckLock();
    void OnTimerRefreshOc();

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CDesktopNotifier m_notifier;
    CFocusMark* m_pFocusMark = nullptr;
    CFocusTrap* m_pFocusTrap = nullptr;
    void ComputeLayout();
    // The lock check blocks for its exchanges, so it runs off the main thread.
    void RunLockCheck();
    void Lock();
    void Unlock();
    // Shows an overlay at its place, in front of everything else.
    void ShowOverlay(QWidget& screen, const QRect& rc);
    // The profile or display setting screen that is open, if any.
    QWidget* OpenSettingsScreen() const;
    // Whether any screen the menu opens is up.
    bool IsOverlayOpen() const;
    // Fills a profile or display setting screen anew and shows it.
    void ShowSettingsScreen(QWidget& screen);
    // The window's keys: Escape, F10 and the Menu key, Ctrl+Tab.
    void SetUpKeys();
    void CloseOpenScreen();
    void OpenSoftKeyMenu();
    // Through the over-clock page and the monitor's categories.
    void StepTab(int nStep);
    void ShowLinkLost();
    // A lost link: the window waits, searches and loads again, pausing
    // longer after each search that finds nothing.
    void BeginReconnect();
    void DropLink();
    void ScheduleSearch();
    void OnReconnectTick();
    // The board was loaded again: the pages take its values, or are built
    // anew for a board whose description changed.
    void FinishReconnect();
    // Says for a while that replies went missing and the link now waits longer.
    void ShowTimingFallback();
    // Record to File: starts a new recording, or ends the one running.
    void ToggleRecording();
    void StopRecording();
    // The caption and the menu entry say whether a recording runs.
    void ShowRecordingState();
    void EndDialog(int nResult);
    void SetApplicationLock(bool bLocked);
    // While locked the pages, their tabs and the control bar take nothing
    // and look it, and Tab passes them by.
    void SetPagesEnabled(bool bEnabled);
    // The control bar shows on the over-clock page unless a settings screen,
    // which reaches over it, is open.
    void UpdateControlBar();
    // The over-clock rows from the link's arrays: voltages, frequencies, ratios.
    void UpdateOverClockRows(
        CSubScreen_OverClock::EEdits edits = CSubScreen_OverClock::EEdits::Drop);

    CDeviceLink& m_link;
    CListenerBridge& m_bridge;
    IMessageBox& m_messageBox;
    CDeviceFrame& m_frame;
    CBackgroundWork m_work;

    // Created before the overlays, so that they lie above them.
    CSubScreen_OverClock* m_pOverClock = nullptr;
    CSubScreen_OverClock_Control* m_pControlBar = nullptr;
    CSubScreen_Monitor* m_pMonitor = nullptr;
    CScreen_LumoPoster* m_pPoster = nullptr;
    CScreen_LumoPower* m_pPower = nullptr;
    CScreen_SaveProfile* m_pSaveProfile = nullptr;
    CScreen_LoadProfile* m_pLoadProfile = nullptr;
    CScreen_DisplaySetting* m_pDisplaySetting = nullptr;
    CScreen_AlarmLog* m_pAlarmLog = nullptr;
    // The settings screen the lock hid, shown again when it opens.
    QWidget* m_pHiddenByLock = nullptr;
    CScreen_Lock* m_pLock = nullptr;
    CScreen_Status* m_pStatus = nullptr;
    // Over the painted tabs: taps, keys and assistive technology.
    CPageTab* m_pTabOverClock = nullptr;
    CPageTab* m_pTabMonitor = nullptr;

    QString m_strLinkLost;
    QString m_strPowerError;
    QString m_strRefreshError;
    QString m_strApplyError;
    QString m_strClearCmos;
    QString m_strOverClock;
    QString m_strMonitor;
    QFont m_tabFont;
    // The profile screens' titles, by menu command.
    std::map<int, QString> m_profileTitles;

    CLineFile m_recording;

    QRect m_rcPage;
    QRect m_rcControlBar;
    QRect m_rcMonitor;
    int m_nPage = kPageOverClock;
    bool m_bBoardLocked = false;
    bool m_bLinkLostShown = false;
    bool m_bEnded = false;
    enum class EReconnect {
        None,       // the link is up
        Dropping,   // the lost connection is being closed
        Waiting,    // until the next search
        Searching,  // for the board
        Loading,    // the board answered; its description and values are read
    };
    EReconnect m_eReconnect = EReconnect::None;
    int m_nReconnectPauseS = kFirstReconnectPauseS;
    int m_nSecondsToSearch = 0;
    std::u16string m_versionBeforeLoss;
    QTimer m_timerReconnect;
    QTimer m_timerStatusNote;
    bool m_bTimingFallbackShown = false;
    QTimer m_timerCheckLock;
    QTimer m_timerRefreshOc;
};
