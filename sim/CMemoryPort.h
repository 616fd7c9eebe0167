#pragma once

#include <atomic>
#include <memory>

#include "platform/ISerialPort.h"
#include "sim/CMemoryLine.h"

// One opening of an in-memory line, as the link holds a real port.
class CMemoryPort final : public ISerialPort {
public:
    explicit CMemoryPort(std::shared_ptr<CMemoryLine> pLine) : m_pLine(std::move(pLine)) {}

    bool Write(std::span<const uint8_t> bytes) override {
        return !m_bAborted.load() && m_pLine->Write(bytes);
    }
    ReadResult Read(std::span<uint8_t> buffer) override { return m_pLine->Read(buffer); }
    bool WaitReadable(IClock& clock, std::chrono::microseconds timeout,
                      std::stop_token stop) override {
        return m_pLine->WaitReadable(clock, timeout, stop);
    }
    void DiscardInput() override { m_pLine->DiscardArrived(); }
    void Abort() override { m_bAborted.store(true); }

private:
    std::shared_ptr<CMemoryLine> m_pLine;
    std::atomic<bool> m_bAborted{false};
};
