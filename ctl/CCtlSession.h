#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "link/BoardAddress.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"

// Exit codes of tunevoctl, one per way a command can end.
enum ECtlExit : int {
    kExitOk = 0,
    kExitFailure = 1,      // anything else: a file that cannot be written, ...
    kExitUsage = 2,        // the command line is wrong
    kExitNoBoard = 3,      // no port answered
    kExitRadioOff = 4,     // the Bluetooth radio is switched off
    kExitLinkLost = 5,     // the board went away during the command
    kExitUnknownItem = 6,  // set: no over-clock item has that name
    kExitNotANumber = 7,   // set: the value is not a plain number
    kExitRefused = 8,      // the board's state forbids the command (clear CMOS while on)
    kExitNoAnswer = 9,     // the board did not acknowledge or answer
    kExitDeclined = 10,    // the user said no at the confirmation
    kExitOutOfRange = 11,  // set: the value lies outside the item's range
    kExitNoProfile = 12,   // profile load: nothing saved in it for this board
    // A write was refused: the board's description did not come whole, and
    // the one kept from before may not match the board.
    kExitDescription = 13,
    kExitStalled = 14,       // boot-watch: the start-up stalled and was not brought back
    kExitNothingToUndo = 15, // undo: no write of this board's changed anything
    kExitNotKept = 16,       // set --confirm: the change was not kept and was reverted
};

// One connection to the board for one command: the link object the program
// uses, on the real machine, with a record of its reports.
class CCtlSession {
public:
    // The board given, else the one named for every session, else a search.
    explicit CCtlSession(const BoardAddress* pBoard = nullptr);
    // From now on every session opens this board instead of searching the ports.
    static void UseBoard(std::optional<BoardAddress> address);
    // From now on every session's link starts in this timing.
    static void UseTiming(ELinkTiming timing);
    CCtlSession(const CCtlSession&) = delete;
    CCtlSession& operator=(const CCtlSession&) = delete;

    // Finds the board. kExitOk, or the exit code with the message printed.
    int Connect();
    // Finds the board unless found, downloads its configuration beside the
    // program and reads the over-clock values, as the program does at start-up.
    int Load();
    // Reads one array's values anew; false when the board did not answer
    // every value. Blocks for the exchanges.
    bool Refresh(EBoardArray array);

    CDeviceLink& Link() { return *m_pLink; }
    CRecordingListener& Reports() { return m_listener; }
    // Where the board was found.
    const std::string& PortPath() const { return m_strPortPath; }

    // True (after printing why) when the link reported itself lost.
    bool LinkLost();

private:
    class CRecordingOpener;
    // Records the reports, and shows the start-up's progress as they come.
    class CProgressListener final : public CRecordingListener {
    public:
        void OnProgress(EProgress step, int n, int nOf) override;
        // Says on standard error when the link falls back to fixed timing.
        void OnLinkError(int nKind, std::string strText) override;
        // Names the ports tried; set once the link exists.
        const CDeviceLink* m_pLink = nullptr;
    };

    // Declared before the link, which reports to it until it is torn down.
    CProgressListener m_listener;
    std::shared_ptr<CRecordingOpener> m_pOpener;
    std::shared_ptr<IRadio> m_pRadio;
    std::unique_ptr<CDeviceLink> m_pLink;
    std::string m_strPortPath;
};

// The rfkill folder: the kernel's, unless TUNEVO_RFKILL_DIR names another.
std::filesystem::path RfkillFolder();

// Prints "tunevoctl: " and the message to standard error.
void PrintError(const std::string& strMessage);
// From now on this thread's messages start with the board's name.
void NameBoardInMessages(const std::string& strBoard);
