#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the simulated board knows about one of its items, read from its
// description. Values are raw numbers in the item's own units.
struct SimItem {
    int nArray = 0;     // 1 Over_Volt ... 7 HW_Frq
    size_t nIndex = 0;  // position within its section
    std::string strName;
    std::string strKind;
    bool bRangeAtLoad = false;
    long nMin = 0;
    long nMax = 0;
    long nValue = 0;
    // An over-clock voltage past this (when above 0) stops the PC's next
    // start-up in memory training, as a real board stops on a bad setting.
    long nThreshold2 = 0;
    uint8_t nValueCmd = 0;
    uint8_t nRangeCmd = 0;  // 0: the range is never read
};

// A board description: the configuration text the board hands out, and the
// items it answers for. Read here independently of the program's own INI
// code, so that the two cannot share a mistake.
class CBoardDescription {
public:
    // The built-in demo board.
    static CBoardDescription Demo();

    // Parses a description. False, with the reason, for one the board could
    // not serve: two items on one letter, or a letter the protocol uses.
    // Lines that are not items (too few fields) are served but not answered.
    bool Parse(std::string bytes, std::string& strError);
    bool LoadFile(const std::string& strPath, std::string& strError);

    // The text as the board hands it out.
    const std::string& Bytes() const { return m_bytes; }
    const std::vector<SimItem>& Items() const { return m_items; }

    // The item whose value or range a letter reads; nullptr when none does.
    const SimItem* ItemForValue(uint8_t nLetter) const;
    const SimItem* ItemForRange(uint8_t nLetter) const;

private:
    std::string m_bytes;
    std::vector<SimItem> m_items;
    std::map<uint8_t, size_t> m_valueLetters;
    std::map<uint8_t, size_t> m_rangeLetters;
};
