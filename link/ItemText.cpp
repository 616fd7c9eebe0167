#include "link/ItemText.h"

#include <algorithm>

#include "data/ValueText.h"

namespace {

constexpr long kFanAlarmRpm = 600;
// Temperatures arrive as a byte; above this they count down from zero.
constexpr long kHighestPositiveTemperature = 127;
constexpr long kLowestShownTemperature = -30;
constexpr long kHighestShownTemperature = 120;

long Divisor(const BoardItem& item) {
    const long nDiv = WToL(item.Div);
    return nDiv == 0 ? 1 : nDiv;
}

std::string OverclockText(EBoardArray array, const BoardItem& item) {
    // In double: a float shows 65535 / 1000 as 65.535004, a figure the board never sent.
    const double dMul = static_cast<double>(WToL(item.Mul));
    const double dDiv = static_cast<double>(Divisor(item));
    const double dShown = dMul * static_cast<double>(WToL(item.Value)) / dDiv;
    const double dMin = dMul * static_cast<double>(WToL(item.Min)) / dDiv;
    const double dMax = dMul * static_cast<double>(WToL(item.Max)) / dDiv;
    // The range limits the shown value; the raw value stays as read.
    const double dLimited = std::min(std::max(dShown, dMin), std::max(dMin, dMax));
    switch (array) {
        case EBoardArray::OverFreq:
            return FixedText(dLimited, 1);
        case EBoardArray::OverRatio:
            return FixedText(dLimited, 0);
        default:
            return FixedText(dLimited, 6);
    }
}

}  // namespace

std::string_view UnitOf(EBoardArray array) {
    switch (array) {
        case EBoardArray::OverVolt:
        case EBoardArray::HwVolt:
            return "[V]";
        case EBoardArray::OverFreq:
        case EBoardArray::HwFrq:
            return "[MHz]";
        case EBoardArray::OverRatio:
            return "[X]";
        case EBoardArray::HwTemp:
            return "[\u2103]";
        case EBoardArray::HwFan:
            return "[RPM]";
    }
    return "";
}

std::string ShownText(EBoardArray array, const BoardItem& item) {
    const long nValue = WToL(item.Value);
    const long nDiv = Divisor(item);
    switch (array) {
        case EBoardArray::OverVolt:
        case EBoardArray::OverFreq:
        case EBoardArray::OverRatio:
            return OverclockText(array, item);
        case EBoardArray::HwVolt:
            return FixedText(static_cast<double>(nValue) / static_cast<double>(nDiv), 5);
        case EBoardArray::HwFrq:
            return FixedText(static_cast<double>(nValue) / static_cast<double>(nDiv), 1);
        case EBoardArray::HwFan:
            return FixedText(static_cast<double>(nValue / nDiv), 0);
        case EBoardArray::HwTemp: {
            long nDegrees = nValue;
            if (nDegrees > kHighestPositiveTemperature) {
                nDegrees = kHighestPositiveTemperature - nDegrees;
            }
            if (nDegrees < kLowestShownTemperature || nDegrees > kHighestShownTemperature) {
                return "N/A";
            }
            return FixedText(static_cast<double>(nDegrees / nDiv), 0);
        }
    }
    return {};
}

std::string ShownNumberText(EBoardArray array, double dValue) {
    switch (array) {
        case EBoardArray::HwVolt:
            return FixedText(dValue, 5);
        case EBoardArray::HwFrq:
            return FixedText(dValue, 1);
        default:
            return FixedText(dValue, 0);
    }
}

bool IsAlarm(EBoardArray array, const BoardItem& item) {
    const std::string strShown = ShownText(array, item);
    const std::u16string shown(strShown.begin(), strShown.end());
    switch (array) {
        case EBoardArray::HwFan:
            return IsAlarmValue(shown, item, true);
        case EBoardArray::HwVolt:
        case EBoardArray::HwTemp:
            return IsAlarmValue(shown, item, false);
        default:
            return false;
    }
}

bool IsAlarmValue(std::u16string_view shown, const BoardItem& item, bool bFanRule) {
    const float fShown = static_cast<float>(LeadingNumber(shown));
    if (bFanRule) {
        return fShown <= static_cast<float>(kFanAlarmRpm);
    }
    return fShown >= static_cast<float>(LeadingNumber(item.Threshold2));
}

std::optional<AlarmLine> AlarmLineOf(EBoardArray array, const BoardItem& item) {
    switch (array) {
        case EBoardArray::HwFan:
            return AlarmLine{static_cast<double>(kFanAlarmRpm), true};
        case EBoardArray::HwVolt:
        case EBoardArray::HwTemp:
            if (LeadingNumber(item.Threshold2) >= kNoAlarmThreshold) {
                return std::nullopt;  // no reading reaches it
            }
            // Compared in single precision, as IsAlarmValue compares it.
            return AlarmLine{
                static_cast<double>(static_cast<float>(LeadingNumber(item.Threshold2))), false};
        default:
            return std::nullopt;
    }
}

std::string PlainUnit(EBoardArray array) {
    std::string strUnit(UnitOf(array));
    if (strUnit.size() >= 2 && strUnit.front() == '[' && strUnit.back() == ']') {
        strUnit = strUnit.substr(1, strUnit.size() - 2);
    }
    // One character in the lists; the usual two for programs.
    return strUnit == "\u2103" ? "\u00B0C" : strUnit;
}
