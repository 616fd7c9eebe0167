#pragma once

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "link/ILinkListener.h"
#include "widgets/BusyFrames.h"

class CBoardChooser;
class CDeviceFrame;
class CDeviceLink;
class CListenerBridge;
class CTunevoDlg;
class IMessageBox;

// The start-up screen: picks the layout, loads the texts, finds the board
// and starts the link, with an animation while that goes on, then runs the
// main window over itself. Ending it ends the program; destroying it tears
// the main window and then the link down.
class CScreen_Splash final : public QWidget, public ILinkListener {
    Q_OBJECT
public:
    static constexpr int TIMER_START_SEARCH = 2013;
    static constexpr int TIMER_ANIMATE = 2014;
    static constexpr int kAnimatePeriodMs = 100;
    // The search starts once the splash has been drawn.
    static constexpr int kStartSearchDelayMs = 0;
    static constexpr const char* kVersionText = "V1.1.2";

    // Fills the frame's client area, whose size decides the layout. The link
    // is taken over: the splash destroys it when it goes. Reports arrive
    // through the bridge.
    CScreen_Splash(CDeviceFrame& frame, CDeviceLink& link, CListenerBridge& bridge,
                   IMessageBox& messageBox);
    ~CScreen_Splash() override;

    int FrameIndex() const { return m_nFrame; }
    const QTimer& AnimateTimer() const { return m_timerAnimate; }
    const QTimer& StartSearchTimer() const { return m_timerStartSearch; }
    // The main window while it exists.
    CTunevoDlg* MainWindow() const;
    // Whether the program may end at the user's word (the window's close).
    bool MayQuit() const;

    // Main thread, through the bridge.
    void OnLinkState(bool bConnected) override;
    void OnLinkError(int nKind, std::string) override;
    void OnLockState(bool) override {}
    void OnPosterText(int, bool, std::string) override {}
    void OnPowerState(bool) override {}
    void OnConfigLoaded(bool bOk) override;
    void OnOverclockRefreshed(bool) override {}
    void OnApplied(bool) override {}
    void OnArrayRefreshed(int, bool) override {}
    void OnPowerCommandDone(bool, int) override {}
    void OnMessageModeDone(bool) override {}
    void OnProgress(EProgress step, int n, int nOf) override;
    void OnBoardChoice(std::vector<std::string> boards) override;
    // Up while the user chooses among the boards that answered.
    CBoardChooser& BoardChooser() const { return *m_pChooser; }

    // What the start-up is doing, as shown below the animation.
    const QString& ProgressText() const { return m_strProgress; }
    const QString& Tagline() const { return m_strTagline; }
    // What the splash says when no board was reached, and why where it is known.
    QString NoBoardText() const;

signals:
    // The screen has ended; the program ends with it.
    void Ended(int nResult);
    // The main window is up.
    void MainWindowShown(CTunevoDlg* pMainWindow);

public slots:
    void OnTimerAnimate();
    void OnTimerStartSearch();

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    // A locale text followed by the description's problems, one per line.
    static QString DescriptionProblemText(const char16_t* pszKey,
                                          const std::vector<std::string>& problems);
    // The board is out of reach: say so once, then end.
    void ShowLinkLost(const QString& strText);
    // Runs the main window over the splash, before the board's values are in
    // or after; a board that described nothing is said instead, once loaded.
    void OpenMainWindow(bool bValuesToCome);
    void EndScreen(int nResult);
    void OnMainWindowEnded(int nResult);

    CDeviceFrame& m_frame;
    CDeviceLink* m_pLink;
    CListenerBridge& m_bridge;
    IMessageBox& m_messageBox;
    QTimer m_timerAnimate;
    QTimer m_timerStartSearch;
    int m_nFrame = 0;
    std::unique_ptr<BusyFrames> m_pFrames;
    QPixmap m_background;
    QPoint m_iconPosition;
    QRect m_rcVersion;
    QRect m_rcProgress;
    QFont m_progressFont;
    QRect m_rcTagline;
    QFont m_taglineFont;
    QString m_strTagline;
    QString m_strProgress;
    QString m_strLinkLost;
    CBoardChooser* m_pChooser = nullptr;
    bool m_bLinkLostShown = false;
    // The board's description could not be downloaded this start.
    bool m_bDownloadFailed = false;
    bool m_bEnded = false;
    // A sibling in the frame; destroyed with the splash, before the link.
    QPointer<CTunevoDlg> m_pMainWindow;
};
