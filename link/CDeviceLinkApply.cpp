// Writing edited over-clock values to the board.

#include "link/CDeviceLink.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"

namespace {

// Copies the edits into the link's array for the items that are still the
// same item; an edit made before a ratio reload cannot land on another item.
// False when an edit found no item to land on.
bool StoreArrayEdits(BoardItemArray& items, const BoardItemArray& edits) {
    bool bAllStored = true;
    for (size_t i = 0; i < edits.size(); ++i) {
        const BoardItem& edit = edits[i];
        const bool bSameItem = i < items.size() && items[i].Name == edit.Name;
        if (!bSameItem) {
            bAllStored = bAllStored && !edit.bUserSet && edit.Value == edit.PrevValue;
            continue;
        }
        BoardItem& item = items[i];
        // A value that differs from the link's is the user's, whoever says so.
        item.bUserSet = item.bUserSet || edit.bUserSet || edit.Value != item.Value;
        item.Value = edit.Value;
        item.PrevValue = edit.PrevValue;
    }
    return bAllStored;
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

// Whether the value may go to the board at all: it is the board's or the
// user's, and an index-based item's position rests on a range read with it.
bool IsWritable(const BoardItem& item) {
    return !item.bWriteBlocked && HasKnownValue(item) && (item.Kind != u"1" || HasKnownRange(item));
}

}  // namespace

void CDeviceLink::AwaitAcknowledgement(uint8_t nLetter) {
    std::lock_guard lock(m_ackMutex);
    m_awaitedAcks.set(nLetter);
}

bool CDeviceLink::TakeAwaitedAcknowledgement(uint8_t nLetter) {
    std::lock_guard lock(m_ackMutex);
    const bool bAwaited = m_awaitedAcks.test(nLetter);
    m_awaitedAcks.reset(nLetter);
    return bAwaited;
}

bool CDeviceLink::StoreEdits(const BoardItemArray& overVolt, const BoardItemArray& overFreq,
                             const BoardItemArray& overRatio) {
    std::lock_guard lock(m_arrayMutex);
    bool bStored = StoreArrayEdits(ArrayOf(EBoardArray::OverVolt), overVolt);
    bStored = StoreArrayEdits(ArrayOf(EBoardArray::OverFreq), overFreq) && bStored;
    return StoreArrayEdits(ArrayOf(EBoardArray::OverRatio), overRatio) && bStored;
}

void CDeviceLink::RequestApply(BoardItemArray overVolt, BoardItemArray overFreq,
                               BoardItemArray overRatio, EApplyScope scope) {
    if (!m_pDispatcher) {
        return;
    }
    if (!StoreEdits(overVolt, overFreq, overRatio)) {
        m_bApplyEditLost.store(true);
    }
    RequestStoredApply(scope);
}

void CDeviceLink::RequestStoredApply(EApplyScope scope) {
    if (!m_pDispatcher) {
        return;
    }
    m_applyScope.store(scope);
    m_pDispatcher->Post(ERequest::Apply);
}

CDeviceLink::ApplyResult CDeviceLink::LastApplyResult() const {
    std::lock_guard lock(m_lastApplyMutex);
    return m_lastApply;
}

void CDeviceLink::RunApplyRequest() {
    // An edit lost before this run makes it fail; one lost during it, the next.
    const bool bEditLost = m_bApplyEditLost.exchange(false);
    ApplyResult result = ApplyAll(m_applyScope.exchange(EApplyScope::Changed));
    result.bOk = result.bOk && !bEditLost;
    const bool bOk = result.bOk;
    {
        std::lock_guard lock(m_lastApplyMutex);
        m_lastApply = std::move(result);
    }
    // The rows end on what the board now holds, so a value it limited or
    // refused shows as it is.
    const bool bReadBack = bOk && !IsStopping();
    bool bReadOk = true;
    if (bReadBack) {
        for (EBoardArray array : kOverclockArrays) {
            bReadOk = RefreshArray(array) && bReadOk;
        }
    }
    EndRequest(ERequest::Apply);
    if (IsStopping()) {
        return;
    }
    Report([bOk](ILinkListener& listener) { listener.OnApplied(bOk); });
    if (bReadBack) {
        Report([bReadOk](ILinkListener& listener) { listener.OnOverclockRefreshed(bReadOk); });
    }
}

CDeviceLink::ApplyResult CDeviceLink::ApplyAll(EApplyScope scope) {
    ApplyResult result;
    if (!IsDescriptionConfirmed()) {
        // The items may not be the board's: a letter may now mean another item.
        result.bOk = false;
        result.bUnconfirmed = true;
        return result;
    }
    for (EBoardArray array : ApplyOrder(GetOverFreq(), GetOverRatio())) {
        // Every array is written even after a failure, and any failure fails
        // the whole apply: the user must not read success for a lost value.
        ApplyResult part = ApplyArray(array, scope);
        result.bOk = part.bOk && result.bOk;
        result.writes.insert(result.writes.end(), part.writes.begin(), part.writes.end());
    }
    {
        // What was sent is the user's no longer; what failed stays theirs.
        std::lock_guard lock(m_arrayMutex);
        for (const ItemWrite& write : result.writes) {
            BoardItemArray& items = ArrayOf(write.array);
            if (write.bAcknowledged && write.nIndex < items.size()) {
                items[write.nIndex].bUserSet = false;
                items[write.nIndex].bValueRead = true;
            }
        }
    }
    return result;
}

CDeviceLink::ApplyResult CDeviceLink::ApplyArray(EBoardArray array, EApplyScope scope) {
    ApplyResult result;
    const BoardItemArray items = GetArray(array);
    if (items.empty()) {
        return result;
    }
    const PortUse use = UsePort(EBusyDiscipline::WaitLong);
    if (!use) {
        result.bOk = false;
        return result;
    }
    IClock& clock = *m_environment.pClock;
    const std::stop_token stop = StopToken();
    // Whether the item before was acknowledged: only then may an unchanged
    // item be skipped, so the first item is always sent.
    bool bAccepted = false;
    for (size_t i = 0; i < items.size(); ++i) {
        const BoardItem& item = items[i];
        if (stop.stop_requested()) {
            result.bOk = false;
            return result;
        }
        const bool bWanted = scope == EApplyScope::UserSet
                                 ? item.bUserSet
                                 : !(bAccepted && EqualsNoCase(item.Value, item.PrevValue));
        // A value nobody read or set never goes out: it would be a guess.
        if (!bWanted || !IsWritable(item)) {
            // One the user set and that cannot go fails the apply.
            result.bOk = result.bOk && !(item.bUserSet && item.bWriteBlocked);
            continue;
        }
        long nValue = WToL(item.Value);
        if (!FitsSetFrame(item, nValue)) {
            // Cut to the frame's width it would be another value: refused, unsent.
            result.bOk = false;
            continue;
        }
        if (item.Kind == u"1") {
            nValue = nValue - WToL(item.Min) + 1;  // the board counts positions from 1
        }
        const auto nLow = static_cast<uint8_t>(nValue & 0xFF);
        const auto nHigh =
            item.Kind == u"4" ? uint8_t{0} : static_cast<uint8_t>((nValue >> 8) & 0xFF);
        const auto nLetter = static_cast<uint8_t>(WToL(item.ValueCmd) & 0xFF);
        const Exchange exchange =
            Ask(*use.pPort, BuildCommandFrame(Protocol::kStartChange, nLetter, nLow, nHigh), stop);
        if (!exchange.bWritten) {
            ReportLinkLost();
            bAccepted = false;
        } else {
            const EReplyCheck check = exchange.nCount < Protocol::kMinItemReply
                                          ? EReplyCheck::Malformed
                                          : IsValidReply(exchange.Received(), nLetter);
            bAccepted = check == EReplyCheck::Valid;
            if (check == EReplyCheck::ChecksumFailure) {
                CountChecksumFailure();
                Report(
                    [](ILinkListener& listener) { listener.OnLinkError(kErrorApply, kTextApply); });
            }
            if (check == EReplyCheck::Malformed) {
                // Missing or cut: the acknowledgement may still be on its way.
                AwaitAcknowledgement(nLetter);
                clock.SleepFor(Protocol::kLateReplyGrace, stop);
            } else {
                PauseAfterReply(bAccepted, stop);
            }
        }
        result.writes.push_back({array, i, bAccepted, item.Value});
        result.bOk = result.bOk && bAccepted;
    }
    return result;
}
