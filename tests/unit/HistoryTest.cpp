// The monitored values' history, and the files a watch leaves behind.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <tuple>

#include "data/CItemHistory.h"
#include "data/MonitorLog.h"
#include "link/CMonitorHistory.h"
#include "link/ItemText.h"
#include "link/Recording.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Clock = CItemHistory::Clock;
const Clock::time_point kStart = Clock::time_point(std::chrono::seconds(1'800'000'000));

std::vector<std::optional<double>> Values(const CItemHistory& history) {
    std::vector<std::optional<double>> values;
    for (const CItemHistory::Sample& sample : history.Samples()) {
        values.push_back(sample.value);
    }
    return values;
}

// Values every 2 s into a ring of four: gaps stay gaps and move no figure;
// the ring keeps the newest four; a reset clears the figures, not the ring.
TEST(ItemHistory, GapsMoveNoFigureTheRingKeepsTheNewestAndResetClearsTheFigures) {
    CItemHistory history(4);
    const std::optional<double> fed[] = {5.0, std::nullopt, 2.0, 9.0, std::nullopt, 4.0};
    for (size_t i = 0; i < std::size(fed); ++i) {
        history.Add(kStart + std::chrono::seconds(2 * i), fed[i]);
    }
    EXPECT_EQ(Values(history), (std::vector<std::optional<double>>{2.0, 9.0, std::nullopt, 4.0}));
    const CItemHistory::Figures figures = history.FiguresSinceReset();
    EXPECT_EQ(figures.nCount, 4u) << "values the ring no longer holds still count";
    EXPECT_DOUBLE_EQ(figures.dMin, 2.0);
    EXPECT_DOUBLE_EQ(figures.dMax, 9.0);
    EXPECT_DOUBLE_EQ(figures.dAverage, 5.0);
    EXPECT_EQ(history.Samples().front().time, kStart + 4s);
    EXPECT_EQ(history.Samples(kStart + 8s).size(), 2u);

    history.ResetFigures();
    EXPECT_EQ(history.FiguresSinceReset().nCount, 0u);
    EXPECT_EQ(history.Size(), 4u);
    history.Add(kStart + 12s, 7.0);
    history.Add(kStart + 10s, 6.0);  // a clock stepped back: kept in order
    EXPECT_DOUBLE_EQ(history.FiguresSinceReset().dMin, 6.0);
    EXPECT_EQ(history.Newest()->time, kStart + 12s);
    EXPECT_EQ(history.Newest()->value, 6.0);
}

BoardItem Monitored(const std::u16string& value, int nMissed, const std::u16string& div = u"1") {
    BoardItem item;
    item.Name = u"item";
    item.Value = value;
    item.Div = div;
    item.Mul = u"1";
    item.bValueRead = true;
    item.nMissedReads = nMissed;
    return item;
}

// A value kept from an earlier read, a temperature out of the sensor's range
// ("N/A") and one never read are gaps; a value read now goes in as shown.
TEST(MonitorHistory, OnlyAValueReadNowGoesInAsItIsShown) {
    CMonitorHistory history(60s, 2s);
    BoardItem never = Monitored(u"0", 0);
    never.bValueRead = false;
    const BoardItemArray temps = {Monitored(u"62", 0), Monitored(u"63", 1), Monitored(u"200", 0),
                                  never};
    history.Record(EBoardArray::HwTemp, temps, kStart);
    std::vector<std::optional<double>> newest;
    for (size_t i = 0; i < temps.size(); ++i) {
        newest.push_back(history.Find(EBoardArray::HwTemp, i)->Newest()->value);
    }
    EXPECT_EQ(newest,
              (std::vector<std::optional<double>>{62.0, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(history.Find(EBoardArray::HwTemp, 0)->Capacity(), 30u);
    EXPECT_EQ(history.Find(EBoardArray::HwFan, 0), nullptr);
    history.Record(EBoardArray::HwVolt, {Monitored(u"1253", 0, u"1000")}, kStart);
    EXPECT_FLOAT_EQ(static_cast<float>(*history.Find(EBoardArray::HwVolt, 0)->Newest()->value),
                    1.253f);
}

// The lines a recording takes of an array: only the values read now, each
// as shown with its alarm; and where each kind's alarm line lies for its graph.
TEST(MonitorHistory, ARecordingTakesTheValuesReadNowAndEachKindHasItsAlarmLine) {
    BoardItem missed = Monitored(u"71", 1);
    missed.Name = u"VRM";
    BoardItem cpu = Monitored(u"72", 0);
    cpu.Name = u"CPU";
    cpu.Threshold2 = u"70";
    const std::vector<RecordedValue> values =
        RecordedValuesOf(EBoardArray::HwTemp, {missed, cpu}, kStart);
    ASSERT_EQ(values.size(), 1u);
    const RecordedValue& value = values[0];
    EXPECT_EQ(std::tie(value.strItem, value.strCategory, value.strValue, value.strUnit),
              std::make_tuple("CPU", "HW_Temp", "72", "\u00B0C"));
    EXPECT_TRUE(value.bAlarm);
    EXPECT_EQ(value.time, kStart);

    BoardItem item = Monitored(u"0", 0);
    item.Threshold2 = u"1.6";
    // clang-format off
    const std::tuple<EBoardArray, std::optional<double>, bool> lines[] = {
        {EBoardArray::HwFan, 600.0, true}, {EBoardArray::HwVolt, 1.6, false},
        {EBoardArray::HwTemp, 1.6, false}, {EBoardArray::HwFrq, std::nullopt, false}};
    // clang-format on
    for (const auto& [array, value, bBelow] : lines) {
        const std::optional<AlarmLine> line = AlarmLineOf(array, item);
        ASSERT_EQ(line.has_value(), value.has_value());
        if (line) {
            EXPECT_FLOAT_EQ(static_cast<float>(line->dValue), static_cast<float>(*value));
            EXPECT_EQ(line->bBelow, bBelow);
        }
    }
}

// Recordings' lines: local time with its offset, fields quoted where a comma
// or quote would break them, the alarm as 1 or 0.
TEST(MonitorLog, ARecordingLineHoldsSixColumnsInLocalTimeWithItsOffset) {
    {
        const ScopedEnv zone("TZ", "CET-1");
        tzset();
        EXPECT_EQ(RecordingLine({kStart, "CPU Fan", "HW_Fan", "0", "RPM", true}),
                  "2027-01-15T09:00:00+01:00,CPU Fan,HW_Fan,0,RPM,1");
        EXPECT_EQ(RecordingLine({kStart, "Fan \"A\", left", "HW_Fan", "1450", "RPM", false}),
                  "2027-01-15T09:00:00+01:00,\"Fan \"\"A\"\", left\",HW_Fan,1450,RPM,0");
    }
    tzset();
    EXPECT_EQ(kRecordingHeader, "time,item,category,value,unit,alarm");
}

// The alarm log keeps every entry across watches, and passes over a line
// that is none (a crash mid-line, an edit by hand).
TEST(MonitorLog, TheAlarmLogKeepsEachEntryAndPassesOverBrokenLines) {
    TempDir data;
    const ScopedEnv dataHome("XDG_DATA_HOME", data.Path().c_str());
    std::string strError;
    ASSERT_TRUE(AppendAlarm({kStart, "TVB-1", "CPU Fan", "0", "RPM"}, strError)) << strError;
    std::ofstream(AlarmLogPath(), std::ios::app) << "{\"time\": \"cut\n";
    ASSERT_TRUE(AppendAlarm({kStart + 60s, "TVB-1", "CPU", "91", "°C"}, strError));
    const std::vector<AlarmEntry> entries = ReadAlarms();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].strItem, "CPU Fan");
    EXPECT_EQ(entries[0].time, kStart);
    EXPECT_EQ(entries[1].strValue, "91");
    EXPECT_EQ(entries[1].strUnit, "°C");
    EXPECT_EQ(AlarmLogPath(), data.Path() + "/tunevo/alarms.jsonl");
}

}  // namespace
