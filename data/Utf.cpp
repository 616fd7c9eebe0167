#include "data/Utf.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto nLead = static_cast<unsigned char>(text[i]);
        size_t nTrail = 0;
        char32_t c = 0;
        char32_t nLeast = 0;  // the smallest code point of this length: no overlong forms
        if (nLead < 0x80) {
            c = nLead;
        } else if ((nLead & 0xE0) == 0xC0) {
            nTrail = 1, c = nLead & 0x1F, nLeast = 0x80;
        } else if ((nLead & 0xF0) == 0xE0) {
            nTrail = 2, c = nLead & 0x0F, nLeast = 0x800;
        } else if ((nLead & 0xF8) == 0xF0) {
            nTrail = 3, c = nLead & 0x07, nLeast = 0x10000;
        } else {
            AppendUtf16(out, kReplacement);
            ++i;
            continue;
        }
        size_t n = 1;
        for (; n <= nTrail && i + n < text.size(); ++n) {
            const auto nByte = static_cast<unsigned char>(text[i + n]);
            if ((nByte & 0xC0) != 0x80) {
                break;
            }
            c = (c << 6) | (nByte & 0x3F);
        }
        if (n <= nTrail || c < nLeast || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacement;
        }
        AppendUtf16(out, c);
        i += n;
    }
    return out;
}
