#pragma once

#include <map>
#include <string>
#include <vector>

#include "data/CJournal.h"
#include "link/CDeviceLink.h"

// Writing back the values an earlier write replaced: for an undo, a
// revert of a change not kept, and a recovery after a stalled start-up.

struct UndoItem {
    EBoardArray array;
    size_t nIndex;
    JournalItem written;     // the item as the earlier write recorded it
    std::string strNow;      // raw value the board reports now; empty when unread
    std::string strShownNow;
    // The board no longer holds what that write left there: someone changed
    // it since, or its value could not be read. Never written silently.
    bool bChangedSince = false;
};

struct UndoPlan {
    std::vector<UndoItem> items;
    // Items of the write this board's description no longer has.
    std::vector<std::string> missing;
    size_t ChangedSinceCount() const;
};

// What writing back the entry's values before would do, against the
// link's over-clock values as last read. Only items the write changed, and
// that do not hold their value before already, are in it.
UndoPlan PlanUndo(const JournalEntry& entry, const CDeviceLink& link);

// Hands the plan's values before to the link as the user's edits, each
// with the value now as the one it replaces (so the order rule reads the
// direction), leaving out items changed since unless bWithChangedSince.
// The caller then applies the items the user set. False when an edit
// found no item, nothing is left to write, or another item holds an edit
// not yet applied (it would go out with the undo).
bool StageUndo(CDeviceLink& link, const UndoPlan& plan, bool bWithChangedSince);
// The same edits on copies of the link's arrays, for a caller that stores them itself.
bool UndoEdits(const CDeviceLink& link, const UndoPlan& plan, bool bWithChangedSince,
               std::map<EBoardArray, BoardItemArray>& arrays);
