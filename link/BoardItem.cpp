#include "link/BoardItem.h"

#include <algorithm>
#include <climits>

namespace {

constexpr size_t kItemTokens = 14;
constexpr size_t kTokenMin = 3;
constexpr size_t kTokenMax = 4;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

}  // namespace

std::u16string_view SectionName(EBoardArray array) {
    switch (array) {
        case EBoardArray::OverVolt:
            return u"Over_Volt";
        case EBoardArray::OverFreq:
            return u"Over_Freq";
        case EBoardArray::OverRatio:
            return u"Over_Ratio";
        case EBoardArray::HwVolt:
            return u"HW_Volt";
        case EBoardArray::HwTemp:
            return u"HW_Temp";
        case EBoardArray::HwFan:
            return u"HW_Fan";
        case EBoardArray::HwFrq:
            return u"HW_Frq";
    }
    return u"";
}

bool ReadsRange(const BoardItem& item) {
    return item.Kind == u"1" || item.RangeAtLoad == u"1";
}

bool HasKnownRange(const BoardItem& item) {
    // A kind without a range reads as empty texts: no range to limit to.
    return (item.bRangeRead || !ReadsRange(item)) && !item.Min.empty() && !item.Max.empty();
}

bool IsHardwareArray(EBoardArray array) {
    return std::ranges::find(kHardwareArrays, array) != kHardwareArrays.end();
}

std::pair<long, long> SetFrameLimits(const BoardItem& item) {
    constexpr long kWordMax = 0xFFFF;
    constexpr long kByteMax = 0xFF;
    if (item.Kind == u"4") {
        return {0, kByteMax};
    }
    if (item.Kind == u"1") {
        const long nMin = WToL(item.Min);
        return {nMin, nMin - 1 + kWordMax};  // positions 1 to 65535
    }
    return {0, kWordMax};
}

bool FitsSetFrame(const BoardItem& item, long nValue) {
    const auto [nLowest, nHighest] = SetFrameLimits(item);
    return nValue >= nLowest && nValue <= nHighest;
}

long WToL(std::u16string_view text) {
    size_t nPos = 0;
    while (nPos < text.size() && IsBlank(text[nPos])) {
        ++nPos;
    }
    bool bNegative = false;
    if (nPos < text.size() && (text[nPos] == u'+' || text[nPos] == u'-')) {
        bNegative = text[nPos] == u'-';
        ++nPos;
    }
    long nValue = 0;
    for (; nPos < text.size() && text[nPos] >= u'0' && text[nPos] <= u'9'; ++nPos) {
        const int nDigit = text[nPos] - u'0';
        if (nValue > (kWToLLimit - nDigit) / 10) {
            return bNegative ? -kWToLLimit : kWToLLimit;
        }
        nValue = nValue * 10 + nDigit;
    }
    return bNegative ? -nValue : nValue;
}

std::u16string ToText(long nValue) {
    const std::string text = std::to_string(nValue);
    return std::u16string(text.begin(), text.end());
}

bool ParseItemKey(std::u16string_view key, long& nNumber) {
    if (key.empty() || key.size() > 18 || key[0] == u'0') {
        return false;
    }
    nNumber = 0;
    for (char16_t c : key) {
        if (c < u'0' || c > u'9') {
            return false;
        }
        nNumber = nNumber * 10 + (c - u'0');
    }
    return true;
}

bool ParseItem(std::u16string_view line, BoardItem& item) {
    std::u16string tokens[kItemTokens];
    size_t nTokens = 0;
    size_t nStart = 0;
    while (nTokens < kItemTokens) {
        const size_t nComma = line.find(u',', nStart);
        tokens[nTokens++] = std::u16string(line.substr(nStart, nComma - nStart));
        if (nComma == std::u16string_view::npos) {
            break;
        }
        nStart = nComma + 1;
    }
    if (nTokens < kItemTokens) {
        return false;
    }
    std::u16string* fields[kItemTokens] = {
        &item.Name,     &item.Kind,     &item.RangeAtLoad, &item.Min,         &item.Max,
        &item.Value,    &item.Mul,      &item.Div,         &item.Threshold1,  &item.Threshold2,
        &item.ValueCmd, &item.RangeCmd, &item.PrevValue,   &item.DefaultShown};
    for (size_t i = 0; i < kItemTokens; ++i) {
        *fields[i] = std::move(tokens[i]);
    }
    item.IniMin = *fields[kTokenMin];
    item.IniMax = *fields[kTokenMax];
    return true;
}

void PruneOverRatio(BoardItemArray& overRatio) {
    if (!overRatio.empty() && EqualsNoCase(overRatio.front().Min, u"0") &&
        EqualsNoCase(overRatio.front().Max, u"0")) {
        overRatio.clear();
    }
}
