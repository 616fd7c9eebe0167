#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>

// Keeps one copy of the program per program folder and user: a lock file
// says a copy runs, and a local socket lets a second copy ask it to come to
// the front.
class CSingleCopyGuard final : public QObject {
    Q_OBJECT
public:
    // The key names the lock file and the socket; nTries and the interval
    // bound how long a second copy waits for the first one's window.
    explicit CSingleCopyGuard(const QString& strKey, int nTries = 40,
                              std::chrono::milliseconds interval = std::chrono::milliseconds(250));
    ~CSingleCopyGuard() override;

    // The key for the program in a folder, for the current user.
    static QString KeyForProgramDir(const QString& strProgramDir);

    // True when this copy should run: it is the first, or the running copy
    // showed no window in time. False when the running copy was brought to
    // the front: this copy then exits with -1. Blocks while it asks.
    bool Claim();

    // Why no private folder for the lock was found; empty when one was.
    // Without one, Claim lets every copy run.
    const QString& FolderProblem() const { return m_strFolderProblem; }

    // The window the first copy brings to the front when asked.
    void SetWindow(QWidget* pWindow) { m_pWindow = pWindow; }

private:
    void AnswerRequest();
    bool AskRunningCopy();

    QString m_strFolderProblem;
    QString m_strFolder;  // private to the user; empty when none was found
    QString m_strServer;  // the socket's full path
    int m_nTries;
    std::chrono::milliseconds m_interval;
    QLockFile m_lockFile;
    QLocalServer m_server;
    QPointer<QWidget> m_pWindow;
};
