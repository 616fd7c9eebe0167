#include "export/ServeConfig.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <set>

#include "export/YamlFile.h"

namespace {

constexpr double kLeastInterval = 0.1;
constexpr double kMostInterval = 86400;
constexpr size_t kMostBoards = 1000;

// Whether a text may be an extra label's name: Prometheus' form, and none
// that the metrics use themselves.
bool IsFreeLabelName(const std::string& strName) {
    constexpr std::array<const char*, 9> kTaken = {"board", "item",    "unit",   "kind",    "reason",
                                                   "name",  "address", "version", "instance"};
    const bool bForm = !strName.empty() && (std::isalpha(static_cast<unsigned char>(strName[0])) ||
                                            strName[0] == '_') &&
                       std::ranges::all_of(strName, [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
                       });
    return bForm && strName.rfind("__", 0) != 0 &&
           std::ranges::none_of(kTaken, [&](const char* pszTaken) { return strName == pszTaken; });
}

}  // namespace

std::optional<std::vector<ServeBoardConfig>> LoadServeConfig(const std::string& strPath,
                                                             double dDefaultInterval,
                                                             std::string& strError) {
    const std::optional<YAML::Node> document = LoadYamlFile(strPath, strError);
    if (!document) {
        return std::nullopt;
    }
    const YAML::Node& root = *document;
    const YAML::Node boards = root.IsMap() ? root["boards"] : YAML::Node();
    if (!boards.IsSequence() || boards.size() == 0) {
        strError = strPath + ": expected \"boards:\" with a list of boards (name, address)";
        return std::nullopt;
    }
    if (boards.size() > kMostBoards) {
        strError = strPath + ": more than " + std::to_string(kMostBoards) + " boards";
        return std::nullopt;
    }
    std::vector<ServeBoardConfig> result;
    std::set<std::string> names;
    try {
        for (size_t i = 0; i < boards.size(); ++i) {
            const YAML::Node entry = boards[i];
            const std::string strWhere = strPath + ", board " + std::to_string(i + 1);
            if (!entry.IsMap() || !entry["name"] || !entry["address"]) {
                strError = strWhere + ": needs a name and an address";
                return std::nullopt;
            }
            ServeBoardConfig board;
            board.strName = entry["name"].as<std::string>();
            if (board.strName.empty() || !names.insert(board.strName).second) {
                strError = strWhere + ": the name \"" + board.strName + "\" is empty or taken";
                return std::nullopt;
            }
            std::string strWhy;
            std::optional<BoardAddress> address =
                ParseBoardAddress(entry["address"].as<std::string>(), strWhy);
            if (!address) {
                strError = strWhere + " (" + board.strName + "): " + strWhy;
                return std::nullopt;
            }
            board.address = std::move(*address);
            board.dInterval = entry["interval"] ? entry["interval"].as<double>() : dDefaultInterval;
            if (!std::isfinite(board.dInterval) || board.dInterval < kLeastInterval ||
                board.dInterval > kMostInterval) {
                strError = strWhere + " (" + board.strName + "): interval takes seconds from 0.1 to 86400";
                return std::nullopt;
            }
            if (const YAML::Node labels = entry["labels"]) {
                if (!labels.IsMap()) {
                    strError = strWhere + " (" + board.strName + "): labels map names to values";
                    return std::nullopt;
                }
                for (const auto& label : labels) {
                    const std::string strLabel = label.first.as<std::string>();
                    if (!IsFreeLabelName(strLabel)) {
                        strError = strWhere + " (" + board.strName + "): \"" + strLabel +
                                   "\" cannot be a label's name (letters, digits, _; not one "
                                   "the metrics use)";
                        return std::nullopt;
                    }
                    board.labels.emplace_back(strLabel, label.second.as<std::string>());
                }
            }
            result.push_back(std::move(board));
        }
    } catch (const YAML::Exception& error) {
        strError = strPath + ": " + error.what();
        return std::nullopt;
    }
    return result;
}
