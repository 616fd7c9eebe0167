// tunevoctl boards: every board this machine can see, by BlueZ's paired
// devices with the Serial Port profile and by the serial devices of the
// port pattern, and whether each answered the open frame.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ctl/CCtlSession.h"
#include "ctl/CmdBoards.h"
#include "link/CNamedBoardOpener.h"
#include "link/PortSearch.h"
#include "link/Protocol.h"
#include "platform/BluezBoards.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CRfkillRadio.h"
#include "platform/CSteadyClock.h"

namespace {

struct SeenBoard {
    std::string strTransport;
    std::string strName;
    BoardAddress address;
    bool bPaired = false;
    bool bAnswered = false;
};

// Whether the board answers the open frame, as the port search asks it.
bool Answers(const BoardAddress& address) {
    // A probe: the next tunevo still asks which board, as before the listing.
    CNamedBoardOpener opener(address, CNamedBoardOpener::ERemember::No);
    CRfkillRadio radio(RfkillFolder());
    CSteadyClock clock;
    bool bHeld = false;
    return FindBoardPort(radio, opener, clock, {}, bHeld) != nullptr;
}

// BlueZ's side, or a note on standard error on why it is missing.
void AddBluezBoards(std::vector<SeenBoard>& seen) {
    const BluezView view = ReadBluezBoards();
    switch (view.state) {
        case BluezView::EState::NoSystemBus:
            PrintError("note: no system bus (" + view.strProblem +
                       "); paired Bluetooth boards are not listed");
            return;
        case BluezView::EState::NoBluez:
            PrintError("note: BlueZ is not running; paired Bluetooth boards are not listed");
            return;
        case BluezView::EState::Failed:
            PrintError("note: BlueZ's devices could not be read (" + view.strProblem + ")");
            return;
        case BluezView::EState::Read:
            break;
    }
    if (!view.bAdapterPowered) {
        PrintError("note: the Bluetooth adapter is switched off or missing");
    }
    for (const BluezBoard& board : view.boards) {
        std::string strError;
        std::optional<BoardAddress> address = ParseBoardAddress(board.strAddress, strError);
        if (address) {
            seen.push_back({"rfcomm", board.strAlias, *address, board.bPaired, false});
        }
    }
}

}  // namespace

int RunBoards(bool bJson) {
    std::vector<SeenBoard> seen;
    AddBluezBoards(seen);
    const std::string strPattern = CDevicePortOpener::PatternFromEnvironment();
    for (int nPort = Protocol::kFirstPort; nPort <= Protocol::kLastPort; ++nPort) {
        const std::optional<std::string> path = CDevicePortOpener::FormatPath(strPattern, nPort);
        if (path && std::filesystem::exists(*path)) {
            BoardAddress address;
            address.strPath = *path;
            seen.push_back({"tty", "", address, false, false});
        }
    }
    for (SeenBoard& board : seen) {
        board.bAnswered = Answers(board.address);
    }
    if (bJson) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const SeenBoard& board : seen) {
            list.push_back(
                {{"transport", board.strTransport},
                 {"name", board.strName},
                 {"address", board.address.Text()},
                 {"paired", board.strTransport == "tty" ? nlohmann::ordered_json()
                                                        : nlohmann::ordered_json(board.bPaired)},
                 {"answered", board.bAnswered}});
        }
        std::printf("%s\n", list.dump(2).c_str());
        return kExitOk;
    }
    // Columns as wide as their longest entry, so a long device path stays apart.
    int nName = 4;
    int nBoard = 5;
    for (const SeenBoard& board : seen) {
        nName = std::max(nName, static_cast<int>(board.strName.size()));
        nBoard = std::max(nBoard, static_cast<int>(board.address.Text().size()));
    }
    std::printf("%-10s%-*s  %-*s  %-8s%s\n", "TRANSPORT", nName, "NAME", nBoard, "BOARD", "PAIRED",
                "ANSWERED");
    for (const SeenBoard& board : seen) {
        const char* pszPaired = board.strTransport == "tty" ? "-" : board.bPaired ? "yes" : "no";
        std::printf("%-10s%-*s  %-*s  %-8s%s\n", board.strTransport.c_str(), nName,
                    board.strName.empty() ? "-" : board.strName.c_str(), nBoard,
                    board.address.Text().c_str(), pszPaired, board.bAnswered ? "yes" : "no");
    }
    return kExitOk;
}
