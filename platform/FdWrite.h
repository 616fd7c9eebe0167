#pragma once

#include <atomic>
#include <cstdint>
#include <span>

// Writes every byte to a non-blocking descriptor or fails: on an error, a
// hang-up, an abort, or after 8000 ms plus 1000 ms per byte. A socket is
// written with send, so that a peer gone away fails the write instead of
// killing the program with SIGPIPE. What the serial and socket ports share.
bool WriteAll(int nFd, std::span<const uint8_t> bytes, const std::atomic<bool>& bAborted,
              bool bSocket);
