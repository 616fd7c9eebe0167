#pragma once

// Building request frames and checking replies: pure functions of bytes.

#include <cstdint>
#include <span>
#include <vector>

using Frame = std::vector<uint8_t>;

// XOR of all bytes.
uint8_t XorChecksum(std::span<const uint8_t> bytes);

// start, L, letter, parameters, checksum; L = 1 + number of parameters.
Frame BuildFrame(uint8_t nStart, uint8_t nLetter, std::span<const uint8_t> parameters);

// D3 01 01 D3: the handshake that also opens the configuration download.
Frame BuildOpenFrame();

// D3 02 7A i (i XOR AB): configuration chunk i.
Frame BuildChunkRequest(uint8_t nIndex);

// The 8-byte command frame with parameters p1..p4.
Frame BuildCommandFrame(uint8_t nStart, uint8_t nLetter, uint8_t p1 = 0, uint8_t p2 = 0,
                        uint8_t p3 = 0, uint8_t p4 = 0);

enum class EReplyCheck {
    Valid,
    ChecksumFailure,  // start and letter right, checksum wrong: counts as a line error
    Malformed,        // anything else: does not count
};

// Checks the bytes received against the letter of the request they answer.
// They must be exactly one frame: a reply cut short, or followed by more
// bytes (a late reply to an earlier request), is malformed.
EReplyCheck IsValidReply(std::span<const uint8_t> received, uint8_t nLetter);

// The frame test alone: the bytes are exactly byte 1 + 3 long and the XOR of
// all but the last equals the last.
bool HasValidChecksum(std::span<const uint8_t> frame);
