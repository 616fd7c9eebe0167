#include "app/CSignalQuitter.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace {
// Written by the signal handler, read on the main thread.
int g_signalPipe[2] = {-1, -1};
}  // namespace

CSignalQuitter::CSignalQuitter(QObject* pParent) : QObject(pParent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] {
        char nByte = 0;
        (void)::read(g_signalPipe[1], &nByte, 1);
        emit Quit();
    });
    struct sigaction action {};
    action.sa_handler = &CSignalQuitter::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

CSignalQuitter::~CSignalQuitter() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    m_pNotifier.reset();
    for (int& nFd : g_signalPipe) {
        if (nFd >= 0) {
            ::close(nFd);
            nFd = -1;
        }
    }
}

void CSignalQuitter::OnSignal(int) {
    const char nByte = 1;
    // Only async-signal-safe work here.
    (void)::write(g_signalPipe[0], &nByte, 1);
}
