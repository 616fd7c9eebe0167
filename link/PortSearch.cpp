#include "link/PortSearch.h"

#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "link/Transact.h"

namespace {
constexpr uint32_t kRadioOff = 0;
}

std::unique_ptr<ISerialPort> FindBoardPort(IRadio& radio, IPortOpener& opener, IClock& clock,
                                           std::stop_token stop, bool& bHeldSeen,
                                           const std::function<void(int)>& onPort) {
    bHeldSeen = false;
    uint32_t nMode = 0;
    if (radio.QueryMode(nMode) && nMode == kRadioOff) {
        return nullptr;
    }
    const Frame openFrame = BuildOpenFrame();
    for (int nPort = Protocol::kFirstPort; nPort <= Protocol::kLastPort; ++nPort) {
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
        Exchange exchange =
            Transact(*port, clock, openFrame, stop, Protocol::kSearchReplyBufferSize);
        if (!exchange.bWritten) {
            continue;
        }
        // Any checked frame will do: the letter is not compared here.
        if (exchange.nCount > 0 &&
            exchange.reply[Protocol::kOffsetStart] == Protocol::kStartReply &&
            HasValidChecksum(exchange.Received())) {
            return port;
        }
        port.reset();
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    return nullptr;
}
