#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/BoardAddress.h"
#include "platform/BluezBoards.h"
#include "platform/IPortOpener.h"

// The boards tried, one "port" each, when the user names none: the one that
// answered last, then each board BlueZ lists with the Serial Port profile
// (paired first), then the pattern's devices 0 to 8. The one that answers
// is remembered for the next start.
class CBoardSearchOpener final : public IPortOpener {
public:
    explicit CBoardSearchOpener(std::vector<BoardAddress> candidates)
        : m_candidates(std::move(candidates)) {
        std::call_once(m_found, [] {});  // given: nothing left to find
    }
    // The machine's candidates (CandidatesNow), found when the search first
    // asks, on its own thread: BlueZ may be slow to answer, and the window
    // must not wait for it.
    CBoardSearchOpener() = default;

    // The order above, each board once.
    static std::vector<BoardAddress> Candidates(const std::optional<std::string>& lastBoard,
                                                const std::vector<BluezBoard>& bluez,
                                                const std::string& strPattern);
    // Candidates from the machine: the remembered board, BlueZ, TUNEVO_PORT_PATTERN.
    static std::vector<BoardAddress> CandidatesNow();

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;
    int PortCount() const override { return static_cast<int>(All().size()); }
    std::string PortName(int nPort) const override;
    void Answered(int nPort) override;

    const std::vector<BoardAddress>& All() const;

private:
    mutable std::once_flag m_found;
    mutable std::vector<BoardAddress> m_candidates;
};
