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
    std::array<BoardItemArray, kLastArray> arrays;
    std::vector<std::string> problems;

    const BoardItemArray& Items(EBoardArray array) const {
        return arrays[static_cast<size_t>(array) - kFirstArray];
    }
    bool HasUsableItem() const;
};

// Checks the description's bytes as they stand in the file and the document
// loaded from them. An item is left out when its line has too few fields, no
// name, a NUL byte, a setting of unknown Kind, Min above Max, an unusable scale (Mul of
// 0, Mul or Div beyond a million or not whole; a Div of 0 reads as 1), a letter that is no byte or
// one of the protocol's, or a key given twice. Over-clock items that share their value letter with
// another item stay, but are never written. A one-byte setting with a range past 255 is named,
// since values above 255 will be refused.
DescriptionCheck CheckDescription(std::string_view bytes, const CIniDocument& document);
