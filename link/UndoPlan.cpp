#include "link/UndoPlan.h"

#include <algorithm>
#include <map>

#include "data/Utf.h"
#include "link/ItemText.h"
#include "link/Recording.h"

size_t UndoPlan::ChangedSinceCount() const {
    size_t nCount = 0;
    for (const UndoItem& item : items) {
        nCount += item.bChangedSince ? 1 : 0;
    }
    return nCount;
}

UndoPlan PlanUndo(const JournalEntry& entry, const CDeviceLink& link) {
    UndoPlan plan;
    for (const JournalItem& written : entry.items) {
        if (!written.Changed()) {
            continue;
        }
        bool bFound = false;
        for (EBoardArray array : kOverclockArrays) {
            if (ToUtf8(SectionName(array)) != written.strArray) {
                continue;
            }
            const BoardItemArray items = link.GetArray(array);
            for (size_t i = 0; i < items.size() && !bFound; ++i) {
                if (ToUtf8(items[i].Name) != written.strName) {
                    continue;
                }
                bFound = true;
                UndoItem item{array, i, written, {}, {}, true};
                if (WasReadNow(items[i])) {
                    item.strNow = ToUtf8(items[i].Value);
                    item.strShownNow = ShownText(array, items[i]);
                    item.bChangedSince = item.strNow != written.Left();
                    if (item.strNow == written.strBefore) {
                        continue;  // already back where it was: nothing to write
                    }
                }
                plan.items.push_back(std::move(item));
            }
        }
        if (!bFound) {
            plan.missing.push_back(written.strName);
        }
    }
    return plan;
}

bool StageUndo(CDeviceLink& link, const UndoPlan& plan, bool bWithChangedSince) {
    std::map<EBoardArray, BoardItemArray> arrays;
    return UndoEdits(link, plan, bWithChangedSince, arrays) &&
           link.StoreEdits(arrays[EBoardArray::OverVolt], arrays[EBoardArray::OverFreq],
                           arrays[EBoardArray::OverRatio]);
}

bool UndoEdits(const CDeviceLink& link, const UndoPlan& plan, bool bWithChangedSince,
               std::map<EBoardArray, BoardItemArray>& arrays) {
    for (EBoardArray array : kOverclockArrays) {
        arrays[array] = link.GetArray(array);
    }
    bool bAny = false;
    for (const UndoItem& undo : plan.items) {
        if (undo.bChangedSince && !bWithChangedSince) {
            continue;
        }
        BoardItemArray& items = arrays[undo.array];
        if (undo.nIndex >= items.size() || ToUtf8(items[undo.nIndex].Name) != undo.written.strName) {
            return false;
        }
        BoardItem& item = items[undo.nIndex];
        item.PrevValue = item.Value;
        item.Value = FromUtf8(undo.written.strBefore);
        item.bUserSet = true;
        bAny = true;
    }
    // An edit left unapplied elsewhere would go out with the undo: refused.
    for (const auto& [array, items] : arrays) {
        for (size_t i = 0; i < items.size(); ++i) {
            const bool bPlanned = std::ranges::any_of(plan.items, [&](const UndoItem& undo) {
                return undo.array == array && undo.nIndex == i;
            });
            if (items[i].bUserSet && !bPlanned) {
                return false;
            }
        }
    }
    return bAny;
}
