#include "link/CBoardSearchOpener.h"

#include <algorithm>

#include "data/LastBoard.h"
#include "link/CNamedBoardOpener.h"
#include "link/Protocol.h"
#include "platform/CDevicePortOpener.h"

std::vector<BoardAddress> CBoardSearchOpener::Candidates(
    const std::optional<std::string>& lastBoard, const std::vector<BluezBoard>& bluez,
    const std::string& strPattern) {
    std::vector<BoardAddress> candidates;
    auto add = [&candidates](const std::string& strText) {
        std::string strError;
        std::optional<BoardAddress> address = ParseBoardAddress(strText, strError);
        const bool bNew =
            address && std::ranges::none_of(candidates, [&](const BoardAddress& each) {
                return each.Text() == address->Text();
            });
        if (bNew) {
            candidates.push_back(*address);
        }
    };
    if (lastBoard) {
        add(*lastBoard);
    }
    for (const BluezBoard& board : bluez) {
        add(board.strAddress);
    }
    for (int nPort = Protocol::kFirstPort; nPort <= Protocol::kLastPort; ++nPort) {
        add(CDevicePortOpener::FormatPath(strPattern, nPort).value_or(""));
    }
    return candidates;
}

std::vector<BoardAddress> CBoardSearchOpener::CandidatesNow() {
    const BluezView bluez = ReadBluezBoards();
    return Candidates(ReadLastBoard(), bluez.boards, CDevicePortOpener::PatternFromEnvironment());
}

const std::vector<BoardAddress>& CBoardSearchOpener::All() const {
    std::call_once(m_found, [this] { m_candidates = CandidatesNow(); });
    return m_candidates;
}

std::unique_ptr<ISerialPort> CBoardSearchOpener::Open(int nPort, bool& bHeld) {
    bHeld = false;
    if (nPort < 0 || nPort >= PortCount()) {
        return nullptr;
    }
    return CNamedBoardOpener(All()[static_cast<size_t>(nPort)]).Open(0, bHeld);
}

std::string CBoardSearchOpener::PortName(int nPort) const {
    return nPort >= 0 && nPort < PortCount() ? All()[static_cast<size_t>(nPort)].Text()
                                             : std::string();
}

void CBoardSearchOpener::Answered(int nPort) {
    if (nPort >= 0 && nPort < PortCount()) {
        RememberLastBoard(All()[static_cast<size_t>(nPort)].Text());
    }
}
