// The power status query and the power actions.

#include <algorithm>

#include <utility>

#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"

namespace {

constexpr int kCommandTries = 6;
constexpr int kDetailActionFrame = ILinkListener::kPowerNotSent;
constexpr int kDetailRefused = ILinkListener::kPowerRefused;
constexpr int kPowerActionOn = 1;
constexpr int kPowerActionOff = 2;

// true on, false off, nothing for a state the board does not define.
std::optional<bool> DecodePowerState(uint8_t nState) {
    if (std::ranges::find(Protocol::kPowerOnStates, nState) != std::end(Protocol::kPowerOnStates)) {
        return true;
    }
    if (std::ranges::find(Protocol::kPowerOffStates, nState) !=
        std::end(Protocol::kPowerOffStates)) {
        return false;
    }
    return std::nullopt;
}

Frame PowerStatusFrame() {
    return BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterPowerStatus);
}

}  // namespace

std::optional<Exchange> CDeviceLink::SendUntilValid(ISerialPort& port, const Frame& frame) {
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    const uint8_t nLetter = frame[Protocol::kOffsetLetter];
    for (int nTry = 0; nTry < kCommandTries && !stop.stop_requested(); ++nTry) {
        Exchange exchange = Ask(port, frame, stop);
        if (!exchange.bWritten) {
            ReportLinkLost();
            continue;
        }
        const EReplyCheck check = IsValidReply(exchange.Received(), nLetter);
        if (check == EReplyCheck::Valid) {
            return exchange;
        }
        if (check == EReplyCheck::ChecksumFailure) {
            CountChecksumFailure();
        }
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    return std::nullopt;
}

void CDeviceLink::PollPowerStatus() {
    const PortUse use = UsePort(EBusyDiscipline::Skip);
    if (!use) {
        return;
    }
    const std::optional<Exchange> reply = SendUntilValid(*use.pPort, PowerStatusFrame());
    if (IsStopping()) {
        return;
    }
    if (!reply) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorPowerStatus, kTextPowerStatus);
        });
        return;
    }
    if (std::optional<bool> bOn = DecodePowerState(reply->reply[Protocol::kOffsetData])) {
        Report([on = *bOn](ILinkListener& listener) { listener.OnPowerState(on); });
    }
}

bool CDeviceLink::QueryPowerStatus() {
    // Waits its turn: the polls and the dispatcher may be using the port.
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (use.pPort == nullptr) {
        return false;
    }
    ISerialPort* pPort = use.pPort.get();
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    const Frame frame = PowerStatusFrame();
    // A port that stays busy counts as a board that does not answer.
    const int nTries = use ? kCommandTries : 0;
    bool bLost = false;
    for (int nTry = 0; nTry < nTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange = Ask(*pPort, frame, stop);
        if (!exchange.bWritten) {
            // Said once: a caller tells a lost link from a silent board by it.
            if (!std::exchange(bLost, true)) {
                ReportLinkLost();
            }
            continue;
        }
        const EReplyCheck check = IsValidReply(exchange.Received(), Protocol::kLetterPowerStatus);
        if (check == EReplyCheck::Valid) {
            if (std::optional<bool> bOn = DecodePowerState(exchange.reply[Protocol::kOffsetData])) {
                return *bOn;
            }
        } else if (check == EReplyCheck::ChecksumFailure) {
            CountChecksumFailure();
        }
        // A state between on and off is asked again, like a bad reply.
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    if (!stop.stop_requested()) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorPowerStatus, kTextPowerStatus);
        });
    }
    return false;
}

void CDeviceLink::RequestPower(int nCode) {
    if (!m_pDispatcher) {
        return;
    }
    m_nPowerCode.store(nCode);
    m_pDispatcher->Post(ERequest::Power);
}

void CDeviceLink::PowerAction(int nCode) {
    auto done = [this](bool bOk, int nDetail) {
        EndRequest(ERequest::Power);
        if (!IsStopping()) {
            Report([bOk, nDetail](ILinkListener& listener) {
                listener.OnPowerCommandDone(bOk, nDetail);
            });
        }
    };
    if (nCode < 1 || nCode > static_cast<int>(std::size(Protocol::kPowerActionMasks))) {
        // An unknown code must not switch anything on the board.
        done(false, kDetailActionFrame);
        return;
    }
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (!use) {
        if (use.pPort != nullptr) {
            // Held too long by another command: say that nothing was done.
            done(false, kDetailActionFrame);
        }
        return;
    }
    if (nCode == Protocol::kPowerActionClearCmos) {
        // Refused only when the board says it is not off; no answer is a failure.
        const std::optional<Exchange> status = SendUntilValid(*use.pPort, PowerStatusFrame());
        if (!status) {
            done(false, kDetailActionFrame);
            return;
        }
        if (status->reply[Protocol::kOffsetData] != Protocol::kPowerStateOffForClearCmos) {
            done(false, kDetailRefused);
            return;
        }
    }
    const Frame frame = BuildCommandFrame(Protocol::kStartChange, Protocol::kLetterPowerAction,
                                          Protocol::kPowerActionMasks[nCode - 1]);
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    // Sent again only while the write itself fails, so nothing reached the
    // board: an action that went out is never doubled, even unconfirmed.
    for (int nTry = 0; nTry < kCommandTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange = Ask(*use.pPort, frame, stop);
        if (!exchange.bWritten) {
            ReportLinkLost();
            continue;
        }
        const EReplyCheck check = IsValidReply(exchange.Received(), Protocol::kLetterPowerAction);
        if (check == EReplyCheck::Valid) {
            done(true, kDetailActionFrame);
            return;
        }
        if (check == EReplyCheck::ChecksumFailure) {
            CountChecksumFailure();
        }
        int nDetail = ILinkListener::kPowerUnconfirmed;
        if (nCode == kPowerActionOn || nCode == kPowerActionOff) {
            // A late acknowledgement must not be read as the status reply.
            clock.SleepFor(Protocol::kLateReplyGrace, stop);
            const std::optional<Exchange> status = SendUntilValid(*use.pPort, PowerStatusFrame());
            const std::optional<bool> bOn =
                status ? DecodePowerState(status->reply[Protocol::kOffsetData]) : std::nullopt;
            if (bOn) {
                nDetail = *bOn ? ILinkListener::kPowerUnconfirmedNowOn
                               : ILinkListener::kPowerUnconfirmedNowOff;
            }
        }
        done(false, nDetail);
        return;
    }
    if (!IsStopping()) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorPowerAction, kTextPowerAction);
        });
    }
    done(false, kDetailActionFrame);
}
