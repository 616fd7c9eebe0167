#include "ctl/CtlShared.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "ctl/CCtlProgress.h"
#include "data/TextCase.h"
#include "data/Utf.h"
#include "link/CApplyRecord.h"
#include "link/ItemText.h"
#include "link/Recording.h"
#include "link/ReturnWatch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<bool> g_bInterrupted{false};

void OnInterrupt(int /*nSignal*/) {
    g_bInterrupted.store(true);
}

}  // namespace

int Usage(const std::string& strMessage) {
    PrintError(strMessage + " (see tunevoctl --help)");
    return kExitUsage;
}

// The board stopped answering: lost, or only silent.
int NoAnswer(CCtlSession& session, const std::string& strWhat) {
    if (session.LinkLost()) {
        return kExitLinkLost;
    }
    PrintError("the board did not answer " + strWhat);
    return kExitNoAnswer;
}

// Reads every monitored array; false when the link was lost.
bool RefreshMonitor(CCtlSession& session, int nSample) {
    int nArray = 0;
    for (EBoardArray array : kHardwareArrays) {
        ++nArray;
        if (session.Link().GetArray(array).empty()) {
            continue;
        }
        CCtlProgress::Instance().Show("reading sample " + std::to_string(nSample) + ": " +
                                      std::to_string(nArray) + " of " +
                                      std::to_string(kHardwareArrays.size()));
        if (!session.Refresh(array)) {
            if (session.LinkLost()) {
                return false;
            }
            PrintError("the board did not answer every " + ToUtf8(SectionName(array)) +
                       " value; those it did not are marked UNREAD");
        }
    }
    CCtlProgress::Instance().Clear();
    return true;
}

// Asks on the terminal (or whatever feeds standard input); yes only for "y" or "yes".
bool Confirm(const std::string& strQuestion) {
    std::fprintf(stderr, "%s [y/N] ", strQuestion.c_str());
    std::fflush(stderr);
    std::string strAnswer;
    if (!std::getline(std::cin, strAnswer)) {
        std::fputc('\n', stderr);
        return false;
    }
    const std::u16string answer = FromUtf8(strAnswer);
    return EqualsNoCase(answer, u"y") || EqualsNoCase(answer, u"yes");
}

// Writes the items the user set in the arrays, prints each write, reads the
// board back and prints the named items as it now holds them.
int WriteAndReadBack(CCtlSession& session, std::map<EBoardArray, BoardItemArray>& arrays,
                     const std::vector<FoundItem>& named, const WriteJournal& journal,
                     JournalEntry* pWritten) {
    // The values before are the link's, taken before any edit reaches it.
    CApplyRecord record(session.Link(), "tunevoctl", journal.strCommand, journal.action);
    record.SetAddress(session.PortPath());
    record.SetUndoes(journal.strUndoes);
    if (!session.Link().StoreEdits(arrays[EBoardArray::OverVolt], arrays[EBoardArray::OverFreq],
                                   arrays[EBoardArray::OverRatio])) {
        PrintError("the board's items changed while setting; nothing was sent");
        return kExitFailure;
    }
    const CDeviceLink::ApplyResult result =
        session.Link().ApplyAll(CDeviceLink::EApplyScope::UserSet);
    if (result.bUnconfirmed) {
        PrintError("nothing was written: the board's description did not come whole");
        return kExitDescription;
    }
    record.Written(session.Link(), result);
    // Whatever happens next, what was sent is on record.
    const auto journalled = [&](int nExit) {
        AppendToJournal(record.Entry());
        if (pWritten != nullptr) {
            *pWritten = record.Entry();
        }
        return nExit;
    };
    for (const CDeviceLink::ItemWrite& write : result.writes) {
        const BoardItem& item = arrays[write.array].at(write.nIndex);
        std::printf("wrote %s = %s %s (raw %s): %s\n", ToUtf8(item.Name).c_str(),
                    ShownText(write.array, item).c_str(), std::string(UnitOf(write.array)).c_str(),
                    ToUtf8(item.Value).c_str(),
                    write.bAcknowledged ? "acknowledged" : "NOT acknowledged");
    }
    if (session.LinkLost()) {
        return journalled(kExitLinkLost);
    }

    // Read back what the board now holds.
    for (EBoardArray array : kOverclockArrays) {
        if (!session.Refresh(array) && session.LinkLost()) {
            return journalled(kExitLinkLost);
        }
    }
    record.ReadBack(session.Link());
    int nResult = result.bOk ? kExitOk : kExitNoAnswer;
    for (const FoundItem& found : named) {
        const BoardItem& wanted = arrays[found.array][found.nIndex];
        const BoardItem now = session.Link().GetArray(found.array).at(found.nIndex);
        if (!WasReadNow(now)) {
            PrintError(ToUtf8(now.Name) + ": the board did not answer the read-back");
            nResult = kExitNoAnswer;
            continue;
        }
        std::printf("%s = %s %s (raw %s)\n", ToUtf8(now.Name).c_str(),
                    ShownText(found.array, now).c_str(), std::string(UnitOf(found.array)).c_str(),
                    ToUtf8(now.Value).c_str());
        if (now.Value != wanted.Value) {
            PrintError(ToUtf8(now.Name) + ": the board limited or refused it: it holds " +
                       ShownText(found.array, now) + " (raw " + ToUtf8(now.Value) +
                       ") instead of " + ShownText(found.array, wanted) + " (raw " +
                       ToUtf8(wanted.Value) + ")");
            nResult = kExitNoAnswer;
        }
    }
    if (!result.bOk) {
        PrintError("the board did not acknowledge every value; tunevoctl info shows what it has");
    }
    return journalled(nResult);
}

void AppendToJournal(const JournalEntry& entry) {
    static CJournal journal;
    if (!journal.Append(entry)) {
        if (const std::string strProblem = journal.TakeProblem(); !strProblem.empty()) {
            PrintError("the journal could not be written (" + strProblem +
                       "); the board's values are not on record");
        }
    }
}

std::vector<JournalEntry> ReadJournal() {
    CJournal::Contents contents = CJournal().Read();
    for (const std::string& strNote : contents.notes) {
        PrintError(strNote);
    }
    return std::move(contents.entries);
}

void PrintUndoPlan(const UndoPlan& plan) {
    for (const UndoItem& item : plan.items) {
        const JournalItem& written = item.written;
        std::printf("  %-24s %s -> %s %s", written.strName.c_str(),
                    (item.strShownNow.empty() ? std::string("UNREAD") : item.strShownNow).c_str(),
                    written.strShownBefore.c_str(), written.strUnit.c_str());
        if (item.bChangedSince) {
            std::printf("   changed since: that write left %s",
                        (written.strShownReadBack.empty() ? written.strShownAsked
                                                          : written.strShownReadBack)
                            .c_str());
        }
        std::printf("\n");
    }
    for (const std::string& strName : plan.missing) {
        std::printf("  %-24s not on this board's description now; left alone\n", strName.c_str());
    }
    std::fflush(stdout);
}

int WriteBack(CCtlSession& session, const UndoPlan& plan, bool bWithChangedSince,
              const WriteJournal& journal, JournalEntry* pWritten) {
    std::map<EBoardArray, BoardItemArray> arrays;
    if (!UndoEdits(session.Link(), plan, bWithChangedSince, arrays)) {
        PrintError("nothing was written: no value to write back is left");
        return kExitFailure;
    }
    std::vector<FoundItem> named;
    for (const UndoItem& item : plan.items) {
        if (!item.bChangedSince || bWithChangedSince) {
            named.push_back({item.array, item.nIndex});
        }
    }
    return WriteAndReadBack(session, arrays, named, journal, pWritten);
}

bool IsPlainNumber(const std::string& strText) {
    size_t nPos = strText.starts_with('-') || strText.starts_with('+') ? 1 : 0;
    size_t nDigits = 0;
    bool bPoint = false;
    for (; nPos < strText.size(); ++nPos) {
        const char c = strText[nPos];
        if (c >= '0' && c <= '9') {
            ++nDigits;
        } else if (c == '.' && !bPoint) {
            bPoint = true;
        } else {
            return false;
        }
    }
    return nDigits > 0;
}

void WatchForInterrupt() {
    g_bInterrupted.store(false);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() {
    return g_bInterrupted.load();
}

bool ReconnectSession(std::unique_ptr<CCtlSession>& session, const BoardAddress* pBoard,
                      const std::atomic<bool>* pStop) {
    const auto stopped = [pStop] { return g_bInterrupted.load() || (pStop != nullptr && pStop->load()); };
    constexpr auto kFirstPause = 1s;
    constexpr auto kLongestPause = 10s;
    auto pause = Clock::duration(kFirstPause);
    // A device node that comes back, or a serial server that listens again,
    // is tried at once, not at the next turn.
    const std::unique_ptr<IReturnWatch> watch =
        WatchForReturn(session ? session->PortPath() : std::string());
    for (;;) {
        PrintError("the board is out of reach; trying again in " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(pause).count()) +
                   " s");
        const Clock::time_point until = Clock::now() + pause;
        while (Clock::now() < until && !stopped() && !(watch && watch->TakeAppeared())) {
            std::this_thread::sleep_for(20ms);
        }
        if (stopped()) {
            return false;
        }
        session.reset();  // the old link lets go of its port first
        session = std::make_unique<CCtlSession>(pBoard);
        if (session->Load() == kExitOk) {
            PrintError("the board answers again");
            return true;
        }
        pause = std::min<Clock::duration>(pause * 2, kLongestPause);
    }
}

int LoadForWriting(std::unique_ptr<CCtlSession>& session) {
    constexpr int kTries = 2;
    for (int nTry = 1; nTry <= kTries; ++nTry) {
        session.reset();  // an old link lets go of its port first
        session = std::make_unique<CCtlSession>();
        if (const int nExit = session->Load(); nExit != kExitOk) {
            return nExit;
        }
        if (session->Link().IsDescriptionConfirmed()) {
            return kExitOk;
        }
        if (nTry < kTries) {
            PrintError("reading the board's description once more before writing");
        }
    }
    PrintError(
        "nothing was written: the board's description did not come whole, and a letter of the "
        "one kept from before may now mean another item (try again; power actions still work)");
    return kExitDescription;
}
