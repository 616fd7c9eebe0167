// Prints what the monitored values' history costs for an hour of sixty items
// at the 2 s refresh:
//
//   memory: the rings' own bytes, and the process's resident memory before
//       and after the hour was fed
//   add: the time to record one item's value, over the hour's 108 000
//   CSV: the time to write the hour as a recording, one line per value,
//       each handed to the system whole

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/ProcessStats.h"
#include "data/MonitorLog.h"
#include "link/CMonitorHistory.h"
#include "link/ItemText.h"
#include "tests/support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kItemsPerArray = 15;  // sixty over the four monitored arrays
constexpr int kSamples = 1800;      // an hour at 2 s
constexpr auto kPeriod = std::chrono::seconds(2);

BoardItemArray MakeItems(EBoardArray array) {
    BoardItemArray items;
    for (int i = 0; i < kItemsPerArray; ++i) {
        // Each built fresh: GCC 12's -Wrestrict misreads a literal assigned
        // into a string it cannot follow.
        BoardItem item;
        item.Name = std::u16string{u'i', u't', u'e', u'm', u' ', static_cast<char16_t>(u'A' + i)};
        item.Div = std::u16string(array == EBoardArray::HwVolt ? u"1000" : u"1");
        item.Mul = std::u16string(u"1");
        item.bValueRead = true;
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

int main() {
    const long nRssBefore = ResidentKiB(getpid());
    CMonitorHistory history;
    std::vector<std::pair<EBoardArray, BoardItemArray>> arrays;
    for (EBoardArray array : kHardwareArrays) {
        arrays.emplace_back(array, MakeItems(array));
    }
    const auto start = CItemHistory::Clock::now();
    const auto fed = Clock::now();
    for (int nSample = 0; nSample < kSamples; ++nSample) {
        for (auto& [array, items] : arrays) {
            for (size_t i = 0; i < items.size(); ++i) {
                // Values that move, and now and then a read that failed.
                items[i].nMissedReads = (nSample + static_cast<int>(i)) % 97 == 0 ? 1 : 0;
                items[i].Value = std::u16string{
                    u'1', static_cast<char16_t>(u'0' + (nSample + static_cast<int>(i)) % 10), u'5'};
            }
            history.Record(array, items, start + nSample * kPeriod);
        }
    }
    const double dFeedMs = Ms(Clock::now() - fed).count();
    const long nRssAfter = ResidentKiB(getpid());
    const double nValues = static_cast<double>(kSamples) * kItemsPerArray * 4;

    TempDir dir;
    CLineFile file;
    std::string strError;
    const auto written = Clock::now();
    if (!file.Create(dir.Path() + "/hour.csv", kRecordingHeader, strError)) {
        std::fprintf(stderr, "bench: %s\n", strError.c_str());
        return 1;
    }
    for (auto& [array, items] : arrays) {
        for (size_t i = 0; i < items.size(); ++i) {
            for (const CItemHistory::Sample& sample : history.Find(array, i)->Samples()) {
                if (sample.value) {
                    file.WriteLine(
                        RecordingLine({sample.time, "item", "HW_Volt",
                                       std::to_string(*sample.value), PlainUnit(array), false}));
                }
            }
        }
    }
    file.Close();
    const double dCsvMs = Ms(Clock::now() - written).count();

    std::printf("history of 60 monitored items, an hour at the 2 s refresh (%d samples each)\n",
                kSamples);
    std::printf("memory   rings %.0f KiB; resident %ld KiB before, %ld KiB after\n",
                static_cast<double>(history.MemoryBytes()) / 1024.0, nRssBefore, nRssAfter);
    std::printf("add      %.3f us per value (%.0f values in %.1f ms)\n", 1000.0 * dFeedMs / nValues,
                nValues, dFeedMs);
    std::printf("CSV      an hour (%.0f lines) in %.1f ms\n", nValues, dCsvMs);
    return 0;
}
