// Reading item values and ranges from the board into the arrays.

#include "data/CBoardConfig.h"
#include "link/CDeviceLink.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "link/Transact.h"

namespace {

// Reading a value of this code needs the board prepared first.
constexpr long kValueCode49 = 49;
constexpr std::chrono::milliseconds kPrepareSettle{300};

struct RefreshError {
    int nKind;
    const char* pszText;
};

RefreshError RefreshErrorOf(EBoardArray array) {
    switch (array) {
        case EBoardArray::OverVolt:
            return {kErrorRefreshOverVolt, kTextRefreshOverVolt};
        case EBoardArray::OverFreq:
            return {kErrorRefreshOverFreq, kTextRefreshOverFreq};
        case EBoardArray::OverRatio:
            return {kErrorRefreshOverRatio, kTextRefreshOverRatio};
        case EBoardArray::HwVolt:
            return {kErrorRefreshHwVolt, kTextRefreshHwVolt};
        case EBoardArray::HwTemp:
            return {kErrorRefreshHwTemp, kTextRefreshHwTemp};
        case EBoardArray::HwFan:
            return {kErrorRefreshHwFan, kTextRefreshHwFan};
        case EBoardArray::HwFrq:
            return {kErrorRefreshHwFrq, kTextRefreshHwFrq};
    }
    return {0, ""};
}

// Little-endian unsigned 16-bit word of a reply.
long WordAt(const std::vector<uint8_t>& reply, size_t nOffset) {
    return reply[nOffset] + 256L * reply[nOffset + 1];
}

// The item letter: the low byte of the code the configuration gives.
uint8_t LetterOf(const std::u16string& code) {
    return static_cast<uint8_t>(WToL(code) & 0xFF);
}

EReplyCheck CheckItemReply(const Exchange& exchange, uint8_t nLetter) {
    if (exchange.nCount < Protocol::kMinItemReply) {
        return EReplyCheck::Malformed;
    }
    return IsValidReply(exchange.reply, nLetter);
}

}  // namespace

bool CDeviceLink::RefreshArray(EBoardArray array) {
    // Nothing to read is no failure: an empty array leaves the result alone,
    // so a board without frequency items does not report every refresh failed.
    if (Port() == nullptr || ArraySize(array) == 0) {
        return m_bLastResult.load();
    }
    m_bLastResult.store(false);
    const std::stop_token stop = m_stop.get_token();
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (!use) {
        // Only the monitor page waits for word of a refresh it could not make.
        if (IsHardwareArray(array) && !stop.stop_requested()) {
            Report([array](ILinkListener& listener) {
                listener.OnArrayRefreshed(static_cast<int>(array), false);
            });
        }
        return false;
    }
    const size_t nCount = ArraySize(array);
    for (size_t i = 0; i < nCount && !stop.stop_requested(); ++i) {
        BoardItem item;
        {
            std::lock_guard lock(m_arrayMutex);
            if (i >= ArrayOf(array).size()) {
                break;  // emptied meanwhile by a ratio reload
            }
            item = ArrayOf(array)[i];
        }
        // The exchanges run on a copy, without the lock: screens stay free to read.
        RefreshItem(*use.pPort, array, item, stop);
        std::lock_guard lock(m_arrayMutex);
        BoardItemArray& items = ArrayOf(array);
        if (i < items.size() && items[i].Name == item.Name) {
            items[i].Min = item.Min;
            items[i].Max = item.Max;
            items[i].Value = item.Value;
        }
    }
    return m_bLastResult.load();
}

void CDeviceLink::RefreshItem(ISerialPort& port, EBoardArray array, BoardItem& item,
                              std::stop_token stop) {
    IClock& clock = *m_environment.pClock;
    const bool bIndexed = item.Kind == u"1";

    if ((!m_bLoaded.load() && item.RangeAtLoad == u"1") || bIndexed) {
        const uint8_t nLetter = LetterOf(item.RangeCmd);
        const Exchange exchange =
            Transact(port, clock, BuildCommandFrame(Protocol::kStartQuery, nLetter), stop);
        if (exchange.bWritten) {
            const EReplyCheck check = CheckItemReply(exchange, nLetter);
            if (check != EReplyCheck::Malformed) {
                std::u16string min;
                std::u16string max;
                if (check == EReplyCheck::Valid) {
                    const long nLow = WordAt(exchange.reply, Protocol::kOffsetData);
                    const long nHigh = WordAt(exchange.reply, Protocol::kOffsetData + 2);
                    // Index-based items: the board's position 1 is the item's IniMin.
                    const long nBase = bIndexed ? WToL(item.IniMin) - 1 : 0;
                    if (bIndexed || item.Kind == u"2" || item.Kind == u"3" || item.Kind == u"4") {
                        min = ToText(nLow + nBase);
                        max = ToText(nHigh + nBase);
                    }
                } else {
                    CountChecksumFailure();
                }
                item.Max = max;
                item.Min = min;
            }
            clock.SleepFor(Protocol::kRetryPause, stop);
        }
    }

    const long nValueCode = WToL(item.ValueCmd);
    if (nValueCode == kValueCode49) {
        // The board answers this value only after "}"; the reply to "}"
        // itself carries nothing, so only the exchange's wait matters.
        Transact(port, clock,
                 BuildCommandFrame(Protocol::kStartChange, Protocol::kLetterPrepareRead49), stop);
        clock.SleepFor(kPrepareSettle, stop);
    }

    const uint8_t nLetter = static_cast<uint8_t>(nValueCode & 0xFF);
    const Exchange exchange =
        Transact(port, clock, BuildCommandFrame(Protocol::kStartQuery, nLetter), stop);
    if (!exchange.bWritten) {
        ReportLinkLost();
        return;
    }
    const EReplyCheck check = CheckItemReply(exchange, nLetter);
    if (check == EReplyCheck::Malformed) {
        clock.SleepFor(Protocol::kRetryPause, stop);
        return;
    }
    long nValue = 0;
    if (check == EReplyCheck::Valid) {
        m_bLastResult.store(true);
        nValue = WordAt(exchange.reply, Protocol::kOffsetData);
        if (bIndexed) {
            nValue += WToL(item.Min) - 1;
        }
    } else {
        m_bLastResult.store(false);
        CountChecksumFailure();
        const RefreshError error = RefreshErrorOf(array);
        Report(
            [error](ILinkListener& listener) { listener.OnLinkError(error.nKind, error.pszText); });
    }
    item.Value = ToText(nValue);
    clock.SleepFor(Protocol::kRetryPause, stop);
}

void CDeviceLink::RunRefreshRequest() {
    const std::stop_token stop = m_stop.get_token();
    switch (m_nRefreshMode.load()) {
        case kRefreshOverclock: {
            RefreshArray(EBoardArray::OverVolt);
            RefreshArray(EBoardArray::OverFreq);
            if (ArraySize(EBoardArray::OverRatio) != 0) {
                RefreshArray(EBoardArray::OverRatio);
            }
            m_nRefreshMode.store(kRefreshNone);
            EndRequest(ERequest::Refresh);
            if (!stop.stop_requested()) {
                Report([bOk = m_bLastResult.load()](ILinkListener& listener) {
                    listener.OnOverclockRefreshed(bOk);
                });
            }
            break;
        }
        case kRefreshOneArray: {
            const int nArray = m_nRefreshArray.load();
            if (nArray >= kFirstArray && nArray <= kLastArray) {
                RefreshArray(static_cast<EBoardArray>(nArray));
            }
            m_nRefreshMode.store(kRefreshNone);
            EndRequest(ERequest::Refresh);
            if (!stop.stop_requested()) {
                Report([nArray, bOk = m_bLastResult.load()](ILinkListener& listener) {
                    listener.OnArrayRefreshed(nArray, bOk);
                });
            }
            break;
        }
        default:
            break;
    }
}

void CDeviceLink::ReloadOverRatio() {
    if (m_pBoardConfig.load() == nullptr) {
        return;
    }
    {
        std::lock_guard lock(m_arrayMutex);
        ArrayOf(EBoardArray::OverRatio).clear();
    }
    m_bLoaded.store(false);
    LoadArray(EBoardArray::OverRatio);
    RefreshArray(EBoardArray::OverRatio);
    {
        std::lock_guard lock(m_arrayMutex);
        PruneOverRatio(ArrayOf(EBoardArray::OverRatio));
    }
    m_bLoaded.store(true);
}

void CDeviceLink::LoadArray(EBoardArray array) {
    BoardItemArray items;
    LoadSection(m_pBoardConfig.load()->BoardDocument(), SectionName(array), items);
    std::lock_guard lock(m_arrayMutex);
    BoardItemArray& target = ArrayOf(array);
    target.insert(target.end(), items.begin(), items.end());
}
