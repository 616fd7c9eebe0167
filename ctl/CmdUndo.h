#pragma once

// tunevoctl undo: writes back the values the last write to this board
// replaced.

struct UndoOptions {
    bool bYes = false;            // do not ask; values changed since are still left alone
    bool bWithChangedSince = false;  // write back values changed since as well
};

int RunUndo(const UndoOptions& options);
