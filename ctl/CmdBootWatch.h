#pragma once

// tunevoctl boot-watch: follows the PC's start-up on the POST display until
// it reaches the ready code or stalls, and with --recover writes back the
// values the last write replaced and resets once.

struct BootWatchOptions {
    int nStuckSeconds = 45;  // one code standing this long is a stall
    int nReadyCode = 0x00;   // the code of a finished start-up
    bool bRecover = false;
    bool bJson = false;  // a summary object on standard output; progress on standard error
};

int RunBootWatch(const BootWatchOptions& options);
