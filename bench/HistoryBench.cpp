// Prints what the monitored values' history costs for an hour of sixty items
// at the 2 s refresh:
//
//   memory: the rings' own bytes, and the process's resident memory before
//       and after the hour was fed
//   add: the time to record one item's value, over the hour's 108 000
//   CSV: the time to write the hour as a recording, one line per value,
//       each handed to the system whole
//   graph: the time to paint one item's hour (offscreen, at the large
//       layout's size), and the longest the event loop went without running
//       a zero-interval timer while the graph took a new value and redrew
//       at ten times the refresh's pace

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/LoopWatch.h"
#include "bench/ProcessStats.h"
#include "data/MonitorLog.h"
#include "link/CMonitorHistory.h"
#include "link/ItemText.h"
#include "tests/support/TempDir.h"
#include "widgets/CHistoryGraph.h"

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

// Paints one item's hour many times, then lets it redraw on a timer for a
// few seconds as new values come; prints both figures.
void MeasureGraph(const CItemHistory& item) {
    constexpr int kPaints = 200;
    constexpr int kRedrawMs = 200;
    constexpr int kWatchMs = 5000;
    CHistoryGraph graph({"now %1   min %2   max %3", "-%1 min", "now", "Graph of %1",
                         "%1 %2 %3 %4 %5", "%1", "%1", "%1", "%1 %2"});
    graph.resize(450, 280);
    std::vector<CItemHistory::Sample> samples = item.Samples();
    CItemHistory::Clock::time_point now = samples.back().time;
    const auto content = [&] {
        return CHistoryGraph::Content{"item A",
                                      "V",
                                      samples,
                                      AlarmLine{1.6, false},
                                      [](double dValue) { return QString::number(dValue, 'f', 5); },
                                      now};
    };
    graph.SetContent(content());
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    const auto painted = Clock::now();
    for (int i = 0; i < kPaints; ++i) {
        graph.render(&image);
    }
    const double dPaintMs = Ms(Clock::now() - painted).count() / kPaints;

    graph.show();
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, [&] {
        now += std::chrono::seconds(2);
        samples.erase(samples.begin());
        samples.push_back({now, 1.25});
        graph.SetContent(content());
        graph.repaint();
    });
    CLoopWatch watch;
    redraw.start(kRedrawMs);
    watch.Start();
    QTest::qWait(kWatchMs);
    const double dLongestMs = watch.Stop();
    std::printf(
        "graph    an hour of one item (%zu values, 450x280) painted in %.2f ms;\n"
        "         longest event-loop block while redrawing every %d ms: %.1f ms\n",
        samples.size(), dPaintMs, kRedrawMs, dLongestMs);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
    MeasureGraph(*history.Find(EBoardArray::HwVolt, 0));
    return 0;
}
