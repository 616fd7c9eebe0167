#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <stop_token>

// Writes every byte to a non-blocking descriptor or fails: on an error, a
// hang-up, an abort, or after 8000 ms plus 1000 ms per byte. A socket is
// written with send, so that a peer gone away fails the write instead of
// killing the program with SIGPIPE. What the serial and socket ports share.
bool WriteAll(int nFd, std::span<const uint8_t> bytes, const std::atomic<bool>& bAborted,
              bool bSocket);

// Waits, in real time, until the descriptor has bytes to read or has hung up,
// for at most the timeout; looks at the stop every few milliseconds.
bool WaitReadable(int nFd, std::chrono::microseconds timeout, std::stop_token stop);
