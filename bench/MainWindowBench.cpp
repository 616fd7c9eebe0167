// Prints what the running program costs on the simulated demo board, served
// over a real pseudo-terminal:
//
//   start-up: tunevo started offscreen, in both link timings, on the board
//       that answers at once and on the one behind a modelled radio, to its
//       main window and to its first values; with where the time goes, from
//       the steps the program logs (QT_LOGGING_RULES="tunevo.startup=true")
//   resident memory: VmRSS of the running program on the main window
//   idle CPU: user plus system time over a stretch on the main window, with
//       the lock and poster polls running (seconds from the first argument, 60)
//   reconnect: the board's terminal closed under the main window and opened
//       again some seconds later; from its return to the main window's first
//       lock query, which it makes right after it has shown the values again

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchLink.h"
#include "bench/ProcessStats.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "sim/CBoardDescription.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 3;
constexpr int kBoardPort = 5;
constexpr double kAtOnceGoalMs = 1000.0;

// The steps the program logs, in order, and what the time up to each went on.
constexpr std::array<const char*, 6> kSteps = {"splash shown", "search started", "board found",
                                               "description in", "main window shown",
                                               "first values shown"};
constexpr std::array<const char*, 6> kStepCosts = {
    "program start (libraries, Qt, the splash)", "the splash's wait before the search",
    "the search", "the description's chunks", "building the main window",
    "the first values (the board's 300 ms read preparation among them)"};
using StepTimes = std::array<double, kSteps.size()>;

size_t LockQueries(const CBoardModel& board) {
    const Frame query = BuildCommandFrame(Protocol::kStartQuery, Protocol::kLetterLockStatus);
    const auto requests = board.Requests();
    return static_cast<size_t>(std::count(requests.begin(), requests.end(), query));
}

// Each step's steady-clock time from the program's log, less the start;
// nothing while a step is missing.
std::optional<StepTimes> ReadSteps(const std::string& strLog, Clock::time_point start) {
    std::ifstream file(strLog);
    std::map<std::string, double> found;
    const std::regex line(R"(tunevo\.startup: (.+): \d+ ms after start, steady clock (\d+) ms)");
    const double dStartMs = Ms(start.time_since_epoch()).count();
    for (std::string strLine; std::getline(file, strLine);) {
        std::smatch match;
        if (std::regex_search(strLine, match, line)) {
            found[match[1].str()] = std::stod(match[2].str()) - dStartMs;
        }
    }
    StepTimes times{};
    for (size_t i = 0; i < kSteps.size(); ++i) {
        const auto step = found.find(kSteps[i]);
        if (step == found.end()) {
            return std::nullopt;
        }
        times[i] = step->second;
    }
    return times;
}

// Starts tunevo on the board until it has shown its first values; the
// program stays up in pProgram when it is given.
std::optional<StepTimes> StartUp(const std::vector<std::string>& environment, ELinkTiming timing,
                                 const std::string& strLog,
                                 std::unique_ptr<CChildProcess>* pProgram = nullptr) {
    const auto start = Clock::now();
    auto pTunevo = std::make_unique<CChildProcess>(
        TUNEVO_PROGRAM, std::vector<std::string>{"--link-timing", TimingWord(timing)}, environment,
        std::string(), strLog);
    std::optional<StepTimes> times;
    if (!WaitUntil([&] { return (times = ReadSteps(strLog, start)).has_value(); },
                   std::chrono::seconds(60))) {
        std::fprintf(stderr, "bench: the program never showed its values\n");
        return std::nullopt;
    }
    if (pProgram != nullptr) {
        *pProgram = std::move(pTunevo);
    }
    return times;
}

// The exchanges of one start-up, by the board's requests: those that find
// the board and fetch its description, and those that read the first values.
struct StartupExchanges {
    size_t nDescription = 0;
    size_t nValues = 0;
};
StartupExchanges CountExchanges(const CBoardModel& board, size_t nFrom, Clock::time_point until) {
    std::set<uint8_t> valueLetters;
    const CBoardDescription demo = CBoardDescription::Demo();
    for (const SimItem& item : demo.Items()) {
        if (item.nArray <= 3) {  // the over-clock arrays
            valueLetters.insert({item.nValueCmd, item.nRangeCmd});
        }
    }
    valueLetters.erase(0);
    StartupExchanges exchanges;
    const auto requests = board.Requests();
    const auto times = board.RequestTimes();
    for (size_t i = nFrom; i < requests.size() && times.at(i) <= until; ++i) {
        const uint8_t nLetter = requests[i].at(Protocol::kOffsetLetter);
        if (nLetter == Protocol::kLetterOpen || nLetter == Protocol::kLetterChunk) {
            ++exchanges.nDescription;
        } else if (valueLetters.contains(nLetter)) {
            ++exchanges.nValues;
        }
    }
    return exchanges;
}

// The description's chunks and the line time of their replies.
struct StartupWire {
    size_t nChunks = 0;
    double dChunkLineMs = 0;
};
StartupWire DescriptionWire() {
    const size_t nBytes = CBoardDescription::Demo().Bytes().size();
    StartupWire wire;
    wire.nChunks = (nBytes + CBoardModel::kChunkPayload - 1) / CBoardModel::kChunkPayload;
    const size_t nLineBytes = nBytes + wire.nChunks * Protocol::kFrameOverhead;
    wire.dChunkLineMs = 1000.0 * 10.0 * static_cast<double>(nLineBytes) / Protocol::kBaudRate;
    return wire;
}

}  // namespace

int main(int argc, char** argv) {
    const int nIdleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    TempDir programDir;
    std::filesystem::copy_file(TUNEVO_LOCALE_FILE, programDir.Path() + "/BT_LocaleStr.ini");
    std::printf("tunevo on the demo board over a pseudo-terminal, offscreen, %d runs each\n",
                kRuns);
    const StartupWire wire = DescriptionWire();
    std::map<std::string, StepTimes> breakdowns;
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
            "TUNEVO_PORT_PATTERN=" + ports.Path() + "/rfcomm%d", "LC_ALL=en_US.UTF-8",
            "QT_LOGGING_RULES=tunevo.startup=true"};
        // Per timing, per step, the runs' times.
        std::map<ELinkTiming, std::array<std::vector<double>, kSteps.size()>> samples;
        StartupExchanges exchanges;
        for (const ELinkTiming timing : kBenchTimings) {
            for (int nRun = 0; nRun < kRuns; ++nRun) {
                const size_t nBefore = pBoard->Requests().size();
                const auto start = Clock::now();
                std::unique_ptr<CChildProcess> pTunevo;
                const std::optional<StepTimes> times =
                    StartUp(environment, timing, programDir.Path() + "/startup.log", &pTunevo);
                if (!times) {
                    return 1;
                }
                for (size_t i = 0; i < kSteps.size(); ++i) {
                    samples[timing][i].push_back((*times)[i]);
                }
                pTunevo->Terminate();
                const auto valuesAt =
                    start + std::chrono::duration_cast<Clock::duration>(Ms((*times).back()));
                exchanges = CountExchanges(*pBoard, nBefore, valuesAt);
            }
        }
        auto median = [&](ELinkTiming timing, size_t nStep) {
            return Median(samples[timing][nStep]);
        };
        // On the radio board: 1.3 x the round trips (25 ms each, a chunk's
        // line time on top), and the board's 300 ms read preparation.
        const bool bRadio = benchBoard.nLatencyMs > 0;
        const double dWindowTrips =
            25.0 * static_cast<double>(exchanges.nDescription) + wire.dChunkLineMs;
        const double dValueTrips = 25.0 * static_cast<double>(exchanges.nValues);
        TimingRow window{"start to main window", &benchBoard, median(ELinkTiming::Fixed, 4),
                         median(ELinkTiming::Fast, 4), exchanges.nDescription};
        window.dGoalMs = bRadio ? 1.3 * dWindowTrips : kAtOnceGoalMs;
        PrintTimingRow(window);
        TimingRow values{"start to first values", &benchBoard, median(ELinkTiming::Fixed, 5),
                         median(ELinkTiming::Fast, 5),
                         exchanges.nDescription + exchanges.nValues};
        values.dGoalMs = bRadio ? 1.3 * (dWindowTrips + dValueTrips) + kReadPreparationMs : 0.0;
        PrintTimingRow(values);
        StepTimes fast{};
        for (size_t i = 0; i < kSteps.size(); ++i) {
            fast[i] = median(ELinkTiming::Fast, i);
        }
        breakdowns[benchBoard.pszName] = fast;
    }
    std::printf("\nwhere the start-up goes, fast timing (medians, ms):\n");
    std::printf("%-68s", "");
    for (const BenchBoard& benchBoard : kBenchBoards) {
        std::printf(" %16s", benchBoard.pszName);
    }
    std::printf("\n");
    for (size_t i = 0; i < kSteps.size(); ++i) {
        std::printf("%-68s", kStepCosts[i]);
        for (const BenchBoard& benchBoard : kBenchBoards) {
            const StepTimes& times = breakdowns[benchBoard.pszName];
            std::printf(" %16.1f", times[i] - (i == 0 ? 0.0 : times[i - 1]));
        }
        std::printf("\n");
    }
    std::printf("  the description: %zu chunks, %.0f ms of them on the line at %d baud\n\n",
                wire.nChunks, wire.dChunkLineMs, Protocol::kBaudRate);

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
        "LC_ALL=en_US.UTF-8", "QT_LOGGING_RULES=tunevo.startup=true"};
    std::unique_ptr<CChildProcess> pTunevo;
    if (!StartUp(environment, ELinkTiming::Fast, programDir.Path() + "/user.log", &pTunevo)) {
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
