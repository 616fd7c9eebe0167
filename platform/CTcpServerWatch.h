#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/IReturnWatch.h"

// Notices a serial server over TCP taking connections again after it did
// not (restarted, or back on the network): every quarter second one
// connection is tried without waiting, and closed at once, until one is
// taken. That one counts only after one that was refused or went
// unanswered: a server that takes the first try is up, and the board behind
// it is what is away.
class CTcpServerWatch final : public IReturnWatch {
public:
    static constexpr std::chrono::milliseconds kTryEvery{250};
    // A try not answered within this many turns counts as not taken.
    static constexpr int kTurnsPerTry = 4;

    // Looks the host up, which may take a while: made off a window's thread.
    CTcpServerWatch(const std::string& strHost, uint16_t nPort);
    ~CTcpServerWatch() override;
    CTcpServerWatch(const CTcpServerWatch&) = delete;
    CTcpServerWatch& operator=(const CTcpServerWatch&) = delete;

    bool IsWatching() const override { return m_nTimer >= 0 && m_nAddressSize > 0; }
    // A timer, readable each quarter second.
    int Fd() const override { return m_nTimer; }
    bool TakeAppeared() override;

private:
    // Looks at the try in flight: false while it is on its way; once it
    // ended, true with bTaken saying whether the server took it.
    bool FinishTry(bool& bTaken);
    // Starts a try; bTaken is set when the server took it at once.
    void StartTry(bool& bTaken);
    void CloseTry();

    sockaddr_storage m_address{};
    socklen_t m_nAddressSize = 0;
    int m_nTimer = -1;
    int m_nTry = -1;
    int m_nTurnsWaited = 0;
    bool m_bNotTaken = false;  // a try since the watch began was not taken
    bool m_bSettled = false;   // a try was taken: nothing more to watch
};
