#include "ctl/CmdScan.h"

#include <cstdio>

#include "ctl/CCtlSession.h"

int RunScan() {
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    std::printf("board found: %s\n", session.PortPath().c_str());
    return kExitOk;
}
