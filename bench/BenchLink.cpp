#include "bench/BenchLink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"

namespace {
// The radio's goal: each exchange within 25 ms, with 30 % to spare.
constexpr double kRadioExchangeMs = 25.0;
constexpr double kRadioSlack = 1.3;
}  // namespace

std::unique_ptr<CDeviceLink> StartBenchLink(const std::string& strFolder, CPtyBoardServer& server,
                                            CRecordingListener& listener, ELinkTiming timing) {
    std::string strError;
    if (!server.Start(strFolder + "/rfcomm0", strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return nullptr;
    }
    auto pLink = std::make_unique<CDeviceLink>(CDeviceLink::Environment{
        std::make_shared<CDevicePortOpener>(strFolder + "/rfcomm%d"),
        std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>(), timing});
    pLink->SetListener(&listener);
    pLink->StartPortSearch();
    if (!listener.WaitForCount("OnLinkState", 1) || listener.Count("OnLinkState", true) != 1) {
        std::fprintf(stderr, "bench: the board was not found\n");
        return nullptr;
    }
    pLink->StartLink();
    if (!listener.WaitFor(
            [](const auto& reports) {
                return std::ranges::any_of(reports, [](const auto& report) {
                    return report.strOperation == "OnConfigLoaded";
                });
            },
            std::chrono::minutes(2))) {
        std::fprintf(stderr, "bench: the load did not finish\n");
        return nullptr;
    }
    return pLink;
}

std::shared_ptr<CBoardModel> MakeBenchBoard(const BenchBoard& board) {
    auto pBoard = std::make_shared<CBoardModel>();
    pBoard->SetRadio(std::chrono::milliseconds(board.nLatencyMs), board.nPieces);
    return pBoard;
}

const char* TimingWord(ELinkTiming timing) {
    return timing == ELinkTiming::Fast ? "fast" : "fixed";
}

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void PrintTimingHeader() {
    std::printf("%-34s %-16s %10s %10s %10s %9s %10s\n", "operation", "board", "fixed ms",
                "fast ms", "fast/fixed", "exchanges", "radio goal");
}

void PrintTimingRow(const TimingRow& row) {
    std::printf("%-34s %-16s %10.1f %10.1f %10.3f %9zu", row.strWhat.c_str(), row.pBoard->pszName,
                row.dFixedMs, row.dFastMs, row.dFastMs / row.dFixedMs, row.nExchanges);
    double dGoal = 0;
    if (row.dGoalMs) {
        dGoal = *row.dGoalMs;
    } else if (row.pBoard->nLatencyMs > 0 && row.nExchanges > 0) {
        dGoal = kRadioSlack * kRadioExchangeMs * static_cast<double>(row.nExchanges) +
                row.dBoardMs;
    }
    if (dGoal > 0) {
        std::printf(" %7.1f ms %s", dGoal, row.dFastMs <= dGoal ? "met" : "missed");
    }
    std::printf("\n");
    std::fflush(stdout);
}
