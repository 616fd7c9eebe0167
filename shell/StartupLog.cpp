#include "shell/StartupLog.h"

#include <chrono>

Q_LOGGING_CATEGORY(lcStartup, "tunevo.startup", QtWarningMsg)

namespace {
using std::chrono::steady_clock;

steady_clock::time_point& ProgramStart() {
    static steady_clock::time_point start = steady_clock::now();
    return start;
}

long long MillisecondsOf(steady_clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}
}  // namespace

void NoteProgramStart() {
    ProgramStart() = steady_clock::now();
}

void LogStartupStep(const char* pszWhat) {
    const steady_clock::time_point now = steady_clock::now();
    qCInfo(lcStartup, "%s: %lld ms after start, steady clock %lld ms", pszWhat,
           MillisecondsOf(now - ProgramStart()), MillisecondsOf(now.time_since_epoch()));
}
