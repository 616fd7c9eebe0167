#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/BoardAddress.h"

// One board of a `tunevoctl serve --config FILE`.
struct ServeBoardConfig {
    std::string strName;     // its board label, unique in the file
    BoardAddress address;    // as --board takes it
    double dInterval = 10;   // seconds between rounds of reads
    // Labels every one of its series carries besides board (rack, slot, ...).
    std::vector<std::pair<std::string, std::string>> labels;
};

// Reads the boards of a serve's YAML file:
//
//   boards:
//     - name: rig-1
//       address: AA:BB:CC:DD:EE:01
//       interval: 5          # else the default given
//       labels: {rack: "3"}
//
// Nothing with strError set, naming the board and the field, when the file
// cannot be read or a field is wrong.
std::optional<std::vector<ServeBoardConfig>> LoadServeConfig(const std::string& strPath,
                                                             double dDefaultInterval,
                                                             std::string& strError);
