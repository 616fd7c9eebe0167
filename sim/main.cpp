// tunevo-board: serves the simulated board on a pseudo-terminal until stopped.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>

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
};

void PrintUsage(std::FILE* pOut) {
    std::fputs(
        "Usage: tunevo-board --link PATH [--board FILE] [--chunks N] [--fault KIND]\n"
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
        "                 short (replies cut to four bytes)\n"
        "  --help         this text\n"
        "\n"
        "Runs until interrupted (Ctrl+C) or terminated.\n",
        pOut);
}

bool ParseChunks(const char* pszText, int& nChunks) {
    char* pszEnd = nullptr;
    long nValue = std::strtol(pszText, &pszEnd, 10);
    if (pszEnd == pszText || *pszEnd != '\0' || nValue < 0 || nValue > 255) {
        return false;
    }
    nChunks = static_cast<int>(nValue);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string strLink;
    std::string strBoardFile;
    int nChunks = -1;
    EBoardFault fault = EBoardFault::None;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--link" && bHasValue) {
            strLink = argv[++i];
        } else if (arg == "--board" && bHasValue) {
            strBoardFile = argv[++i];
        } else if (arg == "--chunks" && bHasValue) {
            if (!ParseChunks(argv[++i], nChunks)) {
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
    pBoard->SetFault(fault);
    CPtyBoardServer server(pBoard);
    if (!server.Start(strLink, strError)) {
        std::fprintf(stderr, "tunevo-board: %s\n", strError.c_str());
        return 1;
    }
    std::printf("tunevo-board: serving %zu items in %d chunks on %s, linked at %s\n",
                pBoard->Description().Items().size(), pBoard->ChunkCount(),
                server.TerminalPath().c_str(), strLink.c_str());
    std::fflush(stdout);

    int nSignal = 0;
    sigwait(&signals, &nSignal);
    server.Stop();
    return 0;
}
