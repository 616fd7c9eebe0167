#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "link/BoardItem.h"

class CDeviceLink;
class CProfileFile;

// Over-clock values as the two profiles keep them. The profile screens and
// tunevoctl share these rules, so a profile saved on one side loads the same
// on the other.

// The order the profile lists show the arrays in.
inline constexpr std::array<EBoardArray, 3> kProfileArrays = {
    EBoardArray::OverRatio, EBoardArray::OverFreq, EBoardArray::OverVolt};

// The text a profile stores for the item's value: 1.25000, 133.3 or 12[X].
// Nothing while the value is neither the board's nor the user's: a guess is
// never stored.
std::optional<std::u16string> ProfileTextOf(EBoardArray array, const BoardItem& item);

// A stored text as the lists show it, with its unit: 1.25000[V], 133.3[MHz], 12[X].
std::u16string ProfileShownText(EBoardArray array, std::u16string_view stored);

// The raw value ("%d") a stored text loads as, limited to the item's range.
// Nothing when the text does not start with a number or the range is not
// known: such an item keeps its value rather than taking a guess.
std::optional<std::u16string> ProfileRawValue(const BoardItem& item, std::u16string_view stored);

// Puts the link's known over-clock values and the board version into the
// document of a profile file; the number of items stored.
int StoreProfile(CProfileFile& file, int nProfile, const CDeviceLink& link);

// The link's over-clock arrays with a profile's values in place. An item
// whose value changes, or was not known, is marked as the user's, with its
// old value as PrevValue; an item the profile has no number for is left as
// it is.
std::map<EBoardArray, BoardItemArray> LoadProfile(const CProfileFile& file, int nProfile,
                                                  const CDeviceLink& link);
