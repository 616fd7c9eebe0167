#include "shell/CSingleCopyGuard.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#include "platform/PrivateFolder.h"

namespace {

const QByteArray kRaiseRequest = "raise\n";
const QByteArray kRaised = "raised\n";
const QByteArray kNoWindow = "no-window\n";
constexpr int kSocketWaitMs = 1000;

// The lock and the socket live where only this user can create files, so
// no other local user can take the name first and keep the program out.
QString PrivatePath(const QString& strFolder, const QString& strName) {
    return strFolder.isEmpty() ? QString() : QDir(strFolder).filePath(strName);
}

QString FindFolder(QString& strWhy) {
    std::string strProblem;
    const std::string strFolder = FindPrivateFolder(PrivateFolderPlacesNow(), strProblem);
    strWhy = QString::fromStdString(strProblem);
    return QString::fromStdString(strFolder);
}

}  // namespace

CSingleCopyGuard::CSingleCopyGuard(const QString& strKey, int nTries,
                                   std::chrono::milliseconds interval)
    : m_strFolder(FindFolder(m_strFolderProblem)),
      m_strServer(PrivatePath(m_strFolder, strKey + QStringLiteral(".socket"))),
      m_nTries(nTries),
      m_interval(interval),
      m_lockFile(PrivatePath(m_strFolder, strKey + QStringLiteral(".lock"))) {
    // A copy that died leaves its lock; the owner's process id tells it is stale.
    m_lockFile.setStaleLockTime(0);
    connect(&m_server, &QLocalServer::newConnection, this, &CSingleCopyGuard::AnswerRequest);
}

CSingleCopyGuard::~CSingleCopyGuard() {
    m_server.close();
}

QString CSingleCopyGuard::KeyForProgramDir(const QString& strProgramDir) {
    const QByteArray hash =
        QCryptographicHash::hash(strProgramDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("tunevo-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
}

bool CSingleCopyGuard::Claim() {
    if (m_strFolder.isEmpty()) {
        return true;  // no lock can be made safely: the program runs unguarded
    }
    if (m_lockFile.tryLock(0)) {
        QLocalServer::removeServer(m_strServer);
        m_server.listen(m_strServer);
        return true;
    }
    for (int nTry = 0; nTry < m_nTries; ++nTry) {
        if (AskRunningCopy()) {
            return false;
        }
        QThread::msleep(static_cast<unsigned long>(m_interval.count()));
    }
    // The running copy never showed a window: start as if alone.
    return true;
}

bool CSingleCopyGuard::AskRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_strServer);
    if (!socket.waitForConnected(kSocketWaitMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kSocketWaitMs);
    while (!socket.canReadLine() && socket.waitForReadyRead(kSocketWaitMs)) {
    }
    return socket.readLine() == kRaised;
}

void CSingleCopyGuard::AnswerRequest() {
    while (QLocalSocket* pSocket = m_server.nextPendingConnection()) {
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, pSocket, [this, pSocket] {
            if (!pSocket->canReadLine() || pSocket->readLine() != kRaiseRequest) {
                return;
            }
            if (m_pWindow == nullptr || !m_pWindow->isVisible()) {
                pSocket->write(kNoWindow);
                return;
            }
            m_pWindow->showNormal();
            m_pWindow->raise();
            m_pWindow->activateWindow();
            pSocket->write(kRaised);
        });
    }
}
