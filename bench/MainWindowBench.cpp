// Prints what the running program costs on the simulated demo board, served
// over a real pseudo-terminal:
//
//   start to main window: tunevo started offscreen until the main window is
//       up, taken as the board's first lock query less the 500 ms the main
//       window waits before it asks; in both link timings, on the board that
//       answers at once and on the one behind a modelled radio
//   resident memory: VmRSS of the running program on the main window
//   idle CPU: user plus system time over a stretch on the main window, with
//       the lock and poster polls running (seconds from the first argument, 60)
//   reconnect: the board's terminal closed under the main window and opened
//       again some seconds later; from its return to the main window's first
//       lock query, which it makes right after it has shown the values again

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
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 3;
constexpr int kBoardPort = 5;
constexpr double kLockCheckDelayMs = 500.0;

size_t LockQueries(const CBoardModel& board) {
    const Frame query = BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterLockStatus);
    const auto requests = board.Requests();
    return static_cast<size_t>(std::count(requests.begin(), requests.end(), query));
}

// Starts tunevo on the board until its main window asks for the lock, in
// milliseconds less the window's 500 ms wait; the program stays up in
// pProgram when it is given.
std::optional<double> StartToMainWindow(const CBoardModel& board,
                                        const std::vector<std::string>& environment,
                                        ELinkTiming timing,
                                        std::unique_ptr<CChildProcess>* pProgram = nullptr) {
    const size_t nBefore = LockQueries(board);
    const auto start = Clock::now();
    auto pTunevo = std::make_unique<CChildProcess>(
        TUNEVO_PROGRAM, std::vector<std::string>{"--link-timing", TimingWord(timing)}, environment);
    if (!WaitUntil([&] { return LockQueries(board) > nBefore; }, std::chrono::seconds(60))) {
        std::fprintf(stderr, "bench: the main window never asked for the lock\n");
        return std::nullopt;
    }
    const double dMs = Ms(Clock::now() - start).count() - kLockCheckDelayMs;
    if (pProgram != nullptr) {
        *pProgram = std::move(pTunevo);
    }
    return dMs;
}

}  // namespace

int main(int argc, char** argv) {
    const int nIdleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    TempDir programDir;
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, programDir.Path() + "/BT_LocaleStr.ini");
    std::printf("tunevo on the demo board over a pseudo-terminal, offscreen, %d runs each\n",
                kRuns);
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
        const std::vector<std::string> environment = {
            "QT_QPA_PLATFORM=offscreen", "TUNEVO_DIR=" + programDir.Path(),
            "XDG_DATA_HOME=" + programDir.Path(),
            "TUNEVO_PORT_PATTERN=" + ports.Path() + "/rfcomm%d", "LC_ALL=en_US.UTF-8"};
        std::map<ELinkTiming, std::vector<double>> samples;
        for (const ELinkTiming timing : kBenchTimings) {
            for (int nRun = 0; nRun < kRuns; ++nRun) {
                std::unique_ptr<CChildProcess> pTunevo;
                const std::optional<double> dMs =
                    StartToMainWindow(*pBoard, environment, timing, &pTunevo);
                if (!dMs) {
                    return 1;
                }
                samples[timing].push_back(*dMs);
                pTunevo->Terminate();
            }
        }
        PrintTimingRow({"start to main window", &benchBoard, Median(samples[ELinkTiming::Fixed]),
                        Median(samples[ELinkTiming::Fast]), 0});
    }

    // The program as a user runs it (fast timing, the board answering at
    // once): its memory, its idle CPU, and how soon it takes a lost board up again.
    TempDir ports;
    auto pBoard = std::make_shared<CBoardModel>();
    CPtyBoardServer server(pBoard);
    std::string strError;
    const std::string strLink = ports.Path() + "/rfcomm" + std::to_string(kBoardPort);
    if (!server.Start(strLink, strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return 1;
    }
    const std::vector<std::string> environment = {
        "QT_QPA_PLATFORM=offscreen", "TUNEVO_DIR=" + programDir.Path(),
        "XDG_DATA_HOME=" + programDir.Path(), "TUNEVO_PORT_PATTERN=" + ports.Path() + "/rfcomm%d",
        "LC_ALL=en_US.UTF-8"};
    std::unique_ptr<CChildProcess> pTunevo;
    if (!StartToMainWindow(*pBoard, environment, ELinkTiming::Fast, &pTunevo)) {
        return 1;
    }
    CChildProcess& tunevo = *pTunevo;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long nRss = ResidentKiB(tunevo.Pid());
    const double dCpuBefore = CpuSeconds(tunevo.Pid());
    std::this_thread::sleep_for(std::chrono::seconds(nIdleSeconds));
    const double dCpu = CpuSeconds(tunevo.Pid()) - dCpuBefore;
    const long nRssAfter = ResidentKiB(tunevo.Pid());
    std::vector<std::pair<int, double>> reconnects;
    for (const int nAwaySeconds : {1, 4, 15}) {
        server.Stop();
        std::this_thread::sleep_for(std::chrono::seconds(nAwaySeconds));
        const size_t nBefore = LockQueries(*pBoard);
        const auto back = Clock::now();
        if (!server.Start(strLink, strError)) {
            std::fprintf(stderr, "bench: %s\n", strError.c_str());
            return 1;
        }
        if (!WaitUntil([&] { return LockQueries(*pBoard) > nBefore; }, std::chrono::seconds(60))) {
            std::fprintf(stderr, "bench: the main window never came back\n");
            return 1;
        }
        reconnects.emplace_back(nAwaySeconds, Ms(Clock::now() - back).count());
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    tunevo.Terminate();
    std::printf("resident memory       %ld KiB on the main window, %ld KiB %d s later\n", nRss,
                nRssAfter, nIdleSeconds);
    std::printf("idle CPU              %.2f s in %d s: %.2f %% of one core\n", dCpu, nIdleSeconds,
                100.0 * dCpu / nIdleSeconds);
    for (const auto& [nAway, dMs] : reconnects) {
        std::printf(
            "reconnect             %7.1f ms from the board's return to its values, "
            "after %d s away\n",
            dMs, nAway);
    }
    return 0;
}
