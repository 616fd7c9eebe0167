// Prints how long the board takes to be found on port 5 of the simulated
// board over a real pseudo-terminal, in both link timings, on the board that
// answers at once and on the one behind a modelled radio:
//
//   link search: StartPortSearch until OnLinkState(true), in-process
// (tunevo-bench-mainwindow times the program from its start to its window)

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "bench/BenchLink.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kLinkRuns = 10;
constexpr int kBoardPort = 5;

// The link's search, in-process; nothing when the board was not found.
std::optional<double> SearchOnce(const std::string& strPattern, ELinkTiming timing) {
    CRecordingListener listener;
    CDeviceLink link({std::make_shared<CDevicePortOpener>(strPattern),
                      std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>(), timing});
    link.SetListener(&listener);
    const auto start = Clock::now();
    link.StartPortSearch();
    if (!listener.WaitForCount("OnLinkState", 1) || listener.Count("OnLinkState", true) != 1) {
        return std::nullopt;
    }
    return Ms(Clock::now() - start).count();
}

}  // namespace

int main() {
    std::printf("Finding the board on port %d of a pseudo-terminal\n", kBoardPort);
    PrintTimingHeader();
    for (const BenchBoard& benchBoard : kBenchBoards) {
        TempDir ports;
        auto pBoard = MakeBenchBoard(benchBoard);
        CPtyBoardServer server(pBoard);
        std::string strError;
        if (!server.Start(ports.Path() + "/rfcomm" + std::to_string(kBoardPort), strError)) {
            std::fprintf(stderr, "bench: %s\n", strError.c_str());
            return 1;
        }
        const std::string strPattern = ports.Path() + "/rfcomm%d";
        std::map<ELinkTiming, std::vector<double>> search;
        for (const ELinkTiming timing : kBenchTimings) {
            for (int nRun = 0; nRun < kLinkRuns; ++nRun) {
                const std::optional<double> dMs = SearchOnce(strPattern, timing);
                if (!dMs) {
                    std::fprintf(stderr, "bench: the board was not found\n");
                    return 1;
                }
                search[timing].push_back(*dMs);
            }
        }
        PrintTimingRow({"link search", &benchBoard, Median(search[ELinkTiming::Fixed]),
                        Median(search[ELinkTiming::Fast]), 1});
    }
    return 0;
}
