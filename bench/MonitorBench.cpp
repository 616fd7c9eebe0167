// Prints what the monitor page costs on the simulated demo board, served
// over a real pseudo-terminal:
//
//   one refresh: from RequestRefreshArray(n), as a tick of the page asks,
//       to the link's OnArrayRefreshed(n) report, for each monitored
//       category, in both link timings, on the board that answers at once
//       and on the one behind a modelled radio
//   CPU: user plus system time of the real tunevo, offscreen, showing the
//       voltage list (the largest demo category) and refreshing it every
//       two seconds, over a stretch (seconds from the first argument, 60)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
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

constexpr size_t kRefreshRuns = 10;
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

// Each category's refresh through the link's request path: the median, and
// the exchanges one refresh makes.
struct CategoryFigure {
    double dMedianMs = 0;
    size_t nExchanges = 0;
};
std::optional<std::map<EBoardArray, CategoryFigure>> MeasureRefreshes(const BenchBoard& benchBoard,
                                                                      ELinkTiming timing) {
    TempDir dir;
    g_szProgramDir = dir.Path();
    const std::shared_ptr<CBoardModel> pBoard = MakeBenchBoard(benchBoard);
    CPtyBoardServer server(pBoard);
    CRecordingListener listener;
    const std::unique_ptr<CDeviceLink> pLink = StartBenchLink(dir.Path(), server, listener, timing);
    if (!pLink) {
        return std::nullopt;
    }
    std::map<EBoardArray, CategoryFigure> figures;
    for (EBoardArray array : kHardwareArrays) {
        std::vector<double> samples;
        const size_t nRequestsBefore = pBoard->Requests().size();
        for (size_t nRun = 0; nRun < kRefreshRuns; ++nRun) {
            const size_t nBefore = ArrayReports(listener);
            const auto start = Clock::now();
            pLink->RequestRefreshArray(static_cast<int>(array));
            if (!listener.WaitForCount("OnArrayRefreshed", nBefore + 1) ||
                listener.Count("OnArrayRefreshed", static_cast<int>(array)) != nRun + 1u) {
                std::fprintf(stderr, "bench: no report of the refresh\n");
                return std::nullopt;
            }
            samples.push_back(Ms(Clock::now() - start).count());
        }
        // The lock and poster polls are not running: every request is the refresh's.
        figures[array] = {Median(samples),
                          (pBoard->Requests().size() - nRequestsBefore) / kRefreshRuns};
    }
    return figures;
}

bool PrintRefreshes() {
    PrintTimingHeader();
    for (const BenchBoard& benchBoard : kBenchBoards) {
        std::map<ELinkTiming, std::map<EBoardArray, CategoryFigure>> byTiming;
        for (const ELinkTiming timing : kBenchTimings) {
            auto figures = MeasureRefreshes(benchBoard, timing);
            if (!figures) {
                return false;
            }
            byTiming[timing] = std::move(*figures);
        }
        for (EBoardArray array : kHardwareArrays) {
            PrintTimingRow({std::string("one ") + CategoryName(array) + " refresh", &benchBoard,
                            byTiming[ELinkTiming::Fixed][array].dMedianMs,
                            byTiming[ELinkTiming::Fast][array].dMedianMs,
                            byTiming[ELinkTiming::Fast][array].nExchanges});
        }
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
         "XDG_DATA_HOME=" + programDir.Path(), "TUNEVO_PORT_PATTERN=" + ports.Path() + "/rfcomm%d",
         "LC_ALL=en_US.UTF-8"});
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
    if (!PrintRefreshes()) {
        return 1;
    }
    if (!MeasureProgram(std::make_shared<CBoardModel>(), nSeconds)) {
        return 1;
    }
    return 0;
}
