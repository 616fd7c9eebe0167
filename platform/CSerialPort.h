#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/ISerialPort.h"

// A termios serial device at 57600 baud, 8 data bits, no parity, 1 stop bit,
// raw, with reads that return at once. The only file that includes termios.
class CSerialPort final : public ISerialPort {
public:
    // Opens and configures the device; nullptr when it cannot be opened, is
    // held by another program (bHeld set), or does not accept the settings.
    static std::unique_ptr<CSerialPort> Open(const std::string& strPath, bool& bHeld);

    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    bool Write(std::span<const uint8_t> bytes) override;
    ReadResult Read(std::span<uint8_t> buffer) override;
    bool WaitReadable(IClock& clock, std::chrono::microseconds timeout,
                      std::stop_token stop) override;
    void DiscardInput() override;
    void Abort() override;

private:
    explicit CSerialPort(int nFd) : m_nFd(nFd) {}

    int m_nFd;
    std::atomic<bool> m_bAborted{false};
};
