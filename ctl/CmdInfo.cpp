#include "ctl/CmdInfo.h"

#include <cstdio>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/Utf.h"
#include "link/ItemText.h"
#include "link/Recording.h"

namespace {

// Prints one section's items; false when any value could not be read.
bool PrintItemTable(EBoardArray array, const BoardItemArray& items) {
    std::printf("%s\n", ToUtf8(SectionName(array)).c_str());
    bool bComplete = true;
    for (const BoardItem& item : items) {
        const bool bRead = WasReadNow(item);
        bComplete = bComplete && bRead;
        const std::string strRange =
            HasKnownRange(item) ? ToUtf8(item.Min) + ".." + ToUtf8(item.Max) : "--";
        const char* pszMark = !bRead                                           ? "  UNREAD"
                              : IsHardwareArray(array) && IsAlarm(array, item) ? "  ALARM"
                                                                               : "";
        std::printf("  %-24s %8s  %-14s %s %s%s\n", ToUtf8(item.Name).c_str(),
                    bRead ? ToUtf8(item.Value).c_str() : "--", strRange.c_str(),
                    bRead ? ShownText(array, item).c_str() : "--",
                    std::string(UnitOf(array)).c_str(), pszMark);
    }
    return bComplete;
}

}  // namespace

int RunInfo() {
    CCtlSession session;
    if (const int nExit = session.Load(); nExit != kExitOk) {
        return nExit;
    }
    if (!RefreshMonitor(session, 1)) {
        return kExitLinkLost;
    }
    std::printf("board: %s\nport: %s\n", ToUtf8(session.Link().GetBoardVersion()).c_str(),
                session.PortPath().c_str());
    std::printf("\n  %-24s %8s  %-14s %s\n", "NAME", "RAW", "RANGE", "SHOWN");
    bool bComplete = true;
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        const auto array = static_cast<EBoardArray>(nArray);
        bComplete = PrintItemTable(array, session.Link().GetArray(array)) && bComplete;
    }
    if (!bComplete) {
        PrintError("some values could not be read; they are marked UNREAD");
        return kExitNoAnswer;
    }
    return kExitOk;
}
