// tunevo-board: serves the simulated board on a pseudo-terminal until stopped.

#include <cctype>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/CBoardModel.h"
#include "sim/CPtyBoardServer.h"

namespace {

const std::map<std::string_view, EBoardFault> kFaultNames = {
    {"none", EBoardFault::None},
    {"no-reply", EBoardFault::NoReply},
    {"bad-checksum", EBoardFault::WrongChecksum},
    {"wrong-letter", EBoardFault::WrongLetter},
    {"garbage", EBoardFault::Garbage},
    {"late", EBoardFault::LateReply},
    {"corrupt-chunks", EBoardFault::CorruptChunks},
    {"lost-chunk", EBoardFault::LostChunk},
    {"short", EBoardFault::ShortReply},
    {"doubled", EBoardFault::DoubledReply},
    {"chunk-pause", EBoardFault::ChunkPausesAtChecksum},
};

void PrintUsage(std::FILE* pOut) {
    std::fputs(
        "Usage: tunevo-board --link PATH [--board FILE] [--chunks N] [--fault KIND]\n"
        "                    [--fault-only LETTER] [--noise PERCENT] [--off] [--locked] [--lock-at "
        "S[+D]]...\n"
        "                    [--latency MS] [--pieces N] [--post-step MS]\n"
        "\n"
        "Serves a simulated Tunevo board on a pseudo-terminal and makes PATH a\n"
        "symbolic link to it. With PATH /tmp/x/rfcomm5, run tunevo with\n"
        "TUNEVO_PORT_PATTERN=/tmp/x/rfcomm%d and it finds the board on port 5.\n"
        "\n"
        "  --link PATH    where to put the link to the terminal (required)\n"
        "  --board FILE   the board description to serve (the built-in demo board)\n"
        "  --chunks N     serve the description in N chunks, 0 to 255\n"
        "                 (default: as many as needed for 240 bytes each)\n"
        "  --fault KIND   none, no-reply, bad-checksum, wrong-letter, garbage, late,\n"
        "                 corrupt-chunks (first try of each chunk damaged),\n"
        "                 lost-chunk (chunk 1 always answered as chunk 2),\n"
        "                 short (replies cut to four bytes),\n"
        "                 doubled (each reply sent twice in a row),\n"
        "                 chunk-pause (chunks stop 30 ms where their start passes the\n"
        "                 checksum)\n"
        "  --fault-only LETTER\n"
        "                 spoil only replies to this command letter: a character\n"
        "                 (p) or a number (0x04 for power actions, 122 for chunks)\n"
        "  --noise PERCENT\n"
        "                 spoil that share of replies at random, 0 to 100: damaged,\n"
        "                 dropped, cut short, late or garbage\n"
        "  --latency MS   answer each request MS milliseconds later, as a radio link\n"
        "                 does (0 to 1000)\n"
        "  --pieces N     send each reply in N pieces 5 ms apart, 1 to 16\n"
        "  --post-step MS show each start-up POST code this long (300; 10 to 10000)\n"
        "  --off          start with the PC switched off\n"
        "  --locked       start with the board's lock closed\n"
        "  --lock-at S[+D]\n"
        "                 close the lock S seconds after start, for D seconds\n"
        "                 (for good without +D); may be given more than once\n"
        "  --help         this text\n"
        "\n"
        "Type commands on standard input while it runs: lock, unlock, auto (back\n"
        "to the schedule), on, off (switch the PC at once), status, help, and\n"
        "set NAME=RAW to hold a monitored item at a raw value (set Pump=0 stops\n"
        "the pump), set NAME=auto to let it move again.\n"
        "\n"
        "A start-up (power on or reset) that begins while an over-clock voltage\n"
        "stands above its second threshold (the tenth field of its line; CPU\n"
        "Vcore above 1.400 V on the demo board) stops at POST code 15, memory\n"
        "training, as a board with a bad over-clock does; the next start-up with\n"
        "the values back in range runs through to 00.\n"
        "Runs until interrupted (Ctrl+C) or terminated.\n",
        pOut);
}

bool ParseSeconds(std::string_view text, std::chrono::milliseconds& duration) {
    const std::string strText(text);
    char* pszEnd = nullptr;
    const double dSeconds = std::strtod(strText.c_str(), &pszEnd);
    if (strText.empty() || *pszEnd != '\0' || !(dSeconds >= 0) || dSeconds > 1e6) {
        return false;
    }
    duration = std::chrono::milliseconds(std::lround(dSeconds * 1000));
    return true;
}

// "S" or "S+D", in seconds.
bool ParseLockWindow(std::string_view text, CBoardModel::LockWindow& window) {
    const size_t nPlus = text.find('+');
    if (!ParseSeconds(text.substr(0, nPlus), window.start)) {
        return false;
    }
    if (nPlus != std::string_view::npos) {
        std::chrono::milliseconds duration{};
        if (!ParseSeconds(text.substr(nPlus + 1), duration)) {
            return false;
        }
        window.duration = duration;
    }
    return true;
}

// A single character stands for itself; anything else is a number (0x.. hex).
bool ParseLetter(std::string_view text, uint8_t& nLetter) {
    if (text.size() == 1 && !std::isdigit(static_cast<unsigned char>(text[0]))) {
        nLetter = static_cast<uint8_t>(text[0]);
        return true;
    }
    const std::string strText(text);
    char* pszEnd = nullptr;
    const long nValue = std::strtol(strText.c_str(), &pszEnd, 0);
    if (strText.empty() || *pszEnd != '\0' || nValue < 0 || nValue > 255) {
        return false;
    }
    nLetter = static_cast<uint8_t>(nValue);
    return true;
}

void PrintStatus(const CBoardModel& board) {
    std::printf("power %s, lock %s, poster %02X (mode %d)\n", board.IsPoweredOn() ? "on" : "off",
                board.IsLocked() ? "closed" : "open", board.PosterCode(), board.PosterMode());
    std::fflush(stdout);
}

// "set NAME=RAW" or "set NAME=auto": holds or releases a monitored value.
void RunSetCommand(CBoardModel& board, std::string_view command) {
    const size_t nEquals = command.rfind('=');
    if (nEquals == std::string_view::npos) {
        std::puts("usage: set NAME=RAW or set NAME=auto");
        std::fflush(stdout);
        return;
    }
    const std::string strName(command.substr(0, nEquals));
    const std::string strValue(command.substr(nEquals + 1));
    std::optional<long> nValue;
    if (strValue != "auto") {
        char* pszEnd = nullptr;
        nValue = std::strtol(strValue.c_str(), &pszEnd, 10);
        if (strValue.empty() || *pszEnd != '\0') {
            std::printf("'%s' is no raw value (a whole number, or auto)\n", strValue.c_str());
            std::fflush(stdout);
            return;
        }
    }
    if (!board.HoldValue(strName, nValue)) {
        std::printf("the board has no monitored item '%s'\n", strName.c_str());
    } else if (nValue) {
        std::printf("%s held at %ld\n", strName.c_str(), *nValue);
    } else {
        std::printf("%s moves again\n", strName.c_str());
    }
    std::fflush(stdout);
}

// Reads console commands until standard input ends; the board keeps serving.
void RunConsole(CBoardModel& board) {
    std::string strLine;
    while (std::getline(std::cin, strLine)) {
        if (strLine.rfind("set ", 0) == 0) {
            RunSetCommand(board, std::string_view(strLine).substr(4));
            continue;
        }
        if (strLine == "lock") {
            board.SetLocked(true);
        } else if (strLine == "unlock") {
            board.SetLocked(false);
        } else if (strLine == "auto") {
            board.SetLocked(std::nullopt);
        } else if (strLine == "on" || strLine == "off") {
            board.SetPoweredOn(strLine == "on");
        } else if (strLine == "status") {
            // printed below
        } else if (strLine == "help" || strLine.empty()) {
            std::puts("commands: lock, unlock, auto, on, off, status, set NAME=RAW|auto, help");
            std::fflush(stdout);
            continue;
        } else {
            std::printf("unknown command '%s' (try help)\n", strLine.c_str());
            std::fflush(stdout);
            continue;
        }
        PrintStatus(board);
    }
}

// A whole number from 0 to nMost.
bool ParseCount(const char* pszText, int nMost, int& nCount) {
    char* pszEnd = nullptr;
    long nValue = std::strtol(pszText, &pszEnd, 10);
    if (pszEnd == pszText || *pszEnd != '\0' || nValue < 0 || nValue > nMost) {
        return false;
    }
    nCount = static_cast<int>(nValue);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string strLink;
    std::string strBoardFile;
    int nChunks = -1;
    EBoardFault fault = EBoardFault::None;
    std::optional<uint8_t> nFaultLetter;
    int nNoise = 0;
    int nLatencyMs = 0;
    int nPieces = 1;
    int nPostStepMs = static_cast<int>(CBoardModel::kPostCodeStep.count());
    bool bStartOff = false;
    bool bStartLocked = false;
    std::vector<CBoardModel::LockWindow> lockWindows;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("tunevo-board " TUNEVO_VERSION);
            return 0;
        }
        if (arg == "--link" && bHasValue) {
            strLink = argv[++i];
        } else if (arg == "--board" && bHasValue) {
            strBoardFile = argv[++i];
        } else if (arg == "--chunks" && bHasValue) {
            if (!ParseCount(argv[++i], 255, nChunks)) {
                std::fprintf(stderr, "tunevo-board: --chunks takes a number from 0 to 255\n");
                return 2;
            }
        } else if (arg == "--fault" && bHasValue) {
            auto it = kFaultNames.find(argv[++i]);
            if (it == kFaultNames.end()) {
                std::fprintf(stderr, "tunevo-board: unknown fault '%s'\n", argv[i]);
                return 2;
            }
            fault = it->second;
        } else if (arg == "--fault-only" && bHasValue) {
            uint8_t nLetter = 0;
            if (!ParseLetter(argv[++i], nLetter)) {
                std::fprintf(stderr, "tunevo-board: --fault-only takes a character or 0 to 255\n");
                return 2;
            }
            nFaultLetter = nLetter;
        } else if (arg == "--noise" && bHasValue) {
            if (!ParseCount(argv[++i], 100, nNoise)) {
                std::fprintf(stderr, "tunevo-board: --noise takes a percentage from 0 to 100\n");
                return 2;
            }
        } else if (arg == "--latency" && bHasValue) {
            if (!ParseCount(argv[++i], 1000, nLatencyMs)) {
                std::fprintf(stderr, "tunevo-board: --latency takes milliseconds from 0 to 1000\n");
                return 2;
            }
        } else if (arg == "--pieces" && bHasValue) {
            if (!ParseCount(argv[++i], 16, nPieces) || nPieces < 1) {
                std::fprintf(stderr, "tunevo-board: --pieces takes a number from 1 to 16\n");
                return 2;
            }
        } else if (arg == "--post-step" && bHasValue) {
            if (!ParseCount(argv[++i], 10000, nPostStepMs) || nPostStepMs < 10) {
                std::fprintf(stderr, "tunevo-board: --post-step takes 10 to 10000 milliseconds\n");
                return 2;
            }
        } else if (arg == "--off") {
            bStartOff = true;
        } else if (arg == "--locked") {
            bStartLocked = true;
        } else if (arg == "--lock-at" && bHasValue) {
            CBoardModel::LockWindow window;
            if (!ParseLockWindow(argv[++i], window)) {
                std::fprintf(stderr, "tunevo-board: --lock-at takes S or S+D, in seconds\n");
                return 2;
            }
            lockWindows.push_back(window);
        } else {
            std::fprintf(stderr, "tunevo-board: unexpected argument '%s'\n\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
    }
    if (strLink.empty()) {
        std::fprintf(stderr, "tunevo-board: --link PATH is required\n\n");
        PrintUsage(stderr);
        return 2;
    }

    // Block the stop signals before any thread starts, then wait for one.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CBoardDescription description = CBoardDescription::Demo();
    std::string strError;
    if (!strBoardFile.empty() && !description.LoadFile(strBoardFile, strError)) {
        std::fprintf(stderr, "tunevo-board: %s\n", strError.c_str());
        return 2;
    }
    auto pBoard = std::make_shared<CBoardModel>(std::move(description));
    if (nChunks >= 0) {
        pBoard->SetChunkCount(nChunks);
    }
    pBoard->SetFault(fault, nFaultLetter);
    pBoard->SetNoise(nNoise);
    pBoard->SetRadio(std::chrono::milliseconds(nLatencyMs), nPieces);
    pBoard->SetPostCodeStep(std::chrono::milliseconds(nPostStepMs));
    pBoard->SetPoweredOn(!bStartOff);
    if (bStartLocked) {
        pBoard->SetLocked(true);
    }
    pBoard->SetLockSchedule(std::move(lockWindows));
    CPtyBoardServer server(pBoard);
    if (!server.Start(strLink, strError)) {
        std::fprintf(stderr, "tunevo-board: %s\n", strError.c_str());
        return 1;
    }
    std::printf("tunevo-board: serving %zu items in %d chunks on %s, linked at %s\n",
                pBoard->Description().Items().size(), pBoard->ChunkCount(),
                server.TerminalPath().c_str(), strLink.c_str());
    std::fflush(stdout);

    // The console thread may stay blocked on input; the process ends anyway.
    std::thread console([pBoard] { RunConsole(*pBoard); });
    console.detach();

    int nSignal = 0;
    sigwait(&signals, &nSignal);
    server.Stop();
    return 0;
}
