#pragma once

#include <cstddef>

// tunevoctl journal: what was written to the board and done to its PC,
// newest first.

struct JournalOptions {
    bool bJson = false;  // each entry as its journal line
    size_t nLast = 20;   // this many entries; 0 for all
};

int RunJournal(const JournalOptions& options);
