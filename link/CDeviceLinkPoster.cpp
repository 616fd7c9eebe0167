// The board's lock, its poster display and the poster's message mode.

#include <cstdio>

#include <utility>
#include "data/CBoardConfig.h"
#include "data/Utf.h"

#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"

namespace {

constexpr int kCommandTries = 6;
constexpr std::chrono::milliseconds kPosterPollPeriod{400};
constexpr std::chrono::milliseconds kLockPollPeriod{550};
// While the power screen polls or a monitor refresh waits, a lock must show sooner.
constexpr std::chrono::milliseconds kLockPollPeriodShort{100};
// Reported for a poster mode the message file has no texts for.
constexpr const char* kUnknownModeText = "Ver=03";

std::u16string HexText(int nValue, const char* pszFormat) {
    char szText[16] = {};
    std::snprintf(szText, sizeof(szText), pszFormat, static_cast<unsigned>(nValue));
    return std::u16string(szText, szText + std::char_traits<char>::length(szText));
}

Frame LockStatusFrame() {
    return BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterLockStatus);
}

}  // namespace

void CDeviceLink::CheckLockStatus() {
    if (!HasPort()) {
        return;
    }
    CheckLock();
    if (IsStopping() || m_bPollsStarted.exchange(true)) {
        return;
    }
    m_posterPollThread.Start([this] { RunPosterPoll(); }, CWorkerThread::EPriority::BelowNormal);
    m_lockPollThread.Start([this] { RunLockPoll(); }, CWorkerThread::EPriority::BelowNormal);
}

void CDeviceLink::CheckLock() {
    // Waits its turn: the polls and the dispatcher may be using the port.
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (use.pPort == nullptr) {
        return;
    }
    ISerialPort* pPort = use.pPort.get();
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    if (!use) {
        // Nothing was asked, so nothing is known of the lock: no lock report.
        if (!stop.stop_requested()) {
            Report([](ILinkListener& listener) {
                listener.OnLinkError(kErrorLockCheck, kTextLockCheck);
            });
        }
        return;
    }
    const Frame frame = LockStatusFrame();
    bool bLost = false;
    for (int nTry = 0; nTry < kCommandTries && !stop.stop_requested(); ++nTry) {
        const Exchange exchange = Ask(*pPort, frame, stop);
        if (!exchange.bWritten) {
            // Said once: a caller tells a lost link from a silent board by it.
            if (!std::exchange(bLost, true)) {
                ReportLinkLost();
            }
            continue;
        }
        if (IsValidReply(exchange.Received(), Protocol::kLetterLockStatus) == EReplyCheck::Valid) {
            const uint8_t nState = exchange.reply[Protocol::kOffsetData];
            m_nLockState.store(nState);
            // Anything but a clear "unlocked" is treated as locked here.
            Report([bLocked = nState != Protocol::kLockStateUnlocked](ILinkListener& listener) {
                listener.OnLockState(bLocked);
            });
            return;
        }
        clock.SleepFor(Protocol::kRetryPause, stop);
    }
    if (!stop.stop_requested()) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorLockCheck, kTextLockCheck);
            listener.OnLockState(false);
        });
    }
}

void CDeviceLink::PollLockStatus() {
    const PortUse use = UsePort(EBusyDiscipline::Skip);
    if (!use) {
        return;
    }
    const Exchange exchange = Ask(*use.pPort, LockStatusFrame(), StopToken());
    if (!exchange.bWritten) {
        ReportLinkLost();
        return;
    }
    const EReplyCheck check = IsValidReply(exchange.Received(), Protocol::kLetterLockStatus);
    if (check == EReplyCheck::Valid) {
        m_nLockState.store(exchange.reply[Protocol::kOffsetData]);
        return;
    }
    if (check == EReplyCheck::ChecksumFailure) {
        CountChecksumFailure();
    }
    m_environment.pClock->SleepFor(Protocol::kRetryPause, StopToken());
}

bool CDeviceLink::PollPosterCode() {
    const PortUse use = UsePort(EBusyDiscipline::Skip);
    if (!use) {
        return false;
    }
    const Exchange exchange =
        Ask(*use.pPort, BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterPosterCode),
            StopToken());
    if (!exchange.bWritten || (exchange.nCount == 0 && exchange.bNotConnected)) {
        ReportLinkLost();
        return false;
    }
    const EReplyCheck check = IsValidReply(exchange.Received(), Protocol::kLetterPosterCode);
    if (check == EReplyCheck::Valid) {
        const std::vector<uint8_t>& reply = exchange.reply;
        m_nPosterMode.store(reply[Protocol::kOffsetPosterMode]);
        m_nPosterCode.store(reply[Protocol::kOffsetPosterCode] +
                            256 * reply[Protocol::kOffsetPosterCode + 1]);
        return true;
    }
    if (check == EReplyCheck::ChecksumFailure) {
        CountChecksumFailure();
    }
    m_environment.pClock->SleepFor(Protocol::kRetryPause, StopToken());
    return false;
}

std::string CDeviceLink::PosterCodeText(int nCode) const {
    const std::shared_ptr<const CBoardConfig> pConfig = Config();
    if (pConfig == nullptr) {
        return {};
    }
    const std::u16string key = HexText(nCode, "%02X");
    const std::u16string message = pConfig->LookupMessage(key);
    return ToUtf8(message.empty() ? pConfig->LookupStr(key) : message);
}

void CDeviceLink::NotifyPoster() {
    const int nCode = m_nPosterCode.load();
    const int nMode = m_nPosterMode.load();
    if (nMode == Protocol::kPosterModeCode) {
        Report([nCode, text = ToUtf8(HexText(nCode, "%04X"))](ILinkListener& listener) {
            listener.OnPosterText(nCode, true, text);
        });
        return;
    }
    const std::u16string key = HexText(nCode, "%02X");
    const std::shared_ptr<const CBoardConfig> pConfig = Config();
    std::string strText;
    if (nMode == Protocol::kPosterModeText) {
        strText = pConfig != nullptr ? ToUtf8(pConfig->LookupStr(key)) : "";
    } else if (nMode == Protocol::kPosterModeMessage) {
        strText = pConfig != nullptr ? ToUtf8(pConfig->LookupMessage(key)) : "";
    } else {
        strText = kUnknownModeText;
    }
    if (!strText.empty()) {
        Report([nCode, strText](ILinkListener& listener) {
            listener.OnPosterText(nCode, false, strText);
        });
    }
}

void CDeviceLink::RequestPosterRead() {
    if (m_pDispatcher) {
        m_pDispatcher->Post(ERequest::PosterRead);
    }
}

void CDeviceLink::RequestMessageMode(int nMode) {
    if (!m_pDispatcher) {
        return;
    }
    m_nMessageMode.store(nMode);
    m_pDispatcher->Post(ERequest::MessageMode);
}

void CDeviceLink::SetMessageMode(int nMode) {
    auto done = [this](bool bOk) {
        EndRequest(ERequest::MessageMode);
        if (!IsStopping()) {
            Report([bOk](ILinkListener& listener) { listener.OnMessageModeDone(bOk); });
        }
    };
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (!use) {
        // No port, or held too long by another command: the mode did not change.
        done(false);
        return;
    }
    const uint8_t nParameter = nMode == Protocol::kPosterModeCode ? Protocol::kMessageModeCode
                                                                  : Protocol::kMessageModeText;
    const Frame frame =
        BuildCommandFrame(Protocol::kStartChange, Protocol::kLetterMessageMode, nParameter);
    if (SendUntilValid(*use.pPort, frame)) {
        done(true);
        return;
    }
    if (!IsStopping()) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorMessageMode, kTextMessageMode);
        });
    }
    done(false);
}

void CDeviceLink::RunPosterPoll() {
    const std::stop_token stop = StopToken();
    int nPreviousCode = kStateUnknown;
    int nPreviousMode = kStateUnknown;
    while (!stop.stop_requested()) {
        if (!m_busy.IsSet()) {
            PollPosterCode();
            const int nCode = m_nPosterCode.load();
            const int nMode = m_nPosterMode.load();
            if (nCode != nPreviousCode || nMode != nPreviousMode) {
                NotifyPoster();
                nPreviousCode = nCode;
                nPreviousMode = nMode;
            }
        }
        m_environment.pClock->SleepFor(kPosterPollPeriod, stop);
    }
}

void CDeviceLink::RunLockPoll() {
    const std::stop_token stop = StopToken();
    int nPreviousState = kStateUnknown;
    while (!stop.stop_requested()) {
        if (!m_busy.IsSet()) {
            PollLockStatus();
            const int nState = m_nLockState.load();
            if (nState != nPreviousState && !stop.stop_requested()) {
                NotifyPoster();
                Report([bLocked = nState == Protocol::kLockStateLocked](ILinkListener& listener) {
                    listener.OnLockState(bLocked);
                });
                nPreviousState = nState;
            }
        }
        const bool bRelaxed =
            m_nPowerPollState.load() == kPowerPollStopped && m_nArraysPending.load() == 0;
        m_environment.pClock->SleepFor(bRelaxed ? kLockPollPeriod : kLockPollPeriodShort, stop);
    }
}
