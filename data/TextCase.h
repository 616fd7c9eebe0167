#pragma once

#include <string_view>

// Comparisons of names, versions and values regardless of the case of A to Z,
// as every file of ours and the board's texts are compared.

bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Text order regardless of case: "10" sorts before "9".
bool SortsBeforeNoCase(std::u16string_view a, std::u16string_view b);
