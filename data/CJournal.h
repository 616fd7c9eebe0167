#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The record of everything Tunevo and tunevoctl sent that changes the
// board or its PC: writes with their before and after values, power
// actions, and start-ups seen to finish. One JSON object a line in
// journal.jsonl in Tunevo's folder, only ever appended, so a crash of
// either program (or of the PC beside it) leaves every earlier line whole.

using JournalClock = std::chrono::system_clock;

// One item of a write.
struct JournalItem {
    std::string strName;
    std::string strArray;     // the section it belongs to: Over_Volt, Over_Freq, Over_Ratio
    std::string strBefore;    // raw value last read from the board; empty when none was
    std::string strAsked;     // raw value sent
    bool bAcknowledged = false;
    std::string strReadBack;  // raw value read afterwards; empty when not read
    // The same values as the user reads them, and the unit, for showing.
    std::string strShownBefore;
    std::string strShownAsked;
    std::string strShownReadBack;
    std::string strUnit;

    // What the board holds after the write, as far as it is known.
    const std::string& Left() const {
        return !strReadBack.empty() ? strReadBack : bAcknowledged ? strAsked : strBefore;
    }
    // The board took something other than what was asked (limited or refused).
    bool ReadBackDiffers() const { return !strReadBack.empty() && strReadBack != strAsked; }
    // The write moved the item away from its value before.
    bool Changed() const { return !strBefore.empty() && Left() != strBefore; }
};

// What a line records.
enum class EJournalAction {
    Apply,    // the user's values written: window, set, profile load
    Undo,     // the values before an earlier write, written back on request
    Revert,   // the same, because a change was not kept
    Recover,  // the same, after a start-up stalled
    Power,    // a power action or clear CMOS
    Started,  // a start-up seen to reach the ready code
};
const char* ActionName(EJournalAction action);
std::optional<EJournalAction> ActionFromName(const std::string& strName);

struct JournalEntry {
    JournalClock::time_point time;
    std::string strId;       // unique in the journal: the time in microseconds and the process
    std::string strProgram;  // tunevo or tunevoctl
    std::string strCommand;  // what the user did: "apply", "set", "profile load 1", "power reset"
    EJournalAction action = EJournalAction::Apply;
    std::string strAddress;  // where the board was reached
    std::string strBoard;    // its description's version
    std::vector<JournalItem> items;
    std::string strUndoes;   // Undo, Revert, Recover: the id of the entry written back
    std::string strPower;    // Power: on, off, force-off, reset, clear-cmos
    bool bOk = true;         // every write or the action acknowledged
    std::string strNote;     // Started: the ready code; otherwise what went wrong

    bool IsWrite() const {
        return action == EJournalAction::Apply || action == EJournalAction::Undo ||
               action == EJournalAction::Revert || action == EJournalAction::Recover;
    }
    bool ChangedSomething() const;
};

// A new entry stamped now with a fresh id.
JournalEntry NewJournalEntry(std::string strProgram, std::string strCommand,
                             EJournalAction action);

std::string JournalLine(const JournalEntry& entry);
// The entry a line holds; nothing for a line that is not one.
std::optional<JournalEntry> ParseJournalLine(const std::string& strLine);

class CJournal {
public:
    // Past this size the file is moved aside before the next line.
    static constexpr uintmax_t kRotateBytes = 1024 * 1024;
    // journal.1.jsonl ... journal.3.jsonl are kept; the oldest goes.
    static constexpr int kKeptFiles = 3;

    // The journal in the folder (Tunevo's folder when empty), moved aside
    // past nRotateBytes.
    explicit CJournal(std::string strFolder = {}, uintmax_t nRotateBytes = kRotateBytes);

    const std::string& Path() const { return m_strPath; }

    // Appends the entry in one write and hands it to the disk. False when it
    // could not; the first failure's reason is kept in Problem() once, for
    // the caller to say, and later ones are quiet.
    bool Append(const JournalEntry& entry);
    // The failure not yet said, taken: empty when there is none.
    std::string TakeProblem();

    struct Contents {
        std::vector<JournalEntry> entries;  // oldest first, over every kept file
        std::vector<std::string> notes;     // lines passed over, and why
    };
    // Every entry of the kept files; a missing journal is an empty one.
    Contents Read() const;

private:
    std::string RotatedPath(int nNumber) const;
    void RotateIfLarge();

    std::string m_strPath;
    uintmax_t m_nRotateBytes;
    bool m_bFailed = false;
    std::string m_strProblem;
};

// The newest write of this board that changed something: what an undo
// writes back. Nothing when there is none.
std::optional<JournalEntry> LastChangingWrite(const std::vector<JournalEntry>& entries,
                                              const std::string& strBoard);
// The same, but only when it came after the newest start-up this board was
// seen to finish: what a start-up that stalls may owe to it.
std::optional<JournalEntry> WriteSinceLastStart(const std::vector<JournalEntry>& entries,
                                                const std::string& strBoard);
