#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/BoardItem.h"

// How an item's raw value is shown: the text and unit the over-clock rows
// and the monitor lists show, and whether the monitor marks it in red.
// Texts use "." as the decimal point whatever the locale. A Div of 0
// counts as 1.

// "[V]", "[MHz]", "[X]" for the over-clock arrays; "[V]", "[℃]", "[RPM]",
// "[MHz]" for the monitored ones (UTF-8).
std::string_view UnitOf(EBoardArray array);
// The unit without its brackets, as programs and logs want it: "V", "°C",
// "RPM", "MHz".
std::string PlainUnit(EBoardArray array);

// Over-clock items: raw x Mul / Div within the item's range, "%.6f" for
// voltages, "%.1f" for frequencies and "%.0f" for ratios. Monitored items:
// Value / Div, "%.5f" for voltages and "%.1f" for frequencies; fans in whole
// RPM; temperatures in whole degrees, bytes above 127 counting below zero,
// and "N/A" outside -30 to 120.
std::string ShownText(EBoardArray array, const BoardItem& item);
// A monitored array's value as shown, from a number (a minimum or an
// average): the decimals ShownText gives the array's values.
std::string ShownNumberText(EBoardArray array, double dValue);

// The monitor's alarm: a fan at 600 RPM or less; a voltage or temperature
// at or above the item's Threshold2. Frequencies never alarm.
bool IsAlarm(EBoardArray array, const BoardItem& item);

// A Threshold2 at or beyond this, either way, lies beyond any reading: the
// description check puts kNoAlarmText in its place, which no value reaches
// and which draws no alarm line.
inline constexpr double kNoAlarmThreshold = 1e9;
inline constexpr const char16_t* kNoAlarmText = u"1e30";

// The same rules for a value as shown (its text read as a number; "N/A"
// reads as 0): the fan rule, or else the item's Threshold2. Compared in
// single precision, as the values are shown from single precision.
bool IsAlarmValue(std::u16string_view shown, const BoardItem& item, bool bFanRule);

// Where a monitored item's alarm begins, in its shown unit: a fan at or
// below 600 RPM, a voltage or temperature at or above its Threshold2.
// Frequencies have none.
struct AlarmLine {
    double dValue = 0;
    bool bBelow = false;  // the alarm lies at and below the line, not above
};
std::optional<AlarmLine> AlarmLineOf(EBoardArray array, const BoardItem& item);
