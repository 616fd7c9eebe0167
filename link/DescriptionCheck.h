#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "link/BoardItem.h"

class CIniDocument;

// A board's description as the link may use it: the items that can be used,
// by array, and one line for each thing that cannot, naming the item (or
// section) and the reason. Pure: the caller reads the file and reports.
struct DescriptionCheck {
    // No real board describes more items in one section: a value letter is one byte.
    static constexpr size_t kMostItemsPerSection = 255;

    std::array<BoardItemArray, kLastArray> arrays;
    std::vector<std::string> problems;
    // Signs of a text cut, glued or damaged on its way: a Count that does not
    // match its lines or no real board has, a line that does not parse, a key
    // or section given twice, a NUL byte, text that is no KEY=VALUE line.
    bool bTorn = false;

    const BoardItemArray& Items(EBoardArray array) const {
        return arrays[static_cast<size_t>(array) - kFirstArray];
    }
    bool HasUsableItem() const;
    // Whether a downloaded description may replace the kept one: whole, and
    // with something to work with.
    bool MayReplaceKept() const { return !bTorn && HasUsableItem(); }
};

// Checks the description's bytes as they stand in the file and the document
// loaded from them. An item is left out when its line has too few fields, no
// name, a NUL byte, a setting of unknown Kind, Min above Max, an unusable scale (Mul of
// 0, Mul or Div beyond a million or not whole; a Div of 0 reads as 1), a letter that is no byte or
// one of the protocol's, or a key given twice. Over-clock items that share their value letter with
// another item stay, but are never written. A one-byte setting with a range past 255 is named,
// since values above 255 will be refused. A section is read up to
// kMostItemsPerSection items.
DescriptionCheck CheckDescription(std::string_view bytes, const CIniDocument& document);
