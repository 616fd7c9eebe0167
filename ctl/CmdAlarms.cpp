#include "ctl/CmdAlarms.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <vector>

#include "ctl/CCtlSession.h"
#include "data/MonitorLog.h"

int RunAlarms(bool bJson) {
    const std::vector<AlarmEntry> entries = ReadAlarms();
    if (bJson) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const AlarmEntry& entry : entries) {
            list.push_back({{"time", IsoLocalTime(entry.time)},
                            {"board", entry.strBoard},
                            {"item", entry.strItem},
                            {"value", entry.strValue},
                            {"unit", entry.strUnit}});
        }
        std::printf(
            "%s\n",
            list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
        return kExitOk;
    }
    if (entries.empty()) {
        std::printf("no item has come into alarm (%s)\n", AlarmLogPath().c_str());
        return kExitOk;
    }
    for (const AlarmEntry& entry : entries) {
        std::printf("%s  %-16s %-24s %10s %s\n", IsoLocalTime(entry.time).c_str(),
                    entry.strBoard.c_str(), entry.strItem.c_str(), entry.strValue.c_str(),
                    entry.strUnit.c_str());
    }
    return kExitOk;
}
