#include "ctl/CmdSet.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <map>
#include <memory>
#include <optional>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/TextCase.h"
#include "data/Utf.h"
#include "data/ValueText.h"
#include "link/ItemText.h"
#include "link/Recording.h"

namespace {

std::optional<FoundItem> FindOverclockItem(CCtlSession& session, const std::u16string& name) {
    for (EBoardArray array : kOverclockArrays) {
        const BoardItemArray items = session.Link().GetArray(array);
        for (size_t i = 0; i < items.size(); ++i) {
            if (EqualsNoCase(items[i].Name, name)) {
                return FoundItem{array, i};
            }
        }
    }
    return std::nullopt;
}

// The item's shown text for a raw value.
std::string ShownOf(EBoardArray array, BoardItem item, long nRaw) {
    item.Value = ToText(nRaw);
    return ShownText(array, item);
}

// The two raw steps a shown value lies between; nothing when it is a step.
std::optional<std::pair<long, long>> StepsAround(const BoardItem& item,
                                                 const std::u16string& value) {
    double dMul = LeadingNumber(item.Mul);
    double dDiv = LeadingNumber(item.Div);
    dMul = dMul == 0 ? 1 : dMul;
    dDiv = dDiv == 0 ? 1 : dDiv;
    const double dRaw = LeadingNumber(value) * dDiv / dMul;
    const double dLower = std::floor(dRaw);
    // Typed decimals are not exact in binary: a millionth of a step is no step.
    constexpr double kTolerance = 1e-6;
    if (dRaw - dLower <= kTolerance || dLower + 1 - dRaw <= kTolerance) {
        return std::nullopt;
    }
    return std::pair{static_cast<long>(dLower), static_cast<long>(dLower) + 1};
}

enum class EKeepAnswer { Keep, Revert, EndOfInput, TimedOut };

// Asks on standard input, counting down on standard error; only "y" or
// "yes" keeps. The end of input answers at once.
EKeepAnswer AskToKeep(int nSeconds) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    std::string strLine;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::seconds>(until -
                                                                  std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            std::fputc('\n', stderr);
            return EKeepAnswer::TimedOut;
        }
        std::fprintf(stderr, "\rKeep these values? [y/N] (reverting in %3lld s) ",
                     static_cast<long long>(left.count()));
        std::fflush(stderr);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int nReady = ::poll(&input, 1, 1000);
        if (Interrupted()) {
            std::fputc('\n', stderr);
            return EKeepAnswer::Revert;  // Ctrl+C is no yes
        }
        if (nReady <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t nRead = ::read(STDIN_FILENO, &c, 1);
        if (nRead <= 0) {
            std::fputc('\n', stderr);
            return EKeepAnswer::EndOfInput;
        }
        if (c != '\n') {
            strLine += c;
            continue;
        }
        const std::u16string answer = FromUtf8(strLine);
        return EqualsNoCase(answer, u"y") || EqualsNoCase(answer, u"yes") ? EKeepAnswer::Keep
                                                                          : EKeepAnswer::Revert;
    }
}

// After a write the user asked to confirm: keeps it on a yes, and otherwise
// writes back the values before. The board may have gone meanwhile: it is
// waited for as long again as the countdown was.
int KeepOrRevert(std::unique_ptr<CCtlSession>& pSession, const JournalEntry& written,
                 int nSeconds, int nExitOfWrite) {
    WatchForInterrupt();
    const EKeepAnswer answer = AskToKeep(nSeconds);
    if (answer == EKeepAnswer::Keep) {
        std::printf("kept\n");
        return nExitOfWrite;
    }
    PrintError(answer == EKeepAnswer::TimedOut ? "no answer: writing back the values before"
                                               : "not kept: writing back the values before");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    for (;;) {
        const UndoPlan plan = PlanUndo(written, pSession->Link());
        if (plan.items.empty()) {
            std::printf("the board holds the values before again\n");
            return kExitNotKept;
        }
        const int nExit = WriteBack(*pSession, plan, false,
                                    {"set --confirm (reverted)", EJournalAction::Revert, written.strId});
        if (nExit != kExitLinkLost) {
            return nExit == kExitOk ? kExitNotKept : nExit;
        }
        // Lost: wait for the board to come back, then write back what is left.
        bool bBack = false;
        while (!bBack && std::chrono::steady_clock::now() < until && !Interrupted()) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            bBack = LoadForWriting(pSession) == kExitOk;
        }
        if (!bBack) {
            std::string strNames;
            for (const JournalItem& item : written.items) {
                if (item.Changed()) {
                    strNames += (strNames.empty() ? "" : ", ") + item.strName + " (was " +
                                item.strShownBefore + " " + item.strUnit + ")";
                }
            }
            PrintError("the board did not come back within " + std::to_string(nSeconds) +
                       " s; not restored: " + strNames);
            return kExitLinkLost;
        }
    }
}

}  // namespace

int RunSet(const SetOptions& options) {
    const bool bClamp = options.bClamp;
    std::vector<std::pair<std::u16string, std::string>> edits;
    for (const std::string& strArg : options.assignments) {
        const size_t nEquals = strArg.find('=');
        if (nEquals == std::string::npos || nEquals == 0) {
            return Usage("'" + strArg + "' is not NAME=VALUE");
        }
        const std::string strValue = strArg.substr(nEquals + 1);
        if (strValue.empty()) {
            PrintError("no value given for " + strArg.substr(0, nEquals));
            return kExitNotANumber;
        }
        if (!IsPlainNumber(strValue)) {
            PrintError("'" + strValue + "' for " + strArg.substr(0, nEquals) +
                       " is not a number; give the value in the shown unit, without the "
                       "unit (for example 1.25 for 1.25 [V])");
            return kExitNotANumber;
        }
        edits.emplace_back(FromUtf8(strArg.substr(0, nEquals)), strValue);
    }
    if (edits.empty()) {
        return Usage("set needs at least one NAME=VALUE");
    }

    std::unique_ptr<CCtlSession> pSession;
    if (const int nExit = LoadForWriting(pSession); nExit != kExitOk) {
        return nExit;
    }
    CCtlSession& session = *pSession;
    std::map<EBoardArray, BoardItemArray> arrays;
    for (EBoardArray array : kOverclockArrays) {
        arrays[array] = session.Link().GetArray(array);
    }
    // Every value is checked before anything is sent.
    std::vector<FoundItem> named;
    for (const auto& [name, strValue] : edits) {
        const std::optional<FoundItem> found = FindOverclockItem(session, name);
        if (!found) {
            PrintError("no over-clock item is called '" + ToUtf8(name) +
                       "' (tunevoctl info lists them)");
            return kExitUnknownItem;
        }
        BoardItem& item = arrays[found->array][found->nIndex];
        if (item.bWriteBlocked) {
            PrintError(ToUtf8(item.Name) +
                       ": another item of the board's description reads its letter, so it is "
                       "never written; nothing was sent");
            return kExitFailure;
        }
        if (!HasKnownRange(item)) {
            PrintError(ToUtf8(item.Name) +
                       ": the board did not say its range; nothing was sent, try again");
            return kExitNoAnswer;
        }
        const std::u16string value = FromUtf8(strValue);
        const std::u16string raw =
            ShownTextToRaw(value, item.Mul, item.Div, WToL(item.Min), WToL(item.Max));
        if (raw != ShownTextToRaw(value, item.Mul, item.Div, -kWToLLimit, kWToLLimit)) {
            BoardItem lowest = item;
            BoardItem highest = item;
            lowest.Value = item.Min;
            highest.Value = item.Max;
            const std::string strRange = ShownText(found->array, lowest) + " to " +
                                         ShownText(found->array, highest) + " " +
                                         std::string(UnitOf(found->array));
            if (!bClamp) {
                PrintError(ToUtf8(item.Name) + ": " + strValue + " is outside its range, " +
                           strRange + "; nothing was sent (--clamp limits it instead)");
                return kExitOutOfRange;
            }
            BoardItem limited = item;
            limited.Value = raw;
            PrintError(ToUtf8(item.Name) + ": " + strValue + " is outside its range, " + strRange +
                       "; " + ShownText(found->array, limited) + " is set instead");
        }
        std::u16string chosen = raw;
        if (raw == ShownTextToRaw(value, item.Mul, item.Div, -kWToLLimit, kWToLLimit)) {
            // Inside the range: the value must be one of the item's steps.
            const std::optional<std::pair<long, long>> steps = StepsAround(item, value);
            if (steps) {
                const std::string strBetween = ShownOf(found->array, item, steps->first) + " and " +
                                               ShownOf(found->array, item, steps->second) + " " +
                                               std::string(UnitOf(found->array));
                if (!options.bRound) {
                    PrintError(ToUtf8(item.Name) + ": " + strValue +
                               " lies between two of its steps, " + strBetween +
                               "; nothing was sent (--round takes the nearer one)");
                    return kExitOutOfRange;
                }
                PrintError(ToUtf8(item.Name) + ": " + strValue + " lies between " + strBetween +
                           "; " + ShownOf(found->array, item, WToL(raw)) + " is set instead");
            }
        }
        if (!FitsSetFrame(item, WToL(chosen))) {
            const auto [nLowest, nHighest] = SetFrameLimits(item);
            PrintError(ToUtf8(item.Name) + ": " + strValue + " is raw " + ToUtf8(chosen) +
                       ", which its setting cannot carry (raw " + std::to_string(nLowest) + " to " +
                       std::to_string(nHighest) + "); nothing was sent");
            return kExitOutOfRange;
        }
        item.Value = chosen;
        item.bUserSet = true;
        named.push_back(*found);
    }

    JournalEntry written;
    const int nExit =
        WriteAndReadBack(session, arrays, named, {"set", EJournalAction::Apply, {}}, &written);
    if (options.nConfirmSeconds <= 0 || !written.ChangedSomething() || nExit == kExitLinkLost) {
        return nExit;
    }
    return KeepOrRevert(pSession, written, options.nConfirmSeconds, nExit);
}
