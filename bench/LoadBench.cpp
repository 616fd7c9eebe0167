// Prints how long the whole start-up takes against the simulated board over a
// real pseudo-terminal: port search, configuration download, load and the
// first read of the over-clock values, from StartPortSearch until
// OnConfigLoaded(true). Then one monitor sample, as tunevoctl monitor takes
// it: every monitored array read once. Each in both link timings, on the
// demo board answering at once and behind a modelled radio, and on a large
// board.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchLink.h"
#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/Protocol.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// About sixty items in every section, with letters the protocol leaves free.
std::string LargeBoard() {
    const char* sections[] = {"Over_Volt", "Over_Freq", "Over_Ratio", "HW_Volt",
                              "HW_Temp",   "HW_Fan",    "HW_Frq"};
    const int counts[] = {20, 8, 4, 10, 8, 6, 4};
    std::vector<int> letters;
    for (int nCode = 33; nCode < 256 && letters.size() < 120; ++nCode) {
        if (nCode != Protocol::kLetterChunk && nCode != Protocol::kLetterPowerStatus &&
            nCode != Protocol::kLetterLockStatus && nCode != Protocol::kLetterPosterCode &&
            nCode != Protocol::kLetterMessageMode && nCode != Protocol::kLetterPrepareRead49) {
            letters.push_back(nCode);
        }
    }
    size_t nLetter = 0;
    std::string strText = "[Version]\nVer=LARGE-1\n";
    for (int nSection = 0; nSection < 7; ++nSection) {
        const bool bOverclock = nSection < 3;
        strText += std::string("[") + sections[nSection] +
                   "]\nCount=" + std::to_string(counts[nSection]) + "\n";
        for (int i = 1; i <= counts[nSection]; ++i) {
            const int nValueCmd = letters[nLetter++];
            const int nRangeCmd = bOverclock ? letters[nLetter++] : 0;
            const std::string strKind = nSection == 2 ? "1" : "2";
            strText += std::to_string(i) + "=" + sections[nSection] + " item " + std::to_string(i) +
                       "," + strKind + "," + (bOverclock ? "1" : "0") +
                       ",10,2000,1000,1,1000,1.5,1.6," + std::to_string(nValueCmd) + "," +
                       std::to_string(nRangeCmd) + ",1000,1\n";
        }
    }
    return strText;
}

struct Result {
    bool bOk = false;
    double dMs = 0;
    double dMonitorMs = 0;
    size_t nLoadExchanges = 0;
    size_t nMonitorExchanges = 0;
};

Result RunOnce(const std::shared_ptr<CBoardModel>& pBoard, ELinkTiming timing) {
    TempDir dir;
    g_szProgramDir = dir.Path();
    CPtyBoardServer server(pBoard);
    CRecordingListener listener;
    const size_t nBefore = pBoard->Requests().size();
    const auto start = Clock::now();
    const std::unique_ptr<CDeviceLink> pLink = StartBenchLink(dir.Path(), server, listener, timing);
    if (!pLink) {
        return {};
    }
    const double dMs = Ms(Clock::now() - start).count();
    if (listener.Count("OnLinkError") != 0) {
        std::fprintf(stderr, "bench: the load reported errors\n");
        return {};
    }
    const size_t nLoaded = pBoard->Requests().size();
    const auto monitorStart = Clock::now();
    for (EBoardArray array : kHardwareArrays) {
        if (!pLink->RefreshArray(array)) {
            std::fprintf(stderr, "bench: a monitor read failed\n");
            return {};
        }
    }
    return {true, dMs, Ms(Clock::now() - monitorStart).count(), nLoaded - nBefore,
            pBoard->Requests().size() - nLoaded};
}

// The start-up and one monitor sample in both timings, over a few runs each.
bool Measure(const char* pszName, const std::function<std::shared_ptr<CBoardModel>()>& makeBoard,
             const BenchBoard& benchBoard, int nRuns) {
    std::map<ELinkTiming, std::vector<double>> load;
    std::map<ELinkTiming, std::vector<double>> monitor;
    Result last;
    for (const ELinkTiming timing : kBenchTimings) {
        for (int nRun = 0; nRun < nRuns; ++nRun) {
            last = RunOnce(makeBoard(), timing);
            if (!last.bOk) {
                return false;
            }
            load[timing].push_back(last.dMs);
            monitor[timing].push_back(last.dMonitorMs);
        }
    }
    PrintTimingRow({std::string(pszName) + ": start-up to loaded", &benchBoard,
                    Median(load[ELinkTiming::Fixed]), Median(load[ELinkTiming::Fast]),
                    last.nLoadExchanges});
    PrintTimingRow({std::string(pszName) + ": one monitor sample", &benchBoard,
                    Median(monitor[ELinkTiming::Fixed]), Median(monitor[ELinkTiming::Fast]),
                    last.nMonitorExchanges});
    return true;
}

}  // namespace

int main() {
    std::printf(
        "Start-up from StartPortSearch to OnConfigLoaded(true), then one monitor sample,\n"
        "simulated board over a pseudo-terminal\n");
    PrintTimingHeader();
    for (const BenchBoard& benchBoard : kBenchBoards) {
        if (!Measure(
                "demo", [&] { return MakeBenchBoard(benchBoard); }, benchBoard, 3)) {
            return 1;
        }
    }
    CBoardDescription large;
    std::string strError;
    if (!large.Parse(LargeBoard(), strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return 1;
    }
    const auto makeLarge = [&large] {
        auto pLarge = std::make_shared<CBoardModel>(large);
        pLarge->SetChunkCount(40);
        return pLarge;
    };
    return Measure("large", makeLarge, kBenchBoards[0], 2) ? 0 : 1;
}
