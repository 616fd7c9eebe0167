#pragma once

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CTunevoDlg.h"
#include "sim/CBoardModel.h"
#include "sim/CMemoryLine.h"
#include "sim/CMemoryPortOpener.h"
#include "tests/support/CFastClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/ui/CScriptedMessageBox.h"
#include "widgets/ScreenLayout.h"

// A main window over a link that has loaded the demo board, served by the
// board model over an in-memory line on a fast clock, so the link's poll
// threads run side by side as they do against a real board.
class MainWindowFixture : public testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;

    MainWindowFixture();
    ~MainWindowFixture() override;

    // Loads the locale texts for a POSIX locale name.
    void UseLocale(const char* pszLocale);
    // Serves this description instead of the demo board's; before StartBoard.
    void UseBoard(const std::string& strDescription);
    // Serves the board, finds it and waits for the start-up load.
    void StartBoard();
    // Creates the main window in a frame of the given client size and runs it.
    CTunevoDlg& OpenMainWindow(QSize clientSize = kDefaultClientSize);
    // StartBoard, then OpenMainWindow.
    CTunevoDlg& Open(QSize clientSize = kDefaultClientSize);
    // Waits until the main window's lock check has run and the polls are going.
    void WaitForLockCheck();
    // Open, then WaitForLockCheck.
    CTunevoDlg& OpenPolling();

    // A tap (press and release) at a point of a widget.
    static void Tap(QWidget* pWidget, QPoint point);
    size_t CountSent(const Bytes& frame) const;
    size_t SentCount() const { return m_pLine->Sent().size(); }
    // Frames sent from a position on.
    std::vector<Bytes> SentFrom(size_t nFrom) const { return m_pLine->Sent(nFrom); }
    bool SoftKeysEnabled() const;

    TempDir m_dir;
    // The alarm log and recordings go here, not into the user's own folder.
    ScopedEnv m_dataHome{"XDG_DATA_HOME", m_dir.Path().c_str()};
    std::shared_ptr<CFastClock> m_pClock = std::make_shared<CFastClock>();
    std::shared_ptr<CBoardModel> m_pBoard;
    std::shared_ptr<CMemoryLine> m_pLine;
    std::shared_ptr<CMemoryPortOpener> m_pOpener = std::make_shared<CMemoryPortOpener>();
    // The timing StartBoard's link works in.
    ELinkTiming m_timing = ELinkTiming::Fixed;
    CListenerBridge m_bridge;
    // Hears the start-up load; it outlives the link, whose threads may still
    // be finishing a report to it after the bridge has taken over.
    CRecordingListener m_loading;
    CScriptedMessageBox m_messageBox;
    std::unique_ptr<CDeviceLink> m_pLink;
    std::unique_ptr<CDeviceFrame> m_pFrame;
    std::unique_ptr<CTunevoDlg> m_pDlg;
    std::unique_ptr<QSignalSpy> m_pEnded;
};
