#include "data/ValueText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

float NonZero(float fValue) {
    return fValue == 0 ? 1.0f : fValue;
}

}  // namespace

std::string FixedText(double dValue, int nDecimals) {
    // Room for the largest double in fixed notation.
    char szText[400] = {};
    const auto result = std::to_chars(szText, szText + sizeof(szText) - 1, dValue,
                                      std::chars_format::fixed, nDecimals);
    if (result.ec != std::errc()) {
        return "0";
    }
    return std::string(szText, result.ptr);
}

double LeadingNumber(std::u16string_view text) {
    size_t nPos = 0;
    while (nPos < text.size() &&
           (text[nPos] == u' ' || (text[nPos] >= u'\t' && text[nPos] <= u'\r'))) {
        ++nPos;
    }
    // Only ASCII can be part of a number; the rest ends it.
    std::string strNumber;
    for (; nPos < text.size() && text[nPos] < 0x80; ++nPos) {
        strNumber += static_cast<char>(text[nPos]);
    }
    std::string_view number = strNumber;
    bool bNegative = false;
    if (!number.empty() && (number[0] == '+' || number[0] == '-')) {
        bNegative = number[0] == '-';
        number.remove_prefix(1);
    }
    double dValue = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), dValue,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        dValue = HUGE_VAL;  // as atof: too large reads as infinite
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return bNegative ? -dValue : dValue;
}

bool StartsWithNumber(std::u16string_view text) {
    size_t nPos = text.find_first_not_of(u" \t\n\v\f\r");
    if (nPos != std::u16string_view::npos && (text[nPos] == u'+' || text[nPos] == u'-')) {
        ++nPos;
    }
    const auto isDigit = [&text](size_t nAt) {
        return nAt < text.size() && text[nAt] >= u'0' && text[nAt] <= u'9';
    };
    return nPos != std::u16string_view::npos &&
           (isDigit(nPos) || (nPos < text.size() && text[nPos] == u'.' && isDigit(nPos + 1)));
}

std::u16string FormatProfileValue(EProfileKind kind, long nMul, long nValue, long nDiv) {
    const float fShown =
        static_cast<float>(nMul) * static_cast<float>(nValue) / NonZero(static_cast<float>(nDiv));
    switch (kind) {
        case EProfileKind::Voltage:
            return Widen(FixedText(fShown, 5));
        case EProfileKind::Frequency:
            return Widen(FixedText(fShown, 1));
        case EProfileKind::Ratio:
            return Widen(FixedText(fShown, 0) + "[X]");
    }
    return {};
}

std::u16string ProfileDisplayText(EProfileKind kind, std::u16string_view stored) {
    std::u16string text(stored);
    if (!text.empty() && kind == EProfileKind::Voltage) {
        text += u"[V]";
    } else if (!text.empty() && kind == EProfileKind::Frequency) {
        text += u"[MHz]";
    }
    return text;
}

std::u16string ShownTextToRaw(std::u16string_view stored, std::u16string_view mul,
                              std::u16string_view div, long nMin, long nMax) {
    float fShown = static_cast<float>(LeadingNumber(stored));
    if (std::isnan(fShown)) {
        fShown = 0;  // "nan" is no number: it loads as 0
    }
    const float fMul = NonZero(static_cast<float>(LeadingNumber(mul)));
    const float fDiv = NonZero(static_cast<float>(LeadingNumber(div)));
    const float fRaw = (fDiv / fMul) * fShown;
    long nRaw = 0;
    if (std::isnan(fRaw)) {
        nRaw = nMin;
    } else if (fRaw >= static_cast<float>(nMax)) {
        nRaw = static_cast<float>(nMax) <= static_cast<float>(nMin) ? nMin : nMax;
    } else if (fRaw <= static_cast<float>(nMin)) {
        nRaw = nMin;
    } else {
        // Strictly inside the range, so it fits; the integer part of raw + 0.5.
        nRaw = static_cast<long>(fRaw + 0.5f);
    }
    return Widen(std::to_string(nRaw));
}
