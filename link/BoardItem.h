#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/TextCase.h"

// One over-clock or monitored item as the board describes it. Numbers are
// decimal text, read with WToL where they are used.
struct BoardItem {
    std::u16string Name;         // label; screens match items by it, ignoring case
    std::u16string Kind;         // value encoding: "1" index-based, "2"/"3" 16-bit, "4" 16/8-bit
    std::u16string RangeAtLoad;  // "1": the range is read at the first refresh
    std::u16string Min;          // lowest raw value
    std::u16string Max;          // highest raw value
    std::u16string Value;        // raw value: as read, or as edited before an apply
    std::u16string Mul;          // shown value = raw x Mul / Div
    std::u16string Div;
    std::u16string Threshold1;
    std::u16string Threshold2;    // alarm threshold of a monitored value
    std::u16string ValueCmd;      // code of the letter that reads and writes the value
    std::u16string RangeCmd;      // code of the letter that reads the range
    std::u16string PrevValue;     // Value before the user's last edit
    std::u16string DefaultShown;  // "1": shown on the over-clock page by default
    std::u16string IniMin;        // Min as described, kept across range reads
    std::u16string IniMax;        // Max as described

    // What the link has learnt of the item since it was loaded; kept in no file.
    bool bValueRead = false;     // Value came from the board
    bool bRangeRead = false;     // Min and Max came from the board
    bool bUserSet = false;       // Value was set by the user and waits for an apply
    int nMissedReads = 0;        // value reads that failed since the last good one
    bool bWriteBlocked = false;  // shares its value letter with another item: never written
};

// Whether the item's range is read from the board rather than taken as described.
bool ReadsRange(const BoardItem& item);
// Whether Min and Max can be relied on: as described, or read from the board,
// and not empty.
bool HasKnownRange(const BoardItem& item);
// Whether Value is the board's or the user's, not the description's guess.
inline bool HasKnownValue(const BoardItem& item) {
    return item.bValueRead || item.bUserSet;
}

// Whether the set frame can carry the raw value whole: one byte for kind
// "4", a position of 1 to 65535 for kind "1", 0 to 65535 otherwise. A value
// that does not fit is never sent cut down to what fits.
bool FitsSetFrame(const BoardItem& item, long nValue);
// The raw values the set frame can carry for the item, as a closed range.
std::pair<long, long> SetFrameLimits(const BoardItem& item);

using BoardItemArray = std::vector<BoardItem>;

// The seven arrays, numbered as refresh requests and reports number them.
enum class EBoardArray : int {
    OverVolt = 1,
    OverFreq = 2,
    OverRatio = 3,
    HwVolt = 4,
    HwTemp = 5,
    HwFan = 6,
    HwFrq = 7,
};
inline constexpr int kFirstArray = 1;
inline constexpr int kLastArray = 7;

inline constexpr std::array<EBoardArray, 3> kOverclockArrays = {
    EBoardArray::OverVolt, EBoardArray::OverFreq, EBoardArray::OverRatio};
inline constexpr std::array<EBoardArray, 7> kAllArrays = {
    EBoardArray::OverVolt, EBoardArray::OverFreq, EBoardArray::OverRatio, EBoardArray::HwVolt,
    EBoardArray::HwTemp,   EBoardArray::HwFan,    EBoardArray::HwFrq};
inline constexpr std::array<EBoardArray, 4> kHardwareArrays = {
    EBoardArray::HwVolt, EBoardArray::HwTemp, EBoardArray::HwFan, EBoardArray::HwFrq};

// The configuration section an array is loaded from ("Over_Volt", ...).
std::u16string_view SectionName(EBoardArray array);
bool IsHardwareArray(EBoardArray array);

// Leading blanks and a sign, then digits up to the first non-digit; 0 when
// there are none. Saturates at +-kWToLLimit, so that sums, products and
// quotients of two such numbers always fit a long.
inline constexpr long kWToLLimit = 2147483647L;
long WToL(std::u16string_view text);
// The decimal text of a number.
std::u16string ToText(long nValue);

// The item number a key names when written as "%i" writes it ("1", "2", ...).
bool ParseItemKey(std::u16string_view key, long& nNumber);

// Fills an item from one comma-separated line of fourteen tokens. Returns
// false, leaving the item untouched, for a line of fewer tokens: such a line
// describes no usable item. Tokens after the fourteenth are ignored.
bool ParseItem(std::u16string_view line, BoardItem& item);

// Empties the ratio array when its first item's range reads "0".."0": the
// board has no ratio to offer.
void PruneOverRatio(BoardItemArray& overRatio);
