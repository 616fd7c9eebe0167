#pragma once

#include <prometheus/metric_family.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "link/BoardItem.h"
#include "link/CDeviceLink.h"

// What `tunevoctl serve` knows of its board: each item's last value read,
// with its time, and the board's state, as the last round of reads left it.
struct ServedBoard {
    using Clock = std::chrono::system_clock;
    struct Reading {
        double dValue = 0;  // in the item's shown unit
        bool bAlarm = false;
        Clock::time_point readAt;
    };

    std::string strBoard;  // the label every metric carries
    // Labels every series carries after board, from the serve's configuration.
    std::vector<std::pair<std::string, std::string>> labels;
    std::string strVersion;
    std::string strName;
    std::string strAddress;
    // The board answered the last round (an item it did not answer keeps its
    // last reading, which grows old); else why not: "not found", "link lost"
    // or "no answer". While it is down its readings are not served.
    bool bUp = false;
    std::string strDownReason = "not found";
    // By array and item name; an item never read has none.
    std::map<std::pair<EBoardArray, std::string>, Reading> readings;
    std::optional<bool> powerOn;
    std::optional<bool> locked;
    std::optional<int> postCode;
    // The fans read above 0 RPM since the serve started: one never seen
    // turning is a header with nothing on it, not a stopped fan.
    std::set<std::string> fansSeenTurning;
    CDeviceLink::ExchangeCounts counts;  // every link's of this serve, summed
    uint64_t nReconnects = 0;
    double dInterval = 0;  // seconds between rounds, for rules that judge ages
};

// Takes the values a read of the array brought into the readings; values
// not read now keep their last reading, which grows old.
void TakeReadings(ServedBoard& board, EBoardArray array, const BoardItemArray& items,
                  ServedBoard::Clock::time_point now);

// The metrics of a board, as a scrape at `now` serves them: base units, one
// tunevo_ prefix, the board and the item as labels.
std::vector<prometheus::MetricFamily> BoardFamilies(const ServedBoard& board,
                                                    ServedBoard::Clock::time_point now);
