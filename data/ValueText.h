#pragma once

#include <string>
#include <string_view>

// Value texts: shown values, as profiles store them and users type them.

// The three over-clock arrays, as a profile stores their values.
enum class EProfileKind { Voltage, Frequency, Ratio };

// The text a profile stores for an item: (Mul x Value) / Div in 32-bit
// floats, with five decimals for a voltage, one for a frequency, and none
// followed by "[X]" for a ratio (1.25000, 133.3, 12[X]). A Div of 0 counts
// as 1. The decimal point is always ".", whatever the locale.
std::u16string FormatProfileValue(EProfileKind kind, long nMul, long nValue, long nDiv);

// The stored text as a load screen shows it: "[V]" or "[MHz]" appended to a
// non-empty voltage or frequency text; ratio texts carry their unit already.
std::u16string ProfileDisplayText(EProfileKind kind, std::u16string_view stored);

// The raw value a shown value stands for, as "%d" text: the number at the
// start of the text (0 when there is none) times Div / Mul, limited to Max
// and then to Min, rounded half up. Mul and Div are read as decimal numbers
// with any fraction; one of 0 counts as 1. Profiles are read back with it,
// and values typed in shown units.
std::u16string ShownTextToRaw(std::u16string_view stored, std::u16string_view mul,
                              std::u16string_view div, long nMin, long nMax);

// The decimal number at the start of a text, as the C library's atof reads
// it but independent of the locale: leading blanks, a sign, digits, a
// fraction and an exponent; 0 when the text starts with no number.
double LeadingNumber(std::u16string_view text);
// Whether the text starts with a decimal number (after blanks and a sign);
// "nan", "inf" and words do not.
bool StartsWithNumber(std::u16string_view text);

// Fixed-point text with the given number of decimals and "." as the point,
// whatever the locale ("%.*f" in the C locale).
std::string FixedText(double dValue, int nDecimals);
