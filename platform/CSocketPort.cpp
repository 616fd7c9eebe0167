#include "platform/CSocketPort.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FdWrite.h"

namespace {

// A Bluetooth page takes up to about five seconds; a serial server answers at once.
constexpr int kRfcommConnectMs = 12000;
constexpr int kTcpConnectMs = 5000;
constexpr int kDiscardRounds = 64;

// The kernel's RFCOMM socket address; written here rather than taken from
// libbluetooth, whose headers only this needs.
constexpr int kProtocolRfcomm = 3;
struct RfcommAddress {
    sa_family_t family;
    std::array<uint8_t, 6> address;  // least significant byte first
    uint8_t nChannel;
};

EConnectError ErrorOf(int nErrno) {
    switch (nErrno) {
        case EAFNOSUPPORT:
        case EPROTONOSUPPORT:
        case ESOCKTNOSUPPORT:
            return EConnectError::NoBluetooth;
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case ETIMEDOUT:
            return EConnectError::Unreachable;
        case ECONNREFUSED:
            return EConnectError::Refused;
        case EACCES:
        case EPERM:
        case EBADE:
            return EConnectError::NotPaired;
        default:
            return EConnectError::Other;
    }
}

// Connects a non-blocking socket within the time; 0 or the errno.
int ConnectWithin(int nFd, const sockaddr* pAddress, socklen_t nLength, int nTimeoutMs) {
    if (::connect(nFd, pAddress, nLength) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    pollfd pfd{nFd, POLLOUT, 0};
    const int nReady = ::poll(&pfd, 1, nTimeoutMs);
    if (nReady == 0) {
        return ETIMEDOUT;
    }
    int nError = 0;
    socklen_t nSize = sizeof(nError);
    if (nReady < 0 || ::getsockopt(nFd, SOL_SOCKET, SO_ERROR, &nError, &nSize) != 0) {
        return errno;
    }
    return nError;
}

}  // namespace

std::unique_ptr<CSocketPort> CSocketPort::Adopt(int nFd) {
    ::fcntl(nFd, F_SETFL, ::fcntl(nFd, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<CSocketPort>(new CSocketPort(nFd));
}

std::unique_ptr<CSocketPort> CSocketPort::ConnectTcp(const std::string& strHost, uint16_t nPort,
                                                     EConnectError& error, std::string& strWhy) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pFound = nullptr;
    const int nLookup =
        ::getaddrinfo(strHost.c_str(), std::to_string(nPort).c_str(), &hints, &pFound);
    if (nLookup != 0) {
        error = EConnectError::NoSuchHost;
        strWhy = ::gai_strerror(nLookup);
        return nullptr;
    }
    // Each address the name has, IPv6 and IPv4, until one takes the connection.
    int nLastError = EHOSTUNREACH;
    for (const addrinfo* pEach = pFound; pEach != nullptr; pEach = pEach->ai_next) {
        const int nFd =
            ::socket(pEach->ai_family, pEach->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     pEach->ai_protocol);
        if (nFd < 0) {
            nLastError = errno;
            continue;
        }
        nLastError = ConnectWithin(nFd, pEach->ai_addr, pEach->ai_addrlen, kTcpConnectMs);
        if (nLastError == 0) {
            ::freeaddrinfo(pFound);
            error = EConnectError::None;
            return Adopt(nFd);
        }
        ::close(nFd);
    }
    ::freeaddrinfo(pFound);
    error = ErrorOf(nLastError);
    strWhy = std::strerror(nLastError);
    return nullptr;
}

std::unique_ptr<CSocketPort> CSocketPort::ConnectRfcomm(const std::array<uint8_t, 6>& address,
                                                        int nChannel, EConnectError& error,
                                                        std::string& strWhy) {
    int nError = 0;
    const int nFd =
        ::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, kProtocolRfcomm);
    if (nFd < 0) {
        nError = errno;
    } else {
        RfcommAddress target{AF_BLUETOOTH, {}, static_cast<uint8_t>(nChannel)};
        std::copy(address.rbegin(), address.rend(), target.address.begin());
        nError = ConnectWithin(nFd, reinterpret_cast<const sockaddr*>(&target), sizeof(target),
                               kRfcommConnectMs);
        if (nError == 0) {
            error = EConnectError::None;
            return Adopt(nFd);
        }
        ::close(nFd);
    }
    error = ErrorOf(nError);
    strWhy = std::strerror(nError);
    return nullptr;
}

CSocketPort::~CSocketPort() {
    ::close(m_nFd);
}

bool CSocketPort::Write(std::span<const uint8_t> bytes) {
    return WriteAll(m_nFd, bytes, m_bAborted, true);
}

ReadResult CSocketPort::Read(std::span<uint8_t> buffer) {
    ReadResult result;
    const ssize_t nRead = ::recv(m_nFd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (nRead > 0) {
        result.nCount = static_cast<size_t>(nRead);
    } else if (nRead == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        // An orderly close reads as nothing, for ever: the line is gone.
        m_bPeerClosed = m_bPeerClosed || !buffer.empty();
    }
    result.bNotConnected = m_bPeerClosed;
    return result;
}

void CSocketPort::DiscardInput() {
    uint8_t buffer[256];
    for (int nRound = 0; nRound < kDiscardRounds; ++nRound) {
        if (::recv(m_nFd, buffer, sizeof(buffer), MSG_DONTWAIT) <= 0) {
            break;
        }
    }
}

void CSocketPort::Abort() {
    m_bAborted.store(true);
}

bool CSocketPort::WaitReadable(IClock& /*clock*/, std::chrono::microseconds timeout,
                               std::stop_token stop) {
    return ::WaitReadable(m_nFd, timeout, stop);
}
