// Writing edited over-clock values to the board.

#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"

namespace {

// Copies the edits into the link's array for the items that are still the
// same item; an edit made before a ratio reload cannot land on another item.
void StoreEdits(BoardItemArray& items, const BoardItemArray& edits) {
    for (size_t i = 0; i < items.size() && i < edits.size(); ++i) {
        if (items[i].Name == edits[i].Name) {
            items[i].Value = edits[i].Value;
            items[i].PrevValue = edits[i].PrevValue;
        }
    }
}

// The order the arrays are written in. Going down, the clock is lowered
// before the voltage; otherwise the voltage is raised first. The first
// frequency item tells the direction, by text; without frequency items the
// first ratio item does.
std::array<EBoardArray, 3> ApplyOrder(const BoardItemArray& overFreq,
                                      const BoardItemArray& overRatio) {
    const BoardItemArray& guide = overFreq.empty() ? overRatio : overFreq;
    if (!guide.empty() && SortsBeforeNoCase(guide.front().Value, guide.front().PrevValue)) {
        return {EBoardArray::OverRatio, EBoardArray::OverFreq, EBoardArray::OverVolt};
    }
    return {EBoardArray::OverVolt, EBoardArray::OverFreq, EBoardArray::OverRatio};
}

}  // namespace

void CDeviceLink::RequestApply(BoardItemArray overVolt, BoardItemArray overFreq,
                               BoardItemArray overRatio) {
    if (!m_pDispatcher) {
        return;
    }
    {
        std::lock_guard lock(m_arrayMutex);
        StoreEdits(ArrayOf(EBoardArray::OverVolt), overVolt);
        StoreEdits(ArrayOf(EBoardArray::OverFreq), overFreq);
        StoreEdits(ArrayOf(EBoardArray::OverRatio), overRatio);
    }
    m_pDispatcher->Post(ERequest::Apply);
}

void CDeviceLink::RunApplyRequest() {
    const BoardItemArray overFreq = GetOverFreq();
    const BoardItemArray overRatio = GetOverRatio();
    bool bOk = true;
    for (EBoardArray array : ApplyOrder(overFreq, overRatio)) {
        // Every array is written even after a failure, and any failure fails
        // the whole apply: the user must not read success for a lost value.
        bOk = ApplyArray(GetArray(array)) && bOk;
    }
    m_bLastResult.store(bOk);
    EndRequest(ERequest::Apply);
    if (!m_stop.stop_requested()) {
        Report([bOk](ILinkListener& listener) { listener.OnApplied(bOk); });
    }
}

bool CDeviceLink::ApplyArray(const BoardItemArray& items) {
    const PortUse use = UsePort(EBusyDiscipline::WaitLong);
    if (!use) {
        return false;
    }
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = m_stop.get_token();
    bool bResult = true;
    // Whether the item before was acknowledged: only then may an unchanged
    // item be skipped, so the first item is always sent.
    bool bAccepted = false;
    for (const BoardItem& item : items) {
        if (stop.stop_requested()) {
            return false;
        }
        if (bAccepted && EqualsNoCase(item.Value, item.PrevValue)) {
            continue;
        }
        long nValue = WToL(item.Value);
        if (item.Kind == u"1") {
            nValue = nValue - WToL(item.Min) + 1;  // the board counts positions from 1
        }
        const auto nLow = static_cast<uint8_t>(nValue & 0xFF);
        const auto nHigh =
            item.Kind == u"4" ? uint8_t{0} : static_cast<uint8_t>((nValue >> 8) & 0xFF);
        const auto nLetter = static_cast<uint8_t>(WToL(item.ValueCmd) & 0xFF);
        const Exchange exchange =
            Transact(*use.pPort, clock,
                     BuildCommandFrame(Protocol::kStartChange, nLetter, nLow, nHigh), stop);
        if (!exchange.bWritten) {
            ReportLinkLost();
            bAccepted = false;
            bResult = false;
            continue;
        }
        const EReplyCheck check = exchange.nCount < Protocol::kMinItemReply
                                      ? EReplyCheck::Malformed
                                      : IsValidReply(exchange.reply, nLetter);
        bAccepted = check == EReplyCheck::Valid;
        if (check == EReplyCheck::ChecksumFailure) {
            CountChecksumFailure();
            Report([](ILinkListener& listener) { listener.OnLinkError(kErrorApply, kTextApply); });
        }
        clock.SleepFor(Protocol::kRetryPause, stop);
        bResult = bResult && bAccepted;
    }
    return bResult;
}
