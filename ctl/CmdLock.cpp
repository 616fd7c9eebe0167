#include "ctl/CmdLock.h"

#include <cstdio>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"

int RunLock() {
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    session.Link().CheckLock();
    const int nState = session.Link().LockState();
    if (nState == CDeviceLink::kStateUnknown) {
        return NoAnswer(session, "the lock check");
    }
    if (nState == 1) {
        std::printf("unlocked\n");
    } else if (nState == 0) {
        std::printf("locked\n");
    } else {
        std::printf("locked (state %d)\n", nState);
    }
    return kExitOk;
}
