// Prints what the monitor page costs on the simulated demo board, served
// over a real pseudo-terminal:
//
//   one refresh: from RequestRefreshArray(n), as a tick of the page asks,
//       to the link's OnArrayRefreshed(n) report, for each monitored
//       category, next to the protocol's own minimum (one 100 ms exchange
//       and the 100 ms pause after it per item)
//   CPU: user plus system time of the real tunevo, offscreen, showing the
//       voltage list (the largest demo category) and refreshing it every
//       two seconds, over a stretch (seconds from the first argument, 60)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchLink.h"
#include "bench/ProcessStats.h"
#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRefreshRuns = 10;
constexpr double kItemMinimumMs = 200;       // the exchange's 100 ms wait and the pause after it
constexpr uint8_t kFirstVoltageLetter = 76;  // "CPU Core" of the demo board

const char* CategoryName(EBoardArray array) {
    switch (array) {
        case EBoardArray::HwVolt:
            return "voltage";
        case EBoardArray::HwTemp:
            return "temperature";
        case EBoardArray::HwFan:
            return "fan";
        default:
            return "frequency";
    }
}

size_t ArrayReports(const CRecordingListener& listener) {
    return listener.Count("OnArrayRefreshed");
}

// Times each category's refresh through the link's request path.
bool MeasureRefreshes(const std::shared_ptr<CBoardModel>& pBoard) {
    TempDir dir;
    g_szProgramDir = dir.Path();
    CPtyBoardServer server(pBoard);
    CRecordingListener listener;
    const std::unique_ptr<CDeviceLink> pLink = StartBenchLink(dir.Path(), server, listener);
    if (!pLink) {
        return false;
    }
    CDeviceLink& link = *pLink;
    for (EBoardArray array : kHardwareArrays) {
        std::vector<double> samples;
        for (int nRun = 0; nRun < kRefreshRuns; ++nRun) {
            const size_t nBefore = ArrayReports(listener);
            const auto start = Clock::now();
            link.RequestRefreshArray(static_cast<int>(array));
            if (!listener.WaitForCount("OnArrayRefreshed", nBefore + 1)) {
                std::fprintf(stderr, "bench: no report of the refresh\n");
                return false;
            }
            samples.push_back(Ms(Clock::now() - start).count());
            if (listener.Count("OnArrayRefreshed", static_cast<int>(array)) != nRun + 1u) {
                std::fprintf(stderr, "bench: a report of another array\n");
                return false;
            }
        }
        std::sort(samples.begin(), samples.end());
        const size_t nItems = link.GetArray(array).size();
        const double dMinimum = kItemMinimumMs * static_cast<double>(nItems);
        const double dMedian = samples[samples.size() / 2];
        std::printf(
            "one %-11s refresh, %zu items: median %7.1f ms (min %7.1f, max %7.1f)  "
            "protocol minimum %7.1f ms  ratio %.4f\n",
            CategoryName(array), nItems, dMedian, samples.front(), samples.back(), dMinimum,
            dMedian / dMinimum);
        std::fflush(stdout);
    }
    return true;
}

size_t VoltageRefreshes(const CBoardModel& board) {
    const Frame read = BuildCommandFrame(Protocol::kStartQuery, kFirstVoltageLetter);
    const auto requests = board.Requests();
    return static_cast<size_t>(std::count(requests.begin(), requests.end(), read));
}

// The real program on its monitor page.
bool MeasureProgram(const std::shared_ptr<CBoardModel>& pBoard, int nSeconds) {
    TempDir ports;
    CPtyBoardServer server(pBoard);
    std::string strError;
    if (!server.Start(ports.Path() + "/rfcomm2", strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return false;
    }
    TempDir programDir;
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, programDir.Path() + "/BT_LocaleStr.ini");
    const size_t nAtStart = VoltageRefreshes(*pBoard);
    CChildProcess tunevo(
        TUNEVO_PROGRAM, {"--show", "voltage"},
        {"QT_QPA_PLATFORM=offscreen", "TUNEVO_DIR=" + programDir.Path(),
         "TUNEVO_PORT_PATTERN=" + ports.Path() + "/rfcomm%d", "LC_ALL=en_US.UTF-8"});
    // The page's first tick comes two seconds after it is shown.
    if (!WaitUntil([&] { return VoltageRefreshes(*pBoard) > nAtStart; },
                   std::chrono::seconds(60))) {
        std::fprintf(stderr, "bench: the monitor page never refreshed\n");
        return false;
    }
    const size_t nBefore = VoltageRefreshes(*pBoard);
    const double dCpuBefore = CpuSeconds(tunevo.Pid());
    std::this_thread::sleep_for(std::chrono::seconds(nSeconds));
    const double dCpu = CpuSeconds(tunevo.Pid()) - dCpuBefore;
    const size_t nRefreshes = VoltageRefreshes(*pBoard) - nBefore;
    const long nRss = ResidentKiB(tunevo.Pid());
    tunevo.Terminate();
    std::printf(
        "tunevo on the voltage list for %d s: %zu refreshes, CPU %.2f s = %.2f %% of one "
        "core, resident memory %ld KiB\n",
        nSeconds, nRefreshes, dCpu, 100.0 * dCpu / nSeconds, nRss);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int nSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    std::printf("The monitor page against the demo board over a pseudo-terminal\n");
    if (!MeasureRefreshes(std::make_shared<CBoardModel>())) {
        return 1;
    }
    if (!MeasureProgram(std::make_shared<CBoardModel>(), nSeconds)) {
        return 1;
    }
    return 0;
}
