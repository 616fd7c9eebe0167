// Reading item values and ranges from the board into the arrays.

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

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
    return IsValidReply(exchange.Received(), nLetter);
}

// What a write's acknowledgement carries: four data bytes of zero.
bool IsAcknowledgementShaped(const Exchange& exchange) {
    return exchange.nCount == Protocol::kCommandFrameSize &&
           std::all_of(exchange.reply.begin() + Protocol::kOffsetData,
                       exchange.reply.begin() + Protocol::kCommandFrameSize - 1,
                       [](uint8_t nByte) { return nByte == 0; });
}

}  // namespace

bool CDeviceLink::RefreshArray(EBoardArray array) {
    ArrayRead read;
    RefreshArrayPart(array, read, [] { return false; });
    return read.bAllRead;
}

bool CDeviceLink::RefreshArrayPart(EBoardArray array, ArrayRead& read,
                                   const std::function<bool()>& yield) {
    // Nothing to read is no failure: a board without frequency items does not
    // report every refresh failed.
    if (Port() == nullptr || ArraySize(array) == 0) {
        read.bAllRead = read.bAllRead && Port() != nullptr;
        return true;
    }
    const std::stop_token stop = StopToken();
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (!use) {
        read.bAllRead = false;
        return true;
    }
    const size_t nCount = ArraySize(array);
    const size_t nFirst = read.nNext;
    for (; read.nNext < nCount && !stop.stop_requested(); ++read.nNext) {
        if (read.nNext > nFirst && yield()) {
            return false;  // the rest when the caller comes back
        }
        const size_t i = read.nNext;
        BoardItem item;
        {
            std::lock_guard lock(m_arrayMutex);
            if (i >= ArrayOf(array).size()) {
                break;  // emptied meanwhile by a ratio reload
            }
            item = ArrayOf(array)[i];
        }
        // The exchanges run on a copy, without the lock: screens stay free to read.
        read.bAllRead = RefreshItem(*use.pPort, array, item, stop) && read.bAllRead;
        std::lock_guard lock(m_arrayMutex);
        BoardItemArray& items = ArrayOf(array);
        if (i < items.size() && items[i].Name == item.Name) {
            BoardItem& stored = items[i];
            stored.Min = item.Min;
            stored.Max = item.Max;
            stored.bRangeRead = item.bRangeRead;
            stored.nMissedReads = item.nMissedReads;
            if (item.bValueRead && item.nMissedReads == 0) {
                // The board's value replaces whatever the user had left unapplied.
                stored.Value = item.Value;
                stored.bValueRead = true;
                stored.bUserSet = false;
            }
        }
    }
    // A refresh cut short by teardown read nothing for the items it left.
    read.bAllRead = read.bAllRead && !stop.stop_requested();
    return true;
}

bool CDeviceLink::RefreshItem(ISerialPort& port, EBoardArray array, BoardItem& item,
                              std::stop_token stop) {
    IClock& clock = *m_environment.pClock;
    const bool bIndexed = item.Kind == u"1";
    auto missed = [&item] {
        ++item.nMissedReads;
        return false;
    };

    // A range not read yet is asked for again at the next refresh.
    std::optional<std::pair<long, long>> range;
    bool bRangeAsked = false;
    if ((!m_bLoaded.load() && item.RangeAtLoad == u"1") || bIndexed ||
        (ReadsRange(item) && !item.bRangeRead)) {
        bRangeAsked = true;
        const uint8_t nLetter = LetterOf(item.RangeCmd);
        const Exchange exchange =
            Ask(port, BuildCommandFrame(Protocol::kStartQuery, nLetter), stop);
        if (exchange.bWritten) {
            const EReplyCheck check = CheckItemReply(exchange, nLetter);
            if (check == EReplyCheck::Valid) {
                // Index-based items: the board's position 1 is the item's IniMin.
                const long nBase = bIndexed ? WToL(item.IniMin) - 1 : 0;
                range.emplace(WordAt(exchange.reply, Protocol::kOffsetData) + nBase,
                              WordAt(exchange.reply, Protocol::kOffsetData + 2) + nBase);
            } else if (check == EReplyCheck::ChecksumFailure) {
                CountChecksumFailure();
            }
            PauseAfterReply(check == EReplyCheck::Valid, stop);
        }
    }
    const bool bRangeKind = bIndexed || item.Kind == u"2" || item.Kind == u"3" || item.Kind == u"4";
    // Only index-based values depend on the range; their range and value are
    // taken together, so a value is never converted with a range it was not
    // read with. Other items keep a range read even when their value fails.
    if (range && !bIndexed) {
        item.Min = bRangeKind ? ToText(range->first) : std::u16string();
        item.Max = bRangeKind ? ToText(range->second) : std::u16string();
        item.bRangeRead = true;
    }

    const long nValueCode = WToL(item.ValueCmd);
    if (nValueCode == kValueCode49) {
        // The board answers this value only after "}"; the reply to "}"
        // itself carries nothing, so only the exchange's wait matters.
        Ask(port, BuildCommandFrame(Protocol::kStartChange, Protocol::kLetterPrepareRead49), stop);
        clock.SleepFor(kPrepareSettle, stop);
    }

    const uint8_t nLetter = static_cast<uint8_t>(nValueCode & 0xFF);
    const Frame request = BuildCommandFrame(Protocol::kStartQuery, nLetter);
    Exchange exchange = Ask(port, request, stop);
    EReplyCheck check = CheckItemReply(exchange, nLetter);
    // A write's late acknowledgement reads exactly like a value of zero: when
    // one may still be on its way, such a reply is asked again.
    if (exchange.bWritten && check == EReplyCheck::Valid && IsAcknowledgementShaped(exchange) &&
        TakeAwaitedAcknowledgement(nLetter)) {
        clock.SleepFor(Protocol::kRetryPause, stop);
        exchange = Ask(port, request, stop);
        check = CheckItemReply(exchange, nLetter);
    }
    if (!exchange.bWritten) {
        ReportLinkLost();
        return missed();
    }
    PauseAfterReply(check == EReplyCheck::Valid, stop);
    if (check == EReplyCheck::ChecksumFailure) {
        CountChecksumFailure();
        const RefreshError error = RefreshErrorOf(array);
        Report(
            [error](ILinkListener& listener) { listener.OnLinkError(error.nKind, error.pszText); });
    }
    if (check != EReplyCheck::Valid) {
        return missed();  // the value stays as it was
    }
    long nValue = WordAt(exchange.reply, Protocol::kOffsetData);
    if (bIndexed) {
        if (range) {
            item.Min = ToText(range->first);
            item.Max = ToText(range->second);
            item.bRangeRead = true;
        }
        nValue += WToL(item.Min) - 1;
    }
    item.Value = ToText(nValue);
    item.bValueRead = true;
    item.nMissedReads = 0;
    // A range that did not come leaves the item short of what was asked.
    return !bRangeAsked || range.has_value();
}

void CDeviceLink::RunRefreshRequest() {
    const std::stop_token stop = StopToken();
    // Taken after the event is reset: a request made from here on wakes the
    // dispatcher again, so none is lost and each gets its report.
    EndRequest(ERequest::Refresh);
    if (m_bOverclockRefreshPending.exchange(false)) {
        bool bOk = true;
        for (EBoardArray array : kOverclockArrays) {
            bOk = RefreshArray(array) && bOk;
        }
        if (!stop.stop_requested()) {
            Report([bOk](ILinkListener& listener) { listener.OnOverclockRefreshed(bOk); });
        }
    }
    // An apply, a power action or an over-clock read the user is waiting for
    // goes before the rest of the watch, which goes on where it stopped.
    const auto userWaiting = [this] {
        return m_pDispatcher->IsPending(ERequest::Apply) ||
               m_pDispatcher->IsPending(ERequest::Power) || m_bOverclockRefreshPending.load();
    };
    const unsigned nArrays = m_nArraysPending.exchange(0);
    for (int nArray = kFirstArray; nArray <= kLastArray && !stop.stop_requested(); ++nArray) {
        const unsigned nBit = 1U << nArray;
        ArrayRead& read = m_watchReads[static_cast<size_t>(nArray - kFirstArray)];
        bool bAsked = (nArrays & nBit) != 0;
        // A read begun before is finished first, with its report; a request
        // made since gets a whole read and a report of its own.
        while ((read.bBegun || bAsked) && !stop.stop_requested()) {
            if (!read.bBegun) {
                if (userWaiting()) {
                    break;
                }
                read.bBegun = true;
                bAsked = false;
            }
            if (!RefreshArrayPart(static_cast<EBoardArray>(nArray), read, userWaiting)) {
                break;
            }
            const bool bOk = read.bAllRead;
            read = {};
            if (!stop.stop_requested()) {
                Report([nArray, bOk](ILinkListener& listener) {
                    listener.OnArrayRefreshed(nArray, bOk);
                });
            }
        }
        if (read.bBegun || bAsked) {
            // Stopped for the user: what is left waits for the next run.
            m_nArraysPending.fetch_or((bAsked ? nBit : 0U) | (nArrays & ~((nBit << 1) - 1U)));
            m_pDispatcher->Post(ERequest::Refresh);
            return;
        }
    }
}

void CDeviceLink::ReloadOverRatio() {
    if (Config() == nullptr) {
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
    std::lock_guard lock(m_arrayMutex);
    const BoardItemArray& items = m_description.Items(array);
    BoardItemArray& target = ArrayOf(array);
    target.insert(target.end(), items.begin(), items.end());
}
