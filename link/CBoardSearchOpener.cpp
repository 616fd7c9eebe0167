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
    auto add = [&candidates](const std::string& strText, const std::string& strName = {}) {
        std::string strError;
        std::optional<BoardAddress> address = ParseBoardAddress(strText, strError);
        if (address) {
            address->strName = strName;
        }
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
        add(board.strAddress, board.strAlias);
    }
    for (int nPort = Protocol::kFirstPort; nPort <= Protocol::kLastPort; ++nPort) {
        add(CDevicePortOpener::FormatPath(strPattern, nPort).value_or(""));
    }
    return candidates;
}

const std::vector<BoardAddress>& CBoardSearchOpener::All() const {
    std::call_once(m_found, [this] {
        const std::optional<std::string> lastBoard = ReadLastBoard();
        m_candidates = Candidates(lastBoard, ReadBluezBoards().boards,
                                  CDevicePortOpener::PatternFromEnvironment());
        std::string strError;
        const std::optional<BoardAddress> last =
            lastBoard ? ParseBoardAddress(*lastBoard, strError) : std::nullopt;
        m_bFirstIsLast = last && !m_candidates.empty() && m_candidates[0].Text() == last->Text();
    });
    return m_candidates;
}

std::optional<int> CBoardSearchOpener::SettledPort() const {
    return !All().empty() && m_bFirstIsLast ? std::optional<int>(0) : std::nullopt;
}

std::unique_ptr<ISerialPort> CBoardSearchOpener::Open(int nPort, bool& bHeld) {
    bHeld = false;
    if (nPort < 0 || nPort >= PortCount()) {
        return nullptr;
    }
    return CNamedBoardOpener(All()[static_cast<size_t>(nPort)]).Open(0, bHeld);
}

std::string CBoardSearchOpener::PortName(int nPort) const {
    if (nPort < 0 || nPort >= PortCount()) {
        return {};
    }
    const BoardAddress& board = All()[static_cast<size_t>(nPort)];
    return board.strName.empty() ? board.Text() : board.strName + " (" + board.Text() + ")";
}

void CBoardSearchOpener::Answered(int nPort) {
    if (nPort >= 0 && nPort < PortCount()) {
        RememberLastBoard(All()[static_cast<size_t>(nPort)].Text());
    }
}
