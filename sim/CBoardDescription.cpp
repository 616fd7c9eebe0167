#include "sim/CBoardDescription.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "link/Protocol.h"
#include "sim/DemoBoardText.h"

namespace {

constexpr const char* kSections[] = {"over_volt", "over_freq", "over_ratio", "hw_volt",
                                     "hw_temp",   "hw_fan",    "hw_frq"};
constexpr size_t kItemFields = 14;
constexpr size_t kMostItemsPerSection = 255;

std::string Trim(const std::string& text) {
    const size_t nFirst = text.find_first_not_of(" \t\r");
    if (nFirst == std::string::npos) {
        return "";
    }
    return text.substr(nFirst, text.find_last_not_of(" \t\r") - nFirst + 1);
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == ',') {
        fields.emplace_back();
    }
    return fields;
}

long Number(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

}  // namespace

CBoardDescription CBoardDescription::Demo() {
    CBoardDescription description;
    std::string strError;
    // Our own text; a failure here is a mistake in it that every test shows.
    description.Parse(std::string(kDemoBoardText), strError);
    return description;
}

bool CBoardDescription::LoadFile(const std::string& strPath, std::string& strError) {
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        strError = "cannot read " + strPath;
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(std::move(bytes), strError);
}

bool CBoardDescription::Parse(std::string bytes, std::string& strError) {
    // section -> key -> value, names without regard to case
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::string strSection;
    std::stringstream stream(bytes);
    std::string line;
    while (std::getline(stream, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            strSection = Lower(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const size_t nEquals = line.find('=');
        if (nEquals != std::string::npos) {
            sections[strSection][Lower(Trim(line.substr(0, nEquals)))] =
                Trim(line.substr(nEquals + 1));
        }
    }

    std::vector<SimItem> items;
    std::map<uint8_t, size_t> valueLetters;
    std::map<uint8_t, size_t> rangeLetters;
    auto claim = [&](std::map<uint8_t, size_t>& letters, long nLetter, const SimItem& item) {
        if (nLetter < 1 || nLetter > 255 ||
            Protocol::IsProtocolLetter(static_cast<uint8_t>(nLetter)) ||
            valueLetters.contains(static_cast<uint8_t>(nLetter)) ||
            rangeLetters.contains(static_cast<uint8_t>(nLetter))) {
            strError = "item '" + item.strName + "' uses letter " + std::to_string(nLetter) +
                       ", which is taken or not allowed";
            return false;
        }
        letters[static_cast<uint8_t>(nLetter)] = items.size();
        return true;
    };
    for (int nArray = 1; nArray <= 7; ++nArray) {
        const auto& keys = sections[kSections[nArray - 1]];
        auto count = keys.find("count");
        const long nCount = count == keys.end() ? 0 : Number(count->second);
        size_t nIndex = 0;
        for (long nKey = 1; nKey <= std::min<long>(nCount, kMostItemsPerSection); ++nKey) {
            auto entry = keys.find(std::to_string(nKey));
            if (entry == keys.end()) {
                continue;
            }
            const std::vector<std::string> fields = SplitFields(entry->second);
            if (fields.size() < kItemFields) {
                continue;
            }
            SimItem item;
            item.nArray = nArray;
            item.nIndex = nIndex++;
            item.strName = fields[0];
            item.strKind = fields[1];
            item.bRangeAtLoad = fields[2] == "1";
            item.nMin = Number(fields[3]);
            item.nMax = Number(fields[4]);
            item.nValue = std::clamp(Number(fields[5]), item.nMin, std::max(item.nMin, item.nMax));
            item.nThreshold2 = Number(fields[9]);
            const long nValueCmd = Number(fields[10]);
            const long nRangeCmd = Number(fields[11]);
            if (!claim(valueLetters, nValueCmd, item)) {
                return false;
            }
            item.nValueCmd = static_cast<uint8_t>(nValueCmd);
            if (nRangeCmd != 0) {
                if (!claim(rangeLetters, nRangeCmd, item)) {
                    return false;
                }
                item.nRangeCmd = static_cast<uint8_t>(nRangeCmd);
            }
            items.push_back(std::move(item));
        }
    }
    m_bytes = std::move(bytes);
    m_items = std::move(items);
    m_valueLetters = std::move(valueLetters);
    m_rangeLetters = std::move(rangeLetters);
    return true;
}

const SimItem* CBoardDescription::ItemForValue(uint8_t nLetter) const {
    auto it = m_valueLetters.find(nLetter);
    return it != m_valueLetters.end() ? &m_items[it->second] : nullptr;
}

const SimItem* CBoardDescription::ItemForRange(uint8_t nLetter) const {
    auto it = m_rangeLetters.find(nLetter);
    return it != m_rangeLetters.end() ? &m_items[it->second] : nullptr;
}
