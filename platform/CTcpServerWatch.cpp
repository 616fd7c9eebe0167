#include "platform/CTcpServerWatch.h"

#include <netdb.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CTcpServerWatch::CTcpServerWatch(const std::string& strHost, uint16_t nPort) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pFound = nullptr;
    if (::getaddrinfo(strHost.c_str(), std::to_string(nPort).c_str(), &hints, &pFound) != 0 ||
        pFound == nullptr) {
        return;
    }
    // The first address, as the link tries it first.
    std::memcpy(&m_address, pFound->ai_addr, pFound->ai_addrlen);
    m_nAddressSize = pFound->ai_addrlen;
    ::freeaddrinfo(pFound);
    m_nTimer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_nTimer >= 0) {
        const auto nNs = std::chrono::nanoseconds(kTryEvery).count();
        const timespec every{0, static_cast<long>(nNs)};
        const itimerspec timer{every, every};
        ::timerfd_settime(m_nTimer, 0, &timer, nullptr);
    }
}

CTcpServerWatch::~CTcpServerWatch() {
    CloseTry();
    if (m_nTimer >= 0) {
        ::close(m_nTimer);
    }
}

void CTcpServerWatch::CloseTry() {
    if (m_nTry >= 0) {
        ::close(m_nTry);
        m_nTry = -1;
    }
    m_nTurnsWaited = 0;
}

bool CTcpServerWatch::FinishTry(bool& bTaken) {
    pollfd pfd{m_nTry, POLLOUT, 0};
    if (::poll(&pfd, 1, 0) == 0) {
        return false;
    }
    int nError = 0;
    socklen_t nSize = sizeof(nError);
    if (::getsockopt(m_nTry, SOL_SOCKET, SO_ERROR, &nError, &nSize) != 0) {
        nError = errno;
    }
    CloseTry();
    bTaken = nError == 0;
    return true;
}

void CTcpServerWatch::StartTry(bool& bTaken) {
    m_nTry = ::socket(m_address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_nTry < 0) {
        return;
    }
    if (::connect(m_nTry, reinterpret_cast<const sockaddr*>(&m_address), m_nAddressSize) == 0) {
        CloseTry();
        bTaken = true;
    } else if (errno != EINPROGRESS) {
        CloseTry();
        m_bNotTaken = true;
    }
}

bool CTcpServerWatch::TakeAppeared() {
    if (!IsWatching() || m_bSettled) {
        return false;
    }
    bool bTaken = false;
    if (m_nTry >= 0 && FinishTry(bTaken) && !bTaken) {
        m_bNotTaken = true;
    }
    uint64_t nTurns = 0;
    if (!bTaken && ::read(m_nTimer, &nTurns, sizeof(nTurns)) == sizeof(nTurns)) {
        if (m_nTry >= 0 && ++m_nTurnsWaited >= kTurnsPerTry) {
            CloseTry();
            m_bNotTaken = true;
        }
        if (m_nTry < 0) {
            StartTry(bTaken);
        }
    }
    if (!bTaken) {
        return false;
    }
    // One taken try settles it: the server is back, or never went, and a
    // board away behind it is not asked for every quarter second.
    m_bSettled = true;
    return m_bNotTaken;
}
