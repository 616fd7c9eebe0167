#pragma once

#include <atomic>
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
        : m_candidates(std::move(candidates)) {}

    // The order above, each board once.
    static std::vector<BoardAddress> Candidates(const std::optional<std::string>& lastBoard,
                                                const std::vector<BluezBoard>& bluez,
                                                const std::string& strPattern);
    // Candidates from the machine: the remembered board, BlueZ, TUNEVO_PORT_PATTERN.
    static std::vector<BoardAddress> CandidatesNow();

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;
    int PortCount() const override { return static_cast<int>(m_candidates.size()); }
    std::string PortName(int nPort) const override {
        return nPort >= 0 && nPort < PortCount() ? m_candidates[static_cast<size_t>(nPort)].Text()
                                                 : std::string();
    }
    void Answered(int nPort) override;

    const std::vector<BoardAddress>& All() const { return m_candidates; }

private:
    const std::vector<BoardAddress> m_candidates;
};
