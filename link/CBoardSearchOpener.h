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
// (paired first), then the pattern's devices 0 to 8. The board used last
// is taken when it answers; otherwise every board that answers is offered.
// The one used is remembered for the next start.
class CBoardSearchOpener final : public IPortOpener {
public:
    explicit CBoardSearchOpener(std::vector<BoardAddress> candidates)
        : m_candidates(std::move(candidates)) {
        std::call_once(m_found, [] {});  // given: nothing left to find
    }
    // The machine's candidates: the remembered board, BlueZ's and
    // TUNEVO_PORT_PATTERN's, found when the search first asks, on its own
    // thread: BlueZ may be slow to answer, and the window must not wait for it.
    CBoardSearchOpener() = default;

    // The order above, each board once.
    static std::vector<BoardAddress> Candidates(const std::optional<std::string>& lastBoard,
                                                const std::vector<BluezBoard>& bluez,
                                                const std::string& strPattern);

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;
    int PortCount() const override { return static_cast<int>(All().size()); }
    // The name BlueZ gives a board, with its address; the address alone otherwise.
    std::string PortName(int nPort) const override;
    void Answered(int nPort) override;
    bool OffersChoice() const override { return true; }
    // The board used last, when it is known.
    std::optional<int> SettledPort() const override;

    const std::vector<BoardAddress>& All() const;

private:
    mutable std::once_flag m_found;
    mutable std::vector<BoardAddress> m_candidates;
    mutable bool m_bFirstIsLast = false;
};
