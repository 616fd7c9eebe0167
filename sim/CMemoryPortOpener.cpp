#include "sim/CMemoryPortOpener.h"

#include "sim/CMemoryPort.h"

void CMemoryPortOpener::Attach(int nPort, std::shared_ptr<CMemoryLine> pLine) {
    std::lock_guard lock(m_mutex);
    m_lines[nPort] = std::move(pLine);
}

void CMemoryPortOpener::Hold(int nPort) {
    std::lock_guard lock(m_mutex);
    m_held.insert(nPort);
}

std::unique_ptr<ISerialPort> CMemoryPortOpener::Open(int nPort, bool& bHeld) {
    std::lock_guard lock(m_mutex);
    m_tried.push_back(nPort);
    bHeld = m_held.count(nPort) > 0;
    auto it = m_lines.find(nPort);
    if (bHeld) {
        return nullptr;
    }
    if (it == m_lines.end()) {
        return nullptr;
    }
    return std::make_unique<CMemoryPort>(it->second);
}

std::string CMemoryPortOpener::PortName(int nPort) const {
    return m_bOffersChoice ? "memory " + std::to_string(nPort) : std::string();
}

void CMemoryPortOpener::Answered(int nPort) {
    std::lock_guard lock(m_mutex);
    m_answered.push_back(nPort);
}

std::vector<int> CMemoryPortOpener::AnsweredPorts() const {
    std::lock_guard lock(m_mutex);
    return m_answered;
}

std::vector<int> CMemoryPortOpener::Tried() const {
    std::lock_guard lock(m_mutex);
    return m_tried;
}
