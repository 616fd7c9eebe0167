#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ctl/CCtlSession.h"
#include "data/CJournal.h"
#include "link/UndoPlan.h"

// What several of tunevoctl's commands share: the usage and no-answer
// exits, the confirmation, the interrupt flag, the reconnect, reading the
// monitored arrays, and writing over-clock items with their read-back.

// Prints the message with a pointer to the help; the usage exit code.
int Usage(const std::string& strMessage);
// The board stopped answering: kExitLinkLost when lost (said already), else
// kExitNoAnswer after saying what went unanswered.
int NoAnswer(CCtlSession& session, const std::string& strWhat);
// Asks on the terminal (or whatever feeds standard input); yes only for "y" or "yes".
bool Confirm(const std::string& strQuestion);

// SIGINT and SIGTERM from now on end a long command at its next check.
void WatchForInterrupt();
bool Interrupted();
// Starts a new session (for the board given, else the one every session
// opens) until the board answers again, waiting 1 s, then twice as long
// each time up to 10 s. False when interrupted, or stopped, meanwhile.
bool ReconnectSession(std::unique_ptr<CCtlSession>& session, const BoardAddress* pBoard = nullptr,
                      const std::atomic<bool>* pStop = nullptr);

// A typed value is a plain decimal number: an optional sign, digits and at
// most one point, nothing else (no unit, no blanks).
bool IsPlainNumber(const std::string& strText);

// Reads every monitored array, showing progress for sample nSample; false
// when the link was lost. Arrays not answered whole are said and marked.
bool RefreshMonitor(CCtlSession& session, int nSample);

// Loads the board for a command that writes to it. When this connection
// did not download the board's description whole, a new one tries once
// more; still without it, nothing may be written (kExitDescription, said).
// kExitOk, or the exit code with the message printed.
int LoadForWriting(std::unique_ptr<CCtlSession>& session);

// An over-clock item, by its array and place in it.
struct FoundItem {
    EBoardArray array;
    size_t nIndex;
};

// How a write is journalled: the command the user gave, and what it is.
struct WriteJournal {
    std::string strCommand;
    EJournalAction action = EJournalAction::Apply;
    std::string strUndoes;  // the entry an undo, revert or recovery writes back
};

// Appends to Tunevo's journal; the first failure is said once on standard
// error, and none of them stops the command.
void AppendToJournal(const JournalEntry& entry);
// The journal's entries, saying on standard error each line passed over.
std::vector<JournalEntry> ReadJournal();

// Writes the items marked bUserSet in the arrays, prints each write, reads
// the board back, prints the named items as it now holds them, and
// journals it all. The exit code: kExitOk only when every write was
// acknowledged and read back as sent. pWritten, when given, receives the
// journal's entry.
int WriteAndReadBack(CCtlSession& session, std::map<EBoardArray, BoardItemArray>& arrays,
                     const std::vector<FoundItem>& named, const WriteJournal& journal,
                     JournalEntry* pWritten = nullptr);

// Prints what writing the plan back would do, one item a line, changed-since
// items marked.
void PrintUndoPlan(const UndoPlan& plan);
// Writes back the plan's values before (items changed since only with
// bWithChangedSince) through the apply path, and journals it. The exit code
// of WriteAndReadBack; kExitFailure when nothing could be staged.
int WriteBack(CCtlSession& session, const UndoPlan& plan, bool bWithChangedSince,
              const WriteJournal& journal, JournalEntry* pWritten = nullptr);
