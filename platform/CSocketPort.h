#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/IPortOpener.h"
#include "platform/ISerialPort.h"

// The board's line over a connected stream socket: an RFCOMM channel to a
// Bluetooth address, or a TCP connection to a serial server. Writes finish
// or fail, reads return at once, and the peer closing is a hang-up, as on
// the serial device. Only the connect differs between the two.
class CSocketPort final : public ISerialPort {
public:
    // Each nullptr on failure, with why and the system's own words.
    static std::unique_ptr<CSocketPort> ConnectTcp(const std::string& strHost, uint16_t nPort,
                                                   EConnectError& error, std::string& strWhy);
    static std::unique_ptr<CSocketPort> ConnectRfcomm(const std::array<uint8_t, 6>& address,
                                                      int nChannel, EConnectError& error,
                                                      std::string& strWhy);
    // Takes over a connected stream socket, made non-blocking here.
    static std::unique_ptr<CSocketPort> Adopt(int nFd);

    ~CSocketPort() override;
    CSocketPort(const CSocketPort&) = delete;
    CSocketPort& operator=(const CSocketPort&) = delete;

    bool Write(std::span<const uint8_t> bytes) override;
    ReadResult Read(std::span<uint8_t> buffer) override;
    bool WaitReadable(IClock& clock, std::chrono::microseconds timeout,
                      std::stop_token stop) override;
    void DiscardInput() override;
    void Abort() override;

private:
    explicit CSocketPort(int nFd) : m_nFd(nFd) {}

    int m_nFd;
    std::atomic<bool> m_bAborted{false};
    // Once the peer has closed it stays closed.
    bool m_bPeerClosed = false;
};
