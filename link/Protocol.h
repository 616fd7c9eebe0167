#pragma once

// The frame protocol spoken with the board's receiver. Every constant of the
// wire format lives here, named; commands never spell bytes themselves.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace Protocol {

// Byte 0 of a request: queries read from the board, changes alter it.
inline constexpr uint8_t kStartQuery = 0xD3;
inline constexpr uint8_t kStartChange = 0x53;
// Byte 0 of every reply ("S").
inline constexpr uint8_t kStartReply = 0x53;

// Byte offsets shared by requests and replies.
inline constexpr size_t kOffsetStart = 0;
inline constexpr size_t kOffsetLength = 1;  // L: letter plus parameters or data
inline constexpr size_t kOffsetLetter = 2;
inline constexpr size_t kOffsetData = 3;  // first parameter or data byte

// A frame is L + 3 bytes: start, L, L bytes, checksum.
inline constexpr size_t kFrameOverhead = 3;

// The three request sizes that are sent.
inline constexpr size_t kOpenFrameSize = 4;     // L = 1, no parameter
inline constexpr size_t kChunkFrameSize = 5;    // L = 2, the chunk index
inline constexpr size_t kCommandFrameSize = 8;  // L = 5, parameters p1..p4
inline constexpr size_t kCommandParameterCount = 4;

// A reply's L + 3 is read as a signed byte; a larger L cannot be checked.
inline constexpr uint8_t kMaxCheckableLength = 124;

// Command letters (byte 2).
inline constexpr uint8_t kLetterOpen = 0x01;           // handshake, chunk count in byte 3
inline constexpr uint8_t kLetterChunk = 0x7A;          // "z": configuration chunk i
inline constexpr uint8_t kLetterPowerStatus = 0x70;    // "p": power state in byte 3
inline constexpr uint8_t kLetterPowerAction = 0x04;    // p1 is the action mask
inline constexpr uint8_t kLetterLockStatus = 0x73;     // "s": lock state in byte 3
inline constexpr uint8_t kLetterPosterCode = 0x72;     // "r": mode, code low, code high
inline constexpr uint8_t kLetterMessageMode = 0x71;    // "q": set the message mode
inline constexpr uint8_t kLetterPrepareRead49 = 0x7D;  // "}": before reading value code 49

// Letters the protocol keeps for itself: a board item may use none of them.
inline constexpr uint8_t kProtocolLetters[] = {
    kLetterOpen,       kLetterChunk,      kLetterPowerStatus, kLetterPowerAction,
    kLetterLockStatus, kLetterPosterCode, kLetterMessageMode, kLetterPrepareRead49};
constexpr bool IsProtocolLetter(uint8_t nLetter) {
    for (uint8_t nKept : kProtocolLetters) {
        if (nKept == nLetter) {
            return true;
        }
    }
    return false;
}

// Reply buffers: the search reads up to 256 bytes, every command up to 1024.
inline constexpr size_t kSearchReplyBufferSize = 256;
inline constexpr size_t kReplyBufferSize = 1024;

// The board must answer within this wait; replies are read without blocking.
inline constexpr std::chrono::milliseconds kExchangeWait{100};
// Pause after a bad reply before the next try, and between searched ports.
inline constexpr std::chrono::milliseconds kRetryPause{100};
// After a change frame went unanswered, its acknowledgement may still come:
// waited out before the next exchange, so the next read cannot take it for a
// value. A radio link delivers most late replies well within this.
inline constexpr std::chrono::milliseconds kLateReplyGrace{400};

// Ports 0 to 8 are searched.
inline constexpr int kFirstPort = 0;
inline constexpr int kLastPort = 8;

// Line speed, for pacing figures of the simulated board and benchmarks.
inline constexpr int kBaudRate = 57600;
inline constexpr int kBitsPerByte = 10;  // start, 8 data, stop

}  // namespace Protocol

namespace Protocol {

// Byte 3 of a valid "p" reply. Other values say nothing about the power.
inline constexpr uint8_t kPowerOnStates[] = {15, 2};
inline constexpr uint8_t kPowerOffStates[] = {0, 4, 8};

}  // namespace Protocol

namespace Protocol {

// p1 of the power action frame, by action code 1 (on) to 5 (reset).
inline constexpr uint8_t kPowerActionMasks[] = {0x01, 0x02, 0x04, 0x08, 0x10};
inline constexpr int kPowerActionClearCmos = 4;
// Clearing CMOS is sent only while the "p" state byte reads exactly this.
inline constexpr uint8_t kPowerStateOffForClearCmos = 0;

// Byte 3 of a valid "s" reply: the board's lock is open.
inline constexpr uint8_t kLockStateUnlocked = 1;
inline constexpr uint8_t kLockStateLocked = 0;

// A valid "r" reply: byte 3 the poster mode, bytes 4 and 5 the code.
inline constexpr size_t kOffsetPosterMode = 3;
inline constexpr size_t kOffsetPosterCode = 4;
// Poster modes: the board shows the code, or a text of the message file.
inline constexpr int kPosterModeText = 0;
inline constexpr int kPosterModeCode = 1;
inline constexpr int kPosterModeMessage = 2;

// p1 of the "q" frame: code display for mode 1, text display otherwise.
inline constexpr uint8_t kMessageModeCode = 0x11;
inline constexpr uint8_t kMessageModeText = 0x10;

// Item read and set replies shorter than this are not looked at.
inline constexpr size_t kMinItemReply = 5;

}  // namespace Protocol
