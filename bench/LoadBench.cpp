// Prints how long the whole start-up takes against the simulated board over a
// real pseudo-terminal, next to the protocol's own minimum for the same
// exchanges: port search, configuration download, load and the first read of
// the over-clock values, from StartPortSearch until OnConfigLoaded(true).
//
// Then one monitor sample, as tunevoctl monitor takes it: every monitored
// array read once.
//
// The minimum is the sum of the fixed waits the protocol prescribes; the ratio
// says what the program adds to them.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "data/IniPaths.h"
#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/Protocol.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr double kExchangeMs = 100;  // write, fixed wait, read
constexpr double kPauseMs = 100;     // the pause after an item read or the open reply
constexpr double kPrepareMs = 400;   // "}" exchange and its 300 ms settle
constexpr long kValueCode49 = 49;

// The fixed waits of one start-up against this board, in milliseconds.
double ProtocolMinimum(const CBoardModel& board) {
    double dTotal = kExchangeMs;                 // the search's open frame
    dTotal += kExchangeMs + kPauseMs;            // the download's open frame
    dTotal += kExchangeMs * board.ChunkCount();  // one exchange per chunk
    for (const SimItem& item : board.Description().Items()) {
        if (item.nArray > 3) {
            continue;  // monitored items are not read at start-up
        }
        if (item.bRangeAtLoad || item.strKind == "1") {
            dTotal += kExchangeMs + kPauseMs;
        }
        if (item.nValueCmd == kValueCode49) {
            dTotal += kPrepareMs;
        }
        dTotal += kExchangeMs + kPauseMs;
    }
    return dTotal;
}

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

// One value exchange and its pause per monitored item.
double MonitorMinimum(const CBoardModel& board) {
    double dTotal = 0;
    for (const SimItem& item : board.Description().Items()) {
        dTotal += item.nArray > 3 ? kExchangeMs + kPauseMs : 0;
    }
    return dTotal;
}

struct Result {
    bool bOk = false;
    double dMs = 0;
    double dMonitorMs = 0;
};

Result RunOnce(const std::shared_ptr<CBoardModel>& pBoard) {
    TempDir dir;
    g_szProgramDir = dir.Path();
    CPtyBoardServer server(pBoard);
    std::string strError;
    if (!server.Start(dir.Path() + "/rfcomm0", strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return {};
    }
    CRecordingListener listener;
    CDeviceLink link({std::make_shared<CDevicePortOpener>(dir.Path() + "/rfcomm%d"),
                      std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()});
    link.SetListener(&listener);
    const auto start = Clock::now();
    link.StartPortSearch();
    if (!listener.WaitForCount("OnLinkState", 1) || listener.Count("OnLinkState", true) != 1) {
        std::fprintf(stderr, "bench: the board was not found\n");
        return {};
    }
    link.StartLink();
    if (!listener.WaitFor(
            [](const auto& reports) {
                return !reports.empty() && reports.back().strOperation == "OnConfigLoaded";
            },
            std::chrono::minutes(2))) {
        std::fprintf(stderr, "bench: the load did not finish\n");
        return {};
    }
    const double dMs = Ms(Clock::now() - start).count();
    if (listener.Count("OnLinkError") != 0) {
        std::fprintf(stderr, "bench: the load reported errors\n");
        return {};
    }
    const auto monitorStart = Clock::now();
    for (EBoardArray array : kHardwareArrays) {
        if (!link.RefreshArray(array)) {
            std::fprintf(stderr, "bench: a monitor read failed\n");
            return {};
        }
    }
    return {true, dMs, Ms(Clock::now() - monitorStart).count()};
}

bool Measure(const char* pszName, const std::shared_ptr<CBoardModel>& pBoard, int nRuns) {
    std::vector<double> samples;
    std::vector<double> monitorSamples;
    for (int nRun = 0; nRun < nRuns; ++nRun) {
        const Result result = RunOnce(pBoard);
        if (!result.bOk) {
            return false;
        }
        samples.push_back(result.dMs);
        monitorSamples.push_back(result.dMonitorMs);
    }
    std::sort(samples.begin(), samples.end());
    std::sort(monitorSamples.begin(), monitorSamples.end());
    const double dMinimum = ProtocolMinimum(*pBoard);
    const double dMedian = samples[samples.size() / 2];
    size_t nOverclockItems = 0;
    for (const SimItem& item : pBoard->Description().Items()) {
        nOverclockItems += item.nArray <= 3 ? 1 : 0;
    }
    std::printf(
        "%-6s %2zu items (%2zu read at start), %2d chunks: median %8.1f ms "
        "(min %8.1f, max %8.1f) protocol minimum %8.1f ms  ratio %.4f\n",
        pszName, pBoard->Description().Items().size(), nOverclockItems, pBoard->ChunkCount(),
        dMedian, samples.front(), samples.back(), dMinimum, dMedian / dMinimum);
    const double dMonitorMinimum = MonitorMinimum(*pBoard);
    const double dMonitorMedian = monitorSamples[monitorSamples.size() / 2];
    std::printf(
        "%-6s %2zu items monitored, one sample:     median %8.1f ms "
        "(min %8.1f, max %8.1f) protocol minimum %8.1f ms  ratio %.4f\n",
        pszName, pBoard->Description().Items().size() - nOverclockItems, dMonitorMedian,
        monitorSamples.front(), monitorSamples.back(), dMonitorMinimum,
        dMonitorMedian / dMonitorMinimum);
    return true;
}

}  // namespace

int main() {
    std::printf(
        "Start-up from StartPortSearch to OnConfigLoaded(true), then one monitor sample,\n"
        "simulated board over a pseudo-terminal\n");
    auto pDemo = std::make_shared<CBoardModel>();
    CBoardDescription large;
    std::string strError;
    if (!large.Parse(LargeBoard(), strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return 1;
    }
    auto pLarge = std::make_shared<CBoardModel>(std::move(large));
    pLarge->SetChunkCount(40);
    if (!Measure("demo", pDemo, 5) || !Measure("large", pLarge, 3)) {
        return 1;
    }
    return 0;
}
