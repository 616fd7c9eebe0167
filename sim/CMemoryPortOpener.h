#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/IPortOpener.h"
#include "sim/CMemoryLine.h"

// Port numbers wired to in-memory lines; every other number does not exist.
class CMemoryPortOpener final : public IPortOpener {
public:
    void Attach(int nPort, std::shared_ptr<CMemoryLine> pLine);

    // Port n exists but another program holds it.
    void Hold(int nPort);

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override;

    // Every number asked for, in order.
    std::vector<int> Tried() const;

    // Offers a choice among the boards that answer, as the search of the
    // machine's boards does; each port is named "memory N".
    void SetOffersChoice(bool bOffers) { m_bOffersChoice = bOffers; }
    bool OffersChoice() const override { return m_bOffersChoice; }
    std::string PortName(int nPort) const override;
    void Answered(int nPort) override;
    // The ports told they answered, in order.
    std::vector<int> AnsweredPorts() const;

private:
    mutable std::mutex m_mutex;
    std::map<int, std::shared_ptr<CMemoryLine>> m_lines;
    std::vector<int> m_tried;
    std::set<int> m_held;
    std::vector<int> m_answered;
    std::atomic<bool> m_bOffersChoice{false};
};
