#include "platform/FdWrite.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {
constexpr int kWriteTimeoutBaseMs = 8000;
constexpr int kWriteTimeoutPerByteMs = 1000;
// A blocked write looks at the abort flag this often.
constexpr int kWritePollSliceMs = 50;
}  // namespace

bool WriteAll(int nFd, std::span<const uint8_t> bytes, const std::atomic<bool>& bAborted,
              bool bSocket) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() +
                          milliseconds(kWriteTimeoutBaseMs + kWriteTimeoutPerByteMs * bytes.size());
    size_t nDone = 0;
    while (nDone < bytes.size()) {
        if (bAborted.load()) {
            return false;
        }
        const ssize_t nWritten =
            bSocket ? ::send(nFd, bytes.data() + nDone, bytes.size() - nDone, MSG_NOSIGNAL)
                    : ::write(nFd, bytes.data() + nDone, bytes.size() - nDone);
        if (nWritten > 0) {
            nDone += static_cast<size_t>(nWritten);
            continue;
        }
        if (nWritten < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        if (steady_clock::now() >= deadline) {
            return false;
        }
        pollfd pfd{nFd, POLLOUT, 0};
        ::poll(&pfd, 1, kWritePollSliceMs);
        if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return false;
        }
    }
    return true;
}

bool WaitReadable(int nFd, std::chrono::microseconds timeout, std::stop_token stop) {
    using namespace std::chrono;
    // Short slices: a stop must not wait out a long timeout.
    constexpr microseconds kSlice{10000};
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now());
        if (stop.stop_requested() || left <= microseconds::zero()) {
            return false;
        }
        const microseconds slice = std::min(left, kSlice);
        const timespec wait{0, static_cast<long>(slice.count()) * 1000};
        pollfd pfd{nFd, POLLIN, 0};
        const int nReady = ::ppoll(&pfd, 1, &wait, nullptr);
        if (nReady > 0) {
            // A hang-up or an error is for the read to find.
            return true;
        }
        if (nReady < 0 && errno != EINTR) {
            return true;
        }
    }
}
