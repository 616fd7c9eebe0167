#include "ctl/CmdJournal.h"

#include <cstdio>
#include <string>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/MonitorLog.h"

namespace {

std::string ShownOr(const std::string& strShown, const std::string& strRaw) {
    return strShown.empty() ? (strRaw.empty() ? "?" : "raw " + strRaw) : strShown;
}

void PrintEntry(const JournalEntry& entry) {
    std::printf("%s  %s %s", IsoLocalTime(entry.time).c_str(), entry.strProgram.c_str(),
                entry.strCommand.c_str());
    if (!entry.strBoard.empty() || !entry.strAddress.empty()) {
        std::printf("  [%s%s%s]", entry.strBoard.c_str(),
                    entry.strBoard.empty() || entry.strAddress.empty() ? "" : " on ",
                    entry.strAddress.c_str());
    }
    if (entry.action == EJournalAction::Power) {
        std::printf(": %s\n", entry.bOk ? "acknowledged" : "NOT acknowledged");
        return;
    }
    if (entry.action == EJournalAction::Started) {
        std::printf(": the PC started (%s)\n", entry.strNote.c_str());
        return;
    }
    std::printf("%s\n", entry.bOk ? "" : ": NOT every value acknowledged");
    for (const JournalItem& item : entry.items) {
        if (!item.Changed() && item.bAcknowledged && !item.ReadBackDiffers()) {
            continue;  // sent as it stood, as the first item always is
        }
        std::printf("    %-24s %s -> %s %s", item.strName.c_str(),
                    ShownOr(item.strShownBefore, item.strBefore).c_str(),
                    ShownOr(item.strShownAsked, item.strAsked).c_str(), item.strUnit.c_str());
        if (!item.bAcknowledged) {
            std::printf("   NOT acknowledged");
        } else if (item.ReadBackDiffers()) {
            std::printf("   the board holds %s", item.strShownReadBack.c_str());
        } else if (item.strReadBack.empty()) {
            std::printf("   not read back");
        }
        std::printf("\n");
    }
}

}  // namespace

int RunJournal(const JournalOptions& options) {
    const std::vector<JournalEntry> entries = ReadJournal();
    if (entries.empty()) {
        std::fprintf(stderr, "tunevoctl: the journal is empty (%s)\n", CJournal().Path().c_str());
        return kExitOk;
    }
    const size_t nShown =
        options.nLast == 0 ? entries.size() : std::min(options.nLast, entries.size());
    for (size_t n = 0; n < nShown; ++n) {
        const JournalEntry& entry = entries[entries.size() - 1 - n];
        if (options.bJson) {
            std::printf("%s\n", JournalLine(entry).c_str());
        } else {
            PrintEntry(entry);
        }
    }
    return kExitOk;
}
