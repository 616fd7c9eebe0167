#include "link/PortSearch.h"

#include <algorithm>

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "link/Transact.h"

namespace {
constexpr uint32_t kRadioOff = 0;
// A noisy radio drops a handshake now and then: one lost reply must not
// pass the board over.
constexpr int kHandshakeTries = 3;

// Asks the open port for a checked frame, up to three times.
bool Answers(ISerialPort& port, IClock& clock, std::stop_token stop) {
    const Frame openFrame = BuildOpenFrame();
    for (int nTry = 0; nTry < kHandshakeTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange =
            Transact(port, clock, openFrame, stop, Protocol::kSearchReplyBufferSize);
        if (!exchange.bWritten) {
            return false;  // nothing reached the line: no board to wait for
        }
        // Any checked frame will do: the letter is not compared here.
        if (exchange.nCount > 0 &&
            exchange.reply[Protocol::kOffsetStart] == Protocol::kStartReply &&
            HasValidChecksum(exchange.Received())) {
            return true;
        }
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    return false;
}
}  // namespace

std::unique_ptr<ISerialPort> FindBoardPort(IRadio& radio, IPortOpener& opener, IClock& clock,
                                           std::stop_token stop, bool& bHeldSeen,
                                           const std::function<void(int)>& onPort) {
    bHeldSeen = false;
    uint32_t nMode = 0;
    if (radio.QueryMode(nMode) && nMode == kRadioOff) {
        return nullptr;
    }
    const int nLast = std::min(Protocol::kLastPort, Protocol::kFirstPort + opener.PortCount() - 1);
    for (int nPort = Protocol::kFirstPort; nPort <= nLast; ++nPort) {
        if (stop.stop_requested()) {
            return nullptr;
        }
        if (onPort) {
            onPort(nPort);
        }
        bool bHeld = false;
        std::unique_ptr<ISerialPort> port = opener.Open(nPort, bHeld);
        bHeldSeen = bHeldSeen || bHeld;
        if (!port) {
            continue;
        }
        if (Answers(*port, clock, stop)) {
            opener.Answered(nPort);
            return port;
        }
    }
    return nullptr;
}
