#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/IPortOpener.h"
#include "sim/CMemoryLine.h"

// Port numbers wired to in-memory lines; every other number does not exist.
class CMemoryPortOpener final : public IPortOpener {
public:
    void Attach(int nPort, std::shared_ptr<CMemoryLine> pLine);

    std::unique_ptr<ISerialPort> Open(int nPort) override;

    // Every number asked for, in order.
    std::vector<int> Tried() const;

private:
    mutable std::mutex m_mutex;
    std::map<int, std::shared_ptr<CMemoryLine>> m_lines;
    std::vector<int> m_tried;
};
