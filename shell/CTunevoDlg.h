#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <map>

#include "link/ILinkListener.h"
#include "screens/CBackgroundWork.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/IMainWindow.h"
#include "shell/CAlarmController.h"
#include "shell/CFocusMark.h"
#include "shell/CLockController.h"
#include "shell/COverClockController.h"
#include "shell/CReconnectController.h"
#include "shell/CRecordingController.h"
#include "shell/CSafetyNetController.h"
#include "shell/CWindowKeys.h"

class CDeviceFrame;
class CFocusTrap;
class CDeviceLink;
class CListenerBridge;
class CPageTabs;
class CProfileScreen;
class CScreen_AlarmLog;
class CScreen_Journal;
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
// each report into a screen update or a message box. What has a life of its
// own goes to the small controllers it owns: the board's lock, bringing a
// lost link back, Record to File, and the safety net under tuning.
// Main thread only; reports reach it through the listener bridge.
class CTunevoDlg final : public QWidget, public ILinkListener, public IMainWindow {
    Q_OBJECT
public:
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
    // With values ToCome, the window opens while the board's first values
    // are still being read: the rows fill in as they come.
    enum class EValues { In, ToCome };
    void Run(EValues values = EValues::In);

    // IMainWindow
    void EnableSoftKeys(bool bEnable) override;
    void RestoreSoftKeys() override;
    void SwapLockedScreen(int nWhich) override;
    void ShowPowerScreen() override;
    void OnOverClockCommand(int nKind) override;
    bool IsScreenLocked() const override;
    void OnPowerRequested(int nCode) override;

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
    void OnProgress(EProgress step, int /*n*/, int /*nOf*/) override {
        if (step == EProgress::ReadingValues && !IsReconnecting()) {
            m_overClock.OnValuesProgress();
        }
    }

    // Whether the user may quit now: unapplied steps are dropped, and a
    // write in hand or a keep question left, only when the user says so, No
    // being the default.
    bool MayQuit();

    // Shows the over-clock or the monitor page, as a tap on its tab does.
    void ShowPage(int nPage);
    int Page() const { return m_nPage; }
    bool IsBoardLocked() const { return m_lock.IsLocked(); }
    CScreen_LumoPower& PowerScreen() const { return *m_pPower; }
    CScreen_LumoPoster& PosterScreen() const { return *m_pPoster; }
    CScreen_SaveProfile& SaveProfileScreen() const { return *m_pSaveProfile; }
    CScreen_LoadProfile& LoadProfileScreen() const { return *m_pLoadProfile; }
    CScreen_DisplaySetting& DisplaySettingScreen() const { return *m_pDisplaySetting; }
    CScreen_AlarmLog& AlarmLogScreen() const { return *m_pAlarmLog; }
    CScreen_Journal& JournalScreen() const { return *m_pJournal; }
    // The journal, undo, keep-or-revert and the start-up watch.
    CSafetyNetController& SafetyNet() { return m_safety; }
    // The file every value read goes to while Record to File is on.
    bool IsRecording() const { return m_recording.IsRecording(); }
    const std::string& RecordingFile() const { return m_recording.File(); }
    CScreen_Lock& LockBanner() const { return *m_pLock; }
    CScreen_Status& StatusBanner() const { return *m_pStatus; }
    // While the link is lost and being brought back.
    bool IsReconnecting() const { return m_reconnect.IsReconnecting(); }
    // When the board last answered a read of its values; invalid before that.
    QTime LastValuesRead() const { return m_lastValuesRead; }
    CSubScreen_Monitor& MonitorPage() const { return *m_pMonitor; }
    // Where items coming into alarm are told.
    CDesktopNotifier& Notifier() { return m_alarms.Notifier(); }
    CSubScreen_OverClock& OverClockPage() const { return *m_pOverClock; }
    // Keeps the focus in the screen that is open.
    const CFocusTrap& FocusTrap() const { return *m_pFocusTrap; }
    // The ring around the focused button.
    const CFocusMark& FocusMark() const { return *m_pFocusMark; }
    CSubScreen_OverClock_Control& ControlBar() const { return *m_pControlBar; }
    const QTimer& CheckLockTimer() const { return m_lock.CheckLockTimer(); }
    const QTimer& RefreshOcTimer() const { return m_lock.RefreshOcTimer(); }
    // True while the link's blocking calls run or wait off the main thread.
    bool IsBackgroundBusy() const { return m_work.IsBusy(); }
    QRect PageRect() const { return m_rcPage; }
    QRect ControlBarRect() const { return m_rcControlBar; }
    QRect MonitorRect() const { return m_rcMonitor; }

    // For the controllers the window owns.
    CLockController& Lock() { return m_lock; }
    // Loads the board anew, the user's unapplied steps kept for the same board.
    void ReloadBoard() { m_reconnect.Reload(); }
    CDeviceFrame& Frame() { return m_frame; }
    // Whether any screen the menu opens is up.
    bool IsOverlayOpen() const;
    bool IsEnded() const { return m_bEnded; }
    // Shows an overlay at its place, in front of everything else.
    void ShowOverlay(QWidget& screen, const QRect& rc);
    // The profile or display setting screen that is open, if any.
    QWidget* OpenSettingsScreen() const;
    // Fills a profile or display setting screen anew and shows it.
    void ShowSettingsScreen(QWidget& screen);
    // Closes the screen on top as its own close or Cancel does.
    void CloseOpenScreen();
    // While locked the pages, their tabs and the control bar take nothing
    // and look it, and Tab passes them by.
    void SetPagesEnabled(bool bEnabled);
    // The over-clock rows from the link's arrays: voltages, frequencies, ratios.
    void UpdateOverClockRows(
        CSubScreen_OverClock::EEdits edits = CSubScreen_OverClock::EEdits::Drop);

signals:
    // The window has ended with a dialog result; OK ends the program.
    void Ended(int nResult);

public slots:
    void OnTimerCheckLock();
    void OnTimerRefreshOc();

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CFocusMark* m_pFocusMark = nullptr;
    CFocusTrap* m_pFocusTrap = nullptr;
    void ComputeLayout();
    void ShowLinkLost();
    void NoteValuesRead(bool bOk);
    void EndDialog(int nResult);
    // The control bar shows on the over-clock page unless a settings screen,
    // which reaches over it, is open.
    void UpdateControlBar();

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
    CScreen_Journal* m_pJournal = nullptr;
    CScreen_Lock* m_pLock = nullptr;
    CScreen_Status* m_pStatus = nullptr;
    CPageTabs* m_pTabs = nullptr;

    QString m_strLinkLost;
    // The profile screens' titles, by menu command.
    std::map<int, QString> m_profileTitles;

    QRect m_rcPage;
    QRect m_rcControlBar;
    QRect m_rcMonitor;
    int m_nPage = kPageOverClock;
    bool m_bLinkLostShown = false;
    // The window opens on values the splash has just read.
    QTime m_lastValuesRead = QTime::currentTime();
    bool m_bEnded = false;

    // After the screens' work queue, which they hand their blocking calls to.
    CLockController m_lock;
    CReconnectController m_reconnect;
    CRecordingController m_recording;
    CAlarmController m_alarms;
    COverClockController m_overClock;
    CSafetyNetController m_safety;
    CWindowKeys* m_pKeys = nullptr;
};
