// Prints how long the board takes to be found on port 5 of the simulated
// board over a real pseudo-terminal, next to what the protocol itself costs.
//
//   link:    StartPortSearch until OnLinkState(true), in-process
//   program: tunevo started offscreen until OnLinkState(true), i.e. until the
//            board saw the open frame plus the exchange's fixed 100 ms wait

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/Protocol.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kLinkRuns = 10;
constexpr int kProgramRuns = 5;
constexpr int kBoardPort = 5;

struct Summary {
    double dMin, dMedian, dMax;
};

Summary Summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

void Print(const char* pszWhat, const Summary& summary, double dMinimum) {
    std::printf(
        "%-8s min %7.1f ms  median %7.1f ms  max %7.1f ms  protocol minimum %6.1f ms  "
        "ratio %.3f\n",
        pszWhat, summary.dMin, summary.dMedian, summary.dMax, dMinimum, summary.dMedian / dMinimum);
}

}  // namespace

int main() {
    TempDir ports;
    auto pBoard = std::make_shared<CBoardModel>();
    CPtyBoardServer server(pBoard);
    std::string strError;
    if (!server.Start(ports.Path() + "/rfcomm" + std::to_string(kBoardPort), strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return 1;
    }
    const std::string strPattern = ports.Path() + "/rfcomm%d";
    // One exchange: the fixed wait after the open frame. Absent ports cost nothing.
    const double dExchange = Ms(Protocol::kExchangeWait).count();

    std::vector<double> linkSamples;
    for (int nRun = 0; nRun < kLinkRuns; ++nRun) {
        CRecordingListener listener;
        CDeviceLink link({std::make_shared<CDevicePortOpener>(strPattern),
                          std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()});
        link.SetListener(&listener);
        const auto start = Clock::now();
        link.StartPortSearch();
        if (!listener.WaitForCount("OnLinkState", 1) || listener.Count("OnLinkState", true) != 1) {
            std::fprintf(stderr, "bench: the board was not found\n");
            return 1;
        }
        linkSamples.push_back(Ms(Clock::now() - start).count());
    }

    std::vector<double> programSamples;
    TempDir programDir;
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, programDir.Path() + "/BT_LocaleStr.ini");
    for (int nRun = 0; nRun < kProgramRuns; ++nRun) {
        const size_t nBefore = pBoard->Requests().size();
        const auto start = Clock::now();
        CChildProcess tunevo(TUNEVO_PROGRAM, {},
                             {"QT_QPA_PLATFORM=offscreen", "TUNEVO_DIR=" + programDir.Path(),
                              "TUNEVO_PORT_PATTERN=" + strPattern});
        if (!WaitUntil([&] { return pBoard->Requests().size() > nBefore; })) {
            std::fprintf(stderr, "bench: tunevo never reached the board\n");
            return 1;
        }
        programSamples.push_back(Ms(Clock::now() - start).count() + dExchange);
        tunevo.Terminate();
    }

    std::printf("Start to OnLinkState(true), simulated board on port %d over a pseudo-terminal\n",
                kBoardPort);
    Print("link", Summarise(linkSamples), dExchange);
    // The program waits 400 ms after showing its window before it searches.
    Print("program", Summarise(programSamples), 400.0 + dExchange);
    return 0;
}
