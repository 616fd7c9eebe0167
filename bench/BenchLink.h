#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/Transact.h"

class CBoardModel;
class CDeviceLink;
class CPtyBoardServer;
class CRecordingListener;

// Serves the board on a pseudo-terminal in the folder and starts a link to it
// with the real machine's parts (device ports, steady clock), in the given
// timing, reporting to the listener, and waits until the link has loaded the
// board. Null, with the reason printed, when any step fails.
std::unique_ptr<CDeviceLink> StartBenchLink(const std::string& strFolder, CPtyBoardServer& server,
                                            CRecordingListener& listener,
                                            ELinkTiming timing = ELinkTiming::Fixed);

// The two boards every timing figure is given for: the simulated demo board
// answering at once, and the same behind a modelled radio whose replies start
// 20 ms after their request and come in two pieces 5 ms apart.
struct BenchBoard {
    const char* pszName;
    int nLatencyMs;
    int nPieces;
};
inline constexpr BenchBoard kBenchBoards[] = {{"at once", 0, 1}, {"radio 20 ms x 2", 20, 2}};
// The pause the board needs before it is read a value of code 49 (the demo
// board's PCIE Frequency): part of every over-clock read, whatever the link.
inline constexpr double kReadPreparationMs = 300.0;
inline constexpr ELinkTiming kBenchTimings[] = {ELinkTiming::Fixed, ELinkTiming::Fast};

// A demo board model behaving as the bench board does.
std::shared_ptr<CBoardModel> MakeBenchBoard(const BenchBoard& board);
// "tunevo"'s --link-timing word for the timing.
const char* TimingWord(ELinkTiming timing);
double Median(std::vector<double> samples);

// One operation on one board in both timings: the medians, and the
// exchanges one run of it makes.
struct TimingRow {
    TimingRow(std::string what, const BenchBoard* board, double fixedMs, double fastMs,
              size_t exchanges, double boardMs = 0)
        : strWhat(std::move(what)),
          pBoard(board),
          dFixedMs(fixedMs),
          dFastMs(fastMs),
          nExchanges(exchanges),
          dBoardMs(boardMs) {}
    std::string strWhat;
    const BenchBoard* pBoard = nullptr;
    double dFixedMs = 0;
    double dFastMs = 0;
    size_t nExchanges = 0;
    // Time the board itself needs beyond the exchanges' round trips.
    double dBoardMs = 0;
    // The goal, where it is not 1.3 x exchanges x 25 ms on the radio board;
    // none when 0.
    std::optional<double> dGoalMs;
};
// Prints the header of the table the rows make.
void PrintTimingHeader();
// Prints the row: both medians and fast/fixed, and the goal and how the fast
// figure stands to it: the row's own, or on the radio board 1.3 x exchanges
// x 25 ms plus the board's own pauses.
void PrintTimingRow(const TimingRow& row);
