#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

// Ways the simulated board can misbehave, to test how the link copes.
enum class EBoardFault {
    None,
    NoReply,        // stays silent
    WrongChecksum,  // right start and letter, checksum off by one bit
    WrongLetter,    // a checked reply to another letter
    Garbage,        // bytes that are no frame
    LateReply,      // a good reply, but after the 100 ms the link waits
};

// The board's receiver as the link sees it: takes request bytes as they
// arrive on the line and answers complete frames. Thread-safe.
class CBoardModel {
public:
    struct Reply {
        std::vector<uint8_t> bytes;
        // From the end of the request to the last reply byte, as the line paces it.
        std::chrono::microseconds delay{0};
    };

    // How long a late reply takes: well past the link's 100 ms wait.
    static constexpr std::chrono::milliseconds kLateReplyDelay{180};
    // The receiver's own turn-around before it starts to send.
    static constexpr std::chrono::microseconds kTurnaround{500};

    explicit CBoardModel(uint8_t nChunkCount = 3);

    void SetFault(EBoardFault fault);

    // Takes bytes from the line; returns the replies to the frames they
    // complete, in order. Bytes that do not start a checked request frame
    // are dropped, as a receiver resynchronising on noise would.
    std::vector<Reply> Feed(std::span<const uint8_t> bytes);

    // Every complete, checked request received so far.
    std::vector<std::vector<uint8_t>> Requests() const;

    // Time the line needs for n bytes at 57600 baud.
    static std::chrono::microseconds LineTime(size_t nBytes);

private:
    std::vector<uint8_t> Answer(const std::vector<uint8_t>& request) const;
    Reply ApplyFault(std::vector<uint8_t> reply) const;

    mutable std::mutex m_mutex;
    uint8_t m_nChunkCount;
    EBoardFault m_fault = EBoardFault::None;
    std::vector<uint8_t> m_pending;
    std::vector<std::vector<uint8_t>> m_requests;
};
