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
bool Answers(ISerialPort& port, IClock& clock, std::stop_token stop, ELinkTiming timing) {
    const Frame openFrame = BuildOpenFrame();
    for (int nTry = 0; nTry < kHandshakeTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange =
            Transact(port, clock, openFrame, stop, Protocol::kSearchReplyBufferSize, timing);
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
    std::vector<FoundBoard> found =
        FindBoardPorts(radio, opener, clock, stop, bHeldSeen, onPort, SearchPlan{});
    if (found.empty()) {
        return nullptr;
    }
    opener.Answered(found.front().nPort);
    return std::move(found.front().pPort);
}

std::vector<FoundBoard> FindBoardPorts(IRadio& radio, IPortOpener& opener, IClock& clock,
                                       std::stop_token stop, bool& bHeldSeen,
                                       const std::function<void(int)>& onPort,
                                       const SearchPlan& plan) {
    bHeldSeen = false;
    std::vector<FoundBoard> found;
    uint32_t nMode = 0;
    if (radio.QueryMode(nMode) && nMode == kRadioOff) {
        return found;
    }
    const int nLast = std::min(Protocol::kLastPort, Protocol::kFirstPort + opener.PortCount() - 1);
    for (int nPort = plan.nOnly.value_or(Protocol::kFirstPort);
         nPort <= (plan.nOnly ? *plan.nOnly : nLast); ++nPort) {
        if (stop.stop_requested()) {
            return {};
        }
        if (onPort) {
            onPort(nPort);
        }
        bool bHeld = false;
        std::unique_ptr<ISerialPort> port = opener.Open(nPort, bHeld);
        bHeldSeen = bHeldSeen || bHeld;
        if (!port || !Answers(*port, clock, stop, plan.timing)) {
            continue;
        }
        if (plan.nSettles == nPort) {
            found.clear();
            found.push_back({nPort, std::move(port)});
            break;
        }
        found.push_back({nPort, std::move(port)});
        if (!plan.bAll) {
            break;
        }
    }
    return found;
}
