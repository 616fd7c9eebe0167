#include "platform/FdWrite.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
