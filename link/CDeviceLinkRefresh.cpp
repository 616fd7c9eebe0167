// Reading item values and ranges from the board into the arrays.

#include <algorithm>
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
    // Nothing to read is no failure: a board without frequency items does not
    // report every refresh failed.
    if (Port() == nullptr || ArraySize(array) == 0) {
        return Port() != nullptr;
    }
    const std::stop_token stop = StopToken();
    const PortUse use = UsePort(EBusyDiscipline::WaitShort);
    if (!use) {
        return false;
    }
    bool bAllRead = true;
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
        bAllRead = RefreshItem(*use.pPort, array, item, stop) && bAllRead;
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
    return bAllRead && !stop.stop_requested();
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
    const unsigned nArrays = m_nArraysPending.exchange(0);
    for (int nArray = kFirstArray; nArray <= kLastArray && !stop.stop_requested(); ++nArray) {
        if ((nArrays & (1U << nArray)) == 0) {
            continue;
        }
        // An apply or a power action the user is waiting for goes before the
        // watch's other categories, which are read right after it.
        if (m_pDispatcher->IsPending(ERequest::Apply) || m_pDispatcher->IsPending(ERequest::Power)) {
            m_nArraysPending.fetch_or(nArrays & ~((1U << nArray) - 1U));
            m_pDispatcher->Post(ERequest::Refresh);
            return;
        }
        const bool bOk = RefreshArray(static_cast<EBoardArray>(nArray));
        if (!stop.stop_requested()) {
            Report(
                [nArray, bOk](ILinkListener& listener) { listener.OnArrayRefreshed(nArray, bOk); });
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
