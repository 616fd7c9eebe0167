#include "data/TextCase.h"

#include <algorithm>

namespace {

char16_t FoldCase(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(a, b,
                              [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

bool SortsBeforeNoCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::lexicographical_compare(
        a, b, [](char16_t x, char16_t y) { return FoldCase(x) < FoldCase(y); });
}
