#pragma once

#include <mutex>
#include <string>

#include "link/BoardAddress.h"
#include "platform/CSocketPort.h"
#include "platform/IPortOpener.h"

// Opens the one board the user named (--board, TUNEVO_BOARD), as port 0:
// its serial device, its RFCOMM channel or its serial server. Says why the
// last open failed, for the message the user gets.
class CNamedBoardOpener final : public IPortOpener {
public:
    // Whether a board that answers becomes the board used last: yes for
    // the one a command or the window was told to use, no for a mere probe.
    enum class ERemember { Yes, No };

    explicit CNamedBoardOpener(BoardAddress address, ERemember remember = ERemember::Yes)
        : m_address(std::move(address)), m_remember(remember) {}

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;
    int PortCount() const override { return 1; }
    std::string PortName(int) const override { return m_address.Text(); }
    // Remembered as the board used last, unless made not to.
    void Answered(int nPort) override;

    const BoardAddress& Address() const { return m_address; }
    // Why the last open failed; None after one that worked or a device path.
    EConnectError LastConnectError() const override;
    // The system's words for it ("Connection refused").
    std::string LastErrorText() const;

private:
    const BoardAddress m_address;
    const ERemember m_remember;
    mutable std::mutex m_mutex;
    EConnectError m_lastError = EConnectError::None;
    std::string m_strLastError;
};
