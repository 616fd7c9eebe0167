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
    const float fMul = static_cast<float>(WToL(item.Mul));
    const float fPerDiv = 1.0f / static_cast<float>(Divisor(item));
    const float fShown = fMul * static_cast<float>(WToL(item.Value)) * fPerDiv;
    const float fMin = fMul * static_cast<float>(WToL(item.Min)) * fPerDiv;
    const float fMax = fMul * static_cast<float>(WToL(item.Max)) * fPerDiv;
    // The range limits the shown value; the raw value stays as read.
    const float fLimited = std::min(std::max(fShown, fMin), std::max(fMin, fMax));
    switch (array) {
        case EBoardArray::OverFreq:
            return FixedText(fLimited, 1);
        case EBoardArray::OverRatio:
            return FixedText(fLimited, 0);
        default:
            return FixedText(fLimited, 6);
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
            return FixedText(static_cast<float>(nValue) / static_cast<float>(nDiv), 5);
        case EBoardArray::HwFrq:
            return FixedText(static_cast<float>(nValue) / static_cast<float>(nDiv), 1);
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
