#include "platform/CSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FdWrite.h"

namespace {

// Bounds the drain of stale input on a line that keeps talking.
constexpr int kDiscardRounds = 64;

bool ConfigureLine(int nFd) {
    termios tio{};
    if (tcgetattr(nFd, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B57600);
    cfsetospeed(&tio, B57600);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(nFd, TCSANOW, &tio) != 0) {
        return false;
    }
    tcflush(nFd, TCOFLUSH);
    return true;
}

}  // namespace

std::unique_ptr<CSerialPort> CSerialPort::Open(const std::string& strPath, bool& bHeld) {
    bHeld = false;
    int nFd = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0) {
        // A terminal opened for exclusive use (TIOCEXCL) refuses with EBUSY.
        bHeld = errno == EBUSY;
        return nullptr;
    }
    // No sharing: a second program on the same line would corrupt exchanges.
    if (flock(nFd, LOCK_EX | LOCK_NB) != 0) {
        bHeld = errno == EWOULDBLOCK;
        ::close(nFd);
        return nullptr;
    }
    if (!ConfigureLine(nFd)) {
        ::close(nFd);
        return nullptr;
    }
    return std::unique_ptr<CSerialPort>(new CSerialPort(nFd));
}

CSerialPort::~CSerialPort() {
    ::close(m_nFd);
}

bool CSerialPort::Write(std::span<const uint8_t> bytes) {
    return WriteAll(m_nFd, bytes, m_bAborted, false);
}

ReadResult CSerialPort::Read(std::span<uint8_t> buffer) {
    ReadResult result;
    ssize_t nRead = ::read(m_nFd, buffer.data(), buffer.size());
    if (nRead > 0) {
        result.nCount = static_cast<size_t>(nRead);
        return result;
    }
    if (nRead < 0 && errno == EIO) {
        result.bNotConnected = true;
        return result;
    }
    // Nothing read: either nothing has arrived yet or the other end hung up.
    pollfd pfd{m_nFd, POLLIN, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR)) != 0) {
        result.bNotConnected = true;
    }
    return result;
}

void CSerialPort::DiscardInput() {
    tcflush(m_nFd, TCIFLUSH);
    // Some terminals (pseudo-terminals among them) keep bytes past the flush.
    uint8_t buffer[256];
    for (int nRound = 0; nRound < kDiscardRounds; ++nRound) {
        if (::read(m_nFd, buffer, sizeof(buffer)) <= 0) {
            break;
        }
    }
}

void CSerialPort::Abort() {
    m_bAborted.store(true);
}

bool CSerialPort::WaitReadable(IClock& /*clock*/, std::chrono::microseconds timeout,
                               std::stop_token stop) {
    return ::WaitReadable(m_nFd, timeout, stop);
}
