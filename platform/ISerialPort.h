#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// What one non-blocking read found.
struct ReadResult {
    size_t nCount = 0;           // bytes stored at the front of the buffer
    bool bNotConnected = false;  // the other end is gone (hang-up)
};

// One open serial line. Closing is the destructor's job.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // Writes every byte or fails; gives up after 8000 ms plus 1000 ms per byte.
    // Blocks the calling thread while the line is not ready to take bytes.
    virtual bool Write(std::span<const uint8_t> bytes) = 0;

    // Returns at once with whatever has arrived, at most buffer.size() bytes.
    virtual ReadResult Read(std::span<uint8_t> buffer) = 0;

    // Drops whatever has arrived and not been read: a late reply to an
    // earlier request must not be taken for the answer to the next one.
    virtual void DiscardInput() = 0;

    // Makes a Write blocked on another thread, and every later Write, fail at
    // once. Used while tearing the link down.
    virtual void Abort() = 0;
};
