#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QPointer>
#include <QTime>
#include <QTimer>
#include <memory>
#include <string>

#include "platform/IReturnWatch.h"

class CBackgroundWork;
class CDeviceLink;
class CTunevoDlg;
class IMessageBox;

// The link's state on the main window's status banner. Brings back a link
// lost under the window: the window stays and says
// that it tries again, drops the connection, searches after a pause that
// grows from 1 s to 10 s, loads the board anew, and then refreshes the
// pages: the same board keeps the user's unapplied steps, one with another
// description rebuilds them and is named. Says for a while, once, that the
// link fell back to the fixed timing. Main thread only; owned by the window.
class CReconnectController final : public QObject {
public:
    // How long a note of the link's stays up.
    static constexpr int kStatusNoteMs = 6000;
    // The pause before each new search grows from the first to the last, doubling.
    static constexpr int kFirstReconnectPauseS = 1;
    static constexpr int kLastReconnectPauseS = 10;

    CReconnectController(CTunevoDlg& dlg, CDeviceLink& link, CBackgroundWork& work,
                         IMessageBox& messageBox);

    // While the link is lost and being brought back.
    bool IsReconnecting() const { return m_eState != EState::None; }
    // The link's report of its connection.
    void OnLinkState(bool bConnected);
    // Drops the connection and loads the board anew, as after a loss, at the
    // user's asking: to read a description that did not come whole.
    void Reload();
    // The board's description is in; true when that finished a reconnect.
    bool OnConfigLoaded();
    // Says for a while that replies went missing and the link now waits longer.
    void ShowTimingFallback();
    // The window ends: no further search.
    void Stop() { m_timerReconnect.stop(); }

private:
    enum class EState {
        None,       // the link is up
        Dropping,   // the lost connection is being closed
        Waiting,    // until the next search
        Searching,  // for the board
        Loading,    // the board answered; its description and values are read
    };
    // The link went away, or the user asked for the board anew.
    void Begin(const QString& strFirstStatus);
    // Closes the connection, saying so with the text given, then searches.
    void DropLink(const QString& strStatus);
    void ScheduleSearch();
    void OnTick();
    void Finish();
    void SetStatus(const QString& strText);
    void RestoreFocus();
    void WatchLostPort();
    void SearchNow();

    CTunevoDlg& m_dlg;
    CDeviceLink& m_link;
    CBackgroundWork& m_work;
    IMessageBox& m_messageBox;
    EState m_eState = EState::None;
    int m_nPauseS = kFirstReconnectPauseS;
    int m_nSecondsToSearch = 0;
    std::u16string m_versionBeforeLoss;
    QTime m_lastRead;
    // The lost board's way back (its device node, its serial server),
    // watched while waiting: open again, it is tried at once instead of at
    // the end of the pause.
    std::string m_strLostPort;
    bool m_bPortWatchAsked = false;
    std::unique_ptr<IReturnWatch> m_pPortWatch;
    std::unique_ptr<QSocketNotifier> m_pPortNotifier;
    QPointer<QWidget> m_pFocusBefore;  // the board's last answer before it went away
    QTimer m_timerReconnect;
    QTimer m_timerStatusNote;
    bool m_bTimingFallbackShown = false;
};
