#include "ctl/CmdUndo.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/MonitorLog.h"
#include "data/Utf.h"

int RunUndo(const UndoOptions& options) {
    std::unique_ptr<CCtlSession> pSession;
    if (const int nExit = LoadForWriting(pSession); nExit != kExitOk) {
        return nExit;
    }
    CCtlSession& session = *pSession;
    const std::string strBoard = ToUtf8(session.Link().GetBoardVersion());
    const std::optional<JournalEntry> last = LastChangingWrite(ReadJournal(), strBoard);
    if (!last) {
        PrintError("nothing to undo: the journal (" + CJournal().Path() +
                   ") holds no write to this board (" + strBoard + ") that changed a value");
        return kExitNothingToUndo;
    }
    const UndoPlan plan = PlanUndo(*last, session.Link());
    std::printf("the last write to this board: %s, %s %s\n", IsoLocalTime(last->time).c_str(),
                last->strProgram.c_str(), last->strCommand.c_str());
    if (plan.items.empty()) {
        PrintUndoPlan(plan);
        PrintError("nothing to undo: the board already holds the values from before it");
        return kExitNothingToUndo;
    }
    PrintUndoPlan(plan);
    const size_t nChanged = plan.ChangedSinceCount();
    bool bWithChanged = options.bWithChangedSince;
    if (nChanged > 0 && !bWithChanged) {
        // Someone else's value is never overwritten without a yes for it.
        bWithChanged = !options.bYes &&
                       Confirm(std::to_string(nChanged) +
                               (nChanged == 1 ? " value was" : " values were") +
                               " changed since that write. Write back over them too?");
        if (!bWithChanged) {
            PrintError("values changed since are left as they are");
        }
    }
    const size_t nWritten = plan.items.size() - (bWithChanged ? 0 : nChanged);
    if (nWritten == 0) {
        PrintError("nothing was sent");
        return kExitDeclined;
    }
    if (!options.bYes &&
        !Confirm("Write back " + std::to_string(nWritten) +
                 (nWritten == 1 ? " value" : " values") + " from before that write?")) {
        PrintError("cancelled; nothing was sent");
        return kExitDeclined;
    }
    return WriteBack(session, plan, bWithChanged, {"undo", EJournalAction::Undo, last->strId});
}
