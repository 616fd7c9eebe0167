#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>
#include <vector>

#include "link/Protocol.h"
#include "platform/IClock.h"
#include "platform/ISerialPort.h"

// The outcome of one write-wait-read exchange.
struct Exchange {
    bool bWritten = false;       // every byte of the frame went out
    std::vector<uint8_t> reply;  // the whole read buffer, zero past nCount
    size_t nCount = 0;           // bytes received
    bool bNotConnected = false;  // the read found the other end gone
    // The reply came whole and checked by its own measure: the length its
    // frame announces and its checksum, or a chunk whose checksum holds.
    bool bWhole = false;
    // Bytes found waiting before the request went out: a late reply to an
    // earlier one, dropped. The reply was then read over the whole window.
    size_t nStale = 0;

    std::span<const uint8_t> Received() const { return {reply.data(), nCount}; }
};

// How an exchange waits for its reply.
enum class ELinkTiming {
    // Reads as bytes arrive and ends as soon as the reply is whole, never
    // later than the fixed wait.
    Fast,
    // Waits the whole 100 ms, then makes one read: the timing the board's
    // protocol was first written for.
    Fixed,
};

// The environment variable that chooses the timing when --link-timing does not.
inline constexpr const char* kLinkTimingVariable = "TUNEVO_LINK_TIMING";
// "fast" or "fixed"; nothing for any other text.
std::optional<ELinkTiming> ParseLinkTiming(std::string_view text);

// What a reply looks like, so that fast timing knows when it is whole.
enum class EReplyShape {
    Framed,  // byte 1 gives the length: start, L, L bytes, checksum
    // No length: its end is where the bytes stop. One of the size expected
    // is taken at that size with its checksum and nothing after it; any
    // other may still grow (a radio pauses anywhere, and about one cut in
    // 256 passes the checksum), so it is read over the whole window.
    Chunk,
};
// Fast timing: a framed reply that is whole is watched this much longer
// (about seventeen character times at 57600 baud), so that bytes past its
// end, a repeated or second reply, make it a bad reply as they do in the
// fixed wait. It is also the gap between a good reply and the next request.
inline constexpr std::chrono::microseconds kReplyGap{3000};

// After an exchange that ended without its whole reply, that reply may
// still come. Until this long after, fast timing reads each reply over the
// whole window, so that a late reply and the one asked for arrive together
// and fail the check, as they do in fixed timing, instead of the late one
// being taken for the other.
inline constexpr std::chrono::milliseconds kLateReplyHorizon{500};

// Whether the bytes are exactly one reply of this shape: a framed reply of
// the length it announces with its checksum, or a chunk whose checksum holds.
bool IsWholeReply(std::span<const uint8_t> received, size_t nBufferSize, EReplyShape shape);

// Drops stale input and writes exactly the frame. Fixed timing then waits
// 100 ms whatever the write did, and makes one non-blocking read into a
// zeroed buffer of nBufferSize bytes; what has arrived by then is the
// reply. Fast timing reads as bytes arrive until the reply is whole by its
// shape (a chunk only at nChunkSize bytes, its expected size), or bad beyond doubt
// (an impossible length), or the 100 ms are up; when stale bytes were
// found, a reply to an earlier request was late, and this one is read as
// fixed timing reads it. Blocks the calling thread for the wait (less once
// stop is requested).
Exchange Transact(ISerialPort& port, IClock& clock, std::span<const uint8_t> frame,
                  std::stop_token stop, size_t nBufferSize = Protocol::kReplyBufferSize,
                  ELinkTiming timing = ELinkTiming::Fixed, EReplyShape shape = EReplyShape::Framed,
                  size_t nChunkSize = 0);
