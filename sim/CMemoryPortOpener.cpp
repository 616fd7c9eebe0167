#include "sim/CMemoryPortOpener.h"

#include "sim/CMemoryPort.h"

void CMemoryPortOpener::Attach(int nPort, std::shared_ptr<CMemoryLine> pLine) {
    std::lock_guard lock(m_mutex);
    m_lines[nPort] = std::move(pLine);
}

std::unique_ptr<ISerialPort> CMemoryPortOpener::Open(int nPort) {
    std::lock_guard lock(m_mutex);
    m_tried.push_back(nPort);
    auto it = m_lines.find(nPort);
    if (it == m_lines.end()) {
        return nullptr;
    }
    return std::make_unique<CMemoryPort>(it->second);
}

std::vector<int> CMemoryPortOpener::Tried() const {
    std::lock_guard lock(m_mutex);
    return m_tried;
}
