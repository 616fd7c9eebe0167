#include "ctl/CCtlProgress.h"

#include <unistd.h>

#include <cstdio>

namespace {
// Back to the line's start, and erase to its end.
constexpr const char* kWipe = "\r\x1b[K";
}  // namespace

CCtlProgress& CCtlProgress::Instance() {
    static CCtlProgress progress;
    return progress;
}

void CCtlProgress::Enable(bool bWanted) {
    std::lock_guard lock(m_mutex);
    m_bEnabled = bWanted && isatty(STDERR_FILENO) == 1;
}

void CCtlProgress::Show(const std::string& strText) {
    std::lock_guard lock(m_mutex);
    if (m_bEnabled) {
        std::fprintf(stderr, "%s%s", kWipe, strText.c_str());
        std::fflush(stderr);
        m_bShown = true;
    }
}

void CCtlProgress::Clear() {
    std::lock_guard lock(m_mutex);
    if (m_bShown) {
        std::fputs(kWipe, stderr);
        std::fflush(stderr);
        m_bShown = false;
    }
}
