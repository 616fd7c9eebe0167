#include "link/DescriptionCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <set>

#include "data/CIniDocument.h"
#include "data/Utf.h"
#include "data/ValueText.h"
#include "link/ItemText.h"
#include "link/Protocol.h"

namespace {

// A scale beyond this turns any raw value into nonsense on the screen.
constexpr long kLargestScale = 1000000;
constexpr long kLargestLetter = 0xFF;
constexpr long kLargestByte = 0xFF;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

std::string_view Trim(std::string_view text) {
    const size_t nFirst = text.find_first_not_of(" \t");
    if (nFirst == std::string_view::npos) {
        return {};
    }
    return text.substr(nFirst, text.find_last_not_of(" \t") - nFirst + 1);
}

// A whole number of decimal digits, nothing else but blanks around it.
bool IsWholeNumber(std::u16string_view text) {
    const std::string strText = ToUtf8(text);
    const std::string_view digits = Trim(strText);
    return !digits.empty() &&
           std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; });
}

// What the file's own lines show and the parsed document hides: keys given
// twice (the last would silently win) and lines holding a NUL byte (dropped
// from the text before parsing), by lower-case section and key.
struct RawScan {
    std::set<std::pair<std::string, std::string>> damagedKeys;
    // The item names each key was given with, in file order.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> keyNames;
    std::vector<std::string> problems;
    bool bTorn = false;
};

RawScan ScanLines(std::string_view bytes, const std::set<std::string>& sections) {
    RawScan scan;
    std::set<std::string> seenSections;
    std::set<std::pair<std::string, std::string>> seenKeys;
    std::string strSection;
    size_t nLine = 0;
    for (size_t nStart = 0; nStart < bytes.size();) {
        size_t nEnd = bytes.find('\n', nStart);
        nEnd = nEnd == std::string_view::npos ? bytes.size() : nEnd;
        const std::string_view raw = bytes.substr(nStart, nEnd - nStart);
        nStart = nEnd + 1;
        ++nLine;
        const std::string_view line = Trim(raw);
        if (line.starts_with('[')) {
            const size_t nClose = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, nClose == line.npos ? line.npos : nClose - 1));
            strSection = Lower(name);
            if (sections.contains(strSection) && !seenSections.insert(strSection).second) {
                scan.problems.push_back("section [" + std::string(name) +
                                        "] is given twice; items given in both are left out");
                scan.bTorn = true;
            }
            continue;
        }
        const size_t nEquals = line.find('=');
        if (!sections.contains(strSection) || line.empty() || line.starts_with(';') ||
            line.starts_with('#')) {
            continue;
        }
        if (nEquals == std::string_view::npos) {
            scan.problems.push_back("line " + std::to_string(nLine) + " of [" + strSection +
                                    "] is no KEY=VALUE line; it is passed over");
            scan.bTorn = true;
            continue;
        }
        std::string strKey(Trim(line.substr(0, nEquals)));
        std::erase(strKey, '\0');
        const std::pair key{strSection, Lower(strKey)};
        const std::string_view value = Trim(line.substr(nEquals + 1));
        scan.keyNames[key].emplace_back(value.substr(0, value.find(',')));
        if (!seenKeys.insert(key).second) {
            scan.damagedKeys.insert(key);
            scan.bTorn = true;
        } else if (raw.find('\0') != std::string_view::npos) {
            scan.damagedKeys.insert(key);
            scan.bTorn = true;
            scan.problems.push_back("line " + std::to_string(nLine) + " of [" + strSection +
                                    "] holds a NUL byte; its item is left out");
        }
    }
    return scan;
}

std::string Label(EBoardArray array, long nKey, const BoardItem& item) {
    // Appended piece by piece: GCC 12's -Wrestrict misreads a chain of
    // temporaries joined to a literal here.
    std::string strWhere = "item ";
    strWhere += std::to_string(nKey);
    strWhere += " of [";
    strWhere += ToUtf8(SectionName(array));
    strWhere += "]";
    if (item.Name.empty()) {
        return strWhere;
    }
    std::string strLabel = "'";
    strLabel += ToUtf8(item.Name);
    strLabel += "' (";
    strLabel += strWhere;
    strLabel += ")";
    return strLabel;
}

bool IsLetter(long nCode) {
    return nCode >= 1 && nCode <= kLargestLetter;
}

// Why the item cannot be used; empty when it can.
std::string WhyUnusable(EBoardArray array, const BoardItem& item) {
    if (item.Name.empty()) {
        return "it has no name";
    }
    // Saturated, a number past the limit would read as another value.
    for (const auto& [pszField, pText] : {std::pair{"Min", &item.Min}, std::pair{"Max", &item.Max},
                                          std::pair{"Value", &item.Value}}) {
        if (std::fabs(LeadingNumber(*pText)) > static_cast<double>(kWToLLimit)) {
            return std::string("its ") + pszField + " " + ToUtf8(*pText) + " is past " +
                   std::to_string(kWToLLimit) + ", the largest raw value";
        }
    }
    // A monitored value of another kind is read as a plain word; a setting
    // of another kind has no range to keep it to, and no known width.
    if (!IsHardwareArray(array) && item.Kind != u"1" && item.Kind != u"2" && item.Kind != u"3" &&
        item.Kind != u"4") {
        return "its kind '" + ToUtf8(item.Kind) + "' is none of 1 to 4";
    }
    if (!item.Min.empty() && !item.Max.empty() && WToL(item.Min) > WToL(item.Max)) {
        return "its Min " + ToUtf8(item.Min) + " lies above its Max " + ToUtf8(item.Max);
    }
    // A Div of 0 reads as 1, as it always has; a Mul of 0 would show every value as 0.
    for (const std::u16string* pScale : {&item.Mul, &item.Div}) {
        const long nScale = WToL(*pScale);
        if (!IsWholeNumber(*pScale) || (nScale == 0 && pScale == &item.Mul) ||
            std::labs(nScale) > kLargestScale) {
            return "its scale " + ToUtf8(item.Mul) + "/" + ToUtf8(item.Div) +
                   " is not two whole numbers up to a million, Mul not 0";
        }
    }
    const long nValueCmd = WToL(item.ValueCmd);
    const long nRangeCmd = WToL(item.RangeCmd);
    if (!IsWholeNumber(item.ValueCmd) || !IsLetter(nValueCmd) ||
        (ReadsRange(item) && (!IsWholeNumber(item.RangeCmd) || !IsLetter(nRangeCmd)))) {
        return "its command letter is not a number from 1 to 255";
    }
    if (Protocol::IsProtocolLetter(static_cast<uint8_t>(nValueCmd)) ||
        (ReadsRange(item) && Protocol::IsProtocolLetter(static_cast<uint8_t>(nRangeCmd)))) {
        return "it uses a letter the protocol keeps for itself";
    }
    return {};
}

// Reads one section's items; what cannot be used is said and left out.
void CheckSection(const CIniDocument& document, EBoardArray array, const RawScan& scan,
                  DescriptionCheck& check) {
    const std::u16string_view section = SectionName(array);
    const std::string strSection = ToUtf8(section);
    const std::string strLower = Lower(strSection);
    const std::vector<std::u16string> keys = document.GetAllKeys(section);
    std::map<long, std::u16string> lines;
    for (const std::u16string& key : keys) {
        long nKey = 0;
        if (ParseItemKey(key, nKey)) {
            lines.emplace(nKey, document.GetString(section, key));
        }
    }
    const char16_t* pszCount = document.GetValue(section, u"Count");
    if (pszCount == nullptr || !IsWholeNumber(pszCount)) {
        if (pszCount != nullptr || !lines.empty()) {
            check.bTorn = true;
            check.problems.push_back("[" + strSection + "] has " +
                                     (pszCount != nullptr
                                          ? "Count '" + ToUtf8(pszCount) + "', not a whole number"
                                          : std::string("no Count")) +
                                     "; its items are left out");
        }
        return;
    }
    const long nCount = WToL(pszCount);
    const std::string strCount = std::string(Trim(ToUtf8(pszCount)));
    if (nCount < 0 || static_cast<unsigned long>(nCount) > DescriptionCheck::kMostItemsPerSection ||
        strCount.size() > std::to_string(DescriptionCheck::kMostItemsPerSection).size()) {
        check.problems.push_back("[" + strSection + "] has Count " + strCount + ", more than the " +
                                 std::to_string(DescriptionCheck::kMostItemsPerSection) +
                                 " items a board's section can hold; at most " +
                                 std::to_string(DescriptionCheck::kMostItemsPerSection) +
                                 " are read");
        check.bTorn = true;
    }
    size_t nWithin = 0;
    size_t nTaken = 0;
    size_t nPastCap = 0;
    for (const auto& [nKey, line] : lines) {
        BoardItem item;
        const bool bParsed = ParseItem(line, item);
        const std::string strLabel = Label(array, nKey, item);
        if (nKey > nCount) {
            check.problems.push_back(strLabel + " lies past Count " + strCount +
                                     "; it is left out");
            check.bTorn = true;
            continue;
        }
        ++nWithin;
        if (const std::pair key{strLower, std::to_string(nKey)}; scan.damagedKeys.contains(key)) {
            const auto names = scan.keyNames.find(key);
            if (names != scan.keyNames.end() && names->second.size() > 1) {
                std::string strNames;
                for (const std::string& strName : names->second) {
                    strNames += (strNames.empty() ? "'" : " and '") + strName + "'";
                }
                check.problems.push_back(strLabel + " is given twice, as " + strNames +
                                         "; all are left out");
            } else {
                check.problems.push_back(strLabel + " is damaged; it is left out");
            }
            continue;
        }
        if (!bParsed) {
            check.problems.push_back(strLabel + " has fewer than 14 fields; it is left out");
            check.bTorn = true;
            continue;
        }
        if (nTaken == DescriptionCheck::kMostItemsPerSection) {
            ++nPastCap;
            continue;
        }
        if (const std::string strWhy = WhyUnusable(array, item); !strWhy.empty()) {
            check.problems.push_back(strLabel + " is left out: " + strWhy);
            continue;
        }
        // A threshold no reading can meet, or every reading passes, says nothing.
        if (IsHardwareArray(array) && array != EBoardArray::HwFan && !item.Threshold2.empty() &&
            std::fabs(LeadingNumber(item.Threshold2)) >= kNoAlarmThreshold) {
            check.problems.push_back(strLabel + ": its Threshold2 " + ToUtf8(item.Threshold2) +
                                     " lies beyond any reading; it raises no alarm");
            item.Threshold2 = kNoAlarmText;
        }
        if (!IsHardwareArray(array) && item.Kind == u"4" &&
            (WToL(item.IniMin) < 0 || WToL(item.IniMax) > kLargestByte)) {
            check.problems.push_back(strLabel + " is a one-byte setting with the range " +
                                     ToUtf8(item.IniMin) + " to " + ToUtf8(item.IniMax) +
                                     "; values outside 0 to 255 are refused");
        }
        check.arrays[static_cast<size_t>(array) - kFirstArray].push_back(std::move(item));
        ++nTaken;
    }
    if (nPastCap > 0) {
        check.problems.push_back(
            "[" + strSection + "]: " + std::to_string(nPastCap) + " items past the first " +
            std::to_string(DescriptionCheck::kMostItemsPerSection) + " are left out");
    }
    if (nWithin < static_cast<size_t>(nCount)) {
        check.problems.push_back("[" + strSection + "] has Count " + strCount + " but holds " +
                                 std::to_string(nWithin) + (nWithin == 1 ? " item" : " items"));
        check.bTorn = true;
    }
}

// Writing an over-clock item whose letter another item reads would change
// that one too: none of them is written.
void BlockSharedLetters(DescriptionCheck& check) {
    std::map<long, std::vector<BoardItem*>> byLetter;
    for (BoardItemArray& items : check.arrays) {
        for (BoardItem& item : items) {
            byLetter[WToL(item.ValueCmd)].push_back(&item);
        }
    }
    for (EBoardArray array : kOverclockArrays) {
        for (BoardItem& item : check.arrays[static_cast<size_t>(array) - kFirstArray]) {
            const std::vector<BoardItem*>& sharing = byLetter[WToL(item.ValueCmd)];
            if (sharing.size() < 2 || item.bWriteBlocked) {
                continue;
            }
            std::string strNames;
            for (BoardItem* pOther : sharing) {
                strNames += (strNames.empty() ? "'" : ", '") + ToUtf8(pOther->Name) + "'";
            }
            for (BoardItem* pOther : sharing) {
                pOther->bWriteBlocked = true;
            }
            check.problems.push_back(strNames + " share the value letter " + ToUtf8(item.ValueCmd) +
                                     "; none of them is written");
        }
    }
}

}  // namespace

bool DescriptionCheck::HasUsableItem() const {
    return std::ranges::any_of(arrays, [](const BoardItemArray& items) { return !items.empty(); });
}

DescriptionCheck CheckDescription(std::string_view bytes, const CIniDocument& document) {
    DescriptionCheck check;
    std::set<std::string> sections;
    for (EBoardArray array : kAllArrays) {
        sections.insert(Lower(ToUtf8(SectionName(array))));
    }
    RawScan scan = ScanLines(bytes, sections);
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        // Whatever the INI reader makes of it is not what the board meant.
        check.problems.push_back(
            "the description is UTF-16 text, which Tunevo cannot read (it reads ANSI or UTF-8); "
            "none of its items is used");
        check.bTorn = true;
        return check;
    }
    check.problems.insert(check.problems.end(), scan.problems.begin(), scan.problems.end());
    check.bTorn = scan.bTorn;
    for (EBoardArray array : kAllArrays) {
        CheckSection(document, array, scan, check);
    }
    BlockSharedLetters(check);
    return check;
}
