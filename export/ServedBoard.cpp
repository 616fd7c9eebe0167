#include "export/ServedBoard.h"

#include <algorithm>
#include <array>

#include "data/Utf.h"
#include "link/CMonitorHistory.h"
#include "link/ItemText.h"
#include "link/Recording.h"

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

// A monitored array's metric, and the factor from its shown unit to the base one.
struct Measure {
    EBoardArray array;
    const char* pszName;
    const char* pszHelp;
    double dToBase;
};
// clang-format off
constexpr std::array<Measure, 4> kMeasures = {{
    {EBoardArray::HwVolt, "tunevo_voltage_volts", "A monitored voltage.", 1.0},
    {EBoardArray::HwTemp, "tunevo_temperature_celsius", "A monitored temperature.", 1.0},
    {EBoardArray::HwFan, "tunevo_fan_rpm", "A fan's speed in revolutions per minute.", 1.0},
    {EBoardArray::HwFrq, "tunevo_frequency_hertz", "A monitored frequency.", 1e6},
}};
// clang-format on

ClientMetric Sample(std::vector<ClientMetric::Label> labels, double dValue, MetricType type) {
    ClientMetric metric;
    metric.label = std::move(labels);
    (type == MetricType::Counter ? metric.counter.value : metric.gauge.value) = dValue;
    return metric;
}

MetricFamily Family(const char* pszName, const char* pszHelp, MetricType type,
                    std::vector<ClientMetric> metrics = {}) {
    return {pszName, pszHelp, type, std::move(metrics)};
}

}  // namespace

void TakeReadings(ServedBoard& board, EBoardArray array, const BoardItemArray& items,
                  ServedBoard::Clock::time_point now) {
    for (const BoardItem& item : items) {
        if (!WasReadNow(item)) {
            continue;
        }
        // "N/A" is no value: the item's metric goes, rather than show a stale one.
        const std::pair<EBoardArray, std::string> key{array, ToUtf8(item.Name)};
        const std::optional<double> value = CMonitorHistory::ShownValue(array, item);
        if (!value) {
            board.readings.erase(key);
            continue;
        }
        const bool bHardware = array >= EBoardArray::HwVolt;
        board.readings[key] = {*value, bHardware && IsAlarm(array, item), now};
        if (array == EBoardArray::HwFan && *value > 0) {
            board.fansSeenTurning.insert(key.second);
        }
    }
}

std::vector<MetricFamily> BoardFamilies(const ServedBoard& board,
                                        ServedBoard::Clock::time_point now) {
    const ClientMetric::Label boardLabel{"board", board.strBoard};
    std::vector<MetricFamily> families;
    families.push_back(
        Family("tunevo_up", "1 when the board answered the last round of reads.",
               MetricType::Gauge, {Sample({boardLabel}, board.bUp ? 1 : 0, MetricType::Gauge)}));
    MetricFamily down = Family("tunevo_down_reason",
                               "Present, 1, while the board is down: why it is.", MetricType::Gauge);
    if (!board.bUp) {
        down.metric.push_back(
            Sample({boardLabel, {"reason", board.strDownReason}}, 1, MetricType::Gauge));
    }
    families.push_back(std::move(down));
    MetricFamily lastRead =
        Family("tunevo_last_reading_timestamp_seconds",
               "When the newest value was read from the board, in seconds since the epoch.",
               MetricType::Gauge);
    if (!board.readings.empty()) {
        const auto newest = std::ranges::max_element(board.readings, {}, [](const auto& entry) {
                                return entry.second.readAt;
                            })->second.readAt;
        lastRead.metric.push_back(Sample(
            {boardLabel}, std::chrono::duration<double>(newest.time_since_epoch()).count(),
            MetricType::Gauge));
    }
    families.push_back(std::move(lastRead));
    families.push_back(Family(
        "tunevo_read_interval_seconds", "Seconds between the rounds of reads from the board.",
        MetricType::Gauge, {Sample({boardLabel}, board.dInterval, MetricType::Gauge)}));
    families.push_back(Family("tunevo_board_info", "The board's description version and address.",
                              MetricType::Gauge,
                              {Sample({boardLabel,
                                       {"version", board.strVersion},
                                       {"name", board.strName},
                                       {"address", board.strAddress}},
                                      1, MetricType::Gauge)}));

    MetricFamily state =
        Family("tunevo_sensor_state",
               "0 normal, 2 in alarm, by the thresholds the window colours by.", MetricType::Gauge);
    MetricFamily age =
        Family("tunevo_sensor_age_seconds", "Seconds since the value was last read from the board.",
               MetricType::Gauge);
    MetricFamily overclock =
        Family("tunevo_overclock_value", "An over-clock item's value, in the unit given.",
               MetricType::Gauge);
    std::map<EBoardArray, MetricFamily> measured;
    for (const Measure& measure : kMeasures) {
        measured[measure.array] = Family(measure.pszName, measure.pszHelp, MetricType::Gauge);
    }
    MetricFamily turning =
        Family("tunevo_fan_seen_turning",
               "1 for a fan read above 0 RPM since the serve started, else 0 (nothing on it).",
               MetricType::Gauge);
    // A board down serves no readings: frozen values would look live and alert.
    static const decltype(board.readings) kNone;
    const auto& readings = board.bUp ? board.readings : kNone;
    for (const auto& [key, reading] : readings) {
        const auto& [array, strItem] = key;
        const ClientMetric::Label itemLabel{"item", strItem};
        const double dAge = std::chrono::duration<double>(now - reading.readAt).count();
        if (array < EBoardArray::HwVolt) {
            overclock.metric.push_back(Sample({boardLabel, itemLabel, {"unit", PlainUnit(array)}},
                                              reading.dValue, MetricType::Gauge));
            continue;
        }
        for (const Measure& measure : kMeasures) {
            if (measure.array == array) {
                measured[array].metric.push_back(Sample(
                    {boardLabel, itemLabel}, reading.dValue * measure.dToBase, MetricType::Gauge));
            }
        }
        if (array != EBoardArray::HwFrq) {
            state.metric.push_back(
                Sample({boardLabel, itemLabel}, reading.bAlarm ? 2 : 0, MetricType::Gauge));
        }
        if (array == EBoardArray::HwFan) {
            turning.metric.push_back(Sample({boardLabel, itemLabel},
                                            board.fansSeenTurning.contains(strItem) ? 1 : 0,
                                            MetricType::Gauge));
        }
        age.metric.push_back(Sample({boardLabel, itemLabel}, dAge, MetricType::Gauge));
    }
    for (auto& [array, family] : measured) {
        families.push_back(std::move(family));
    }
    families.push_back(std::move(state));
    families.push_back(std::move(turning));
    families.push_back(std::move(age));
    families.push_back(std::move(overclock));

    const auto optional = [&](const char* pszName, const char* pszHelp,
                              std::optional<double> value) {
        MetricFamily family = Family(pszName, pszHelp, MetricType::Gauge);
        if (value && board.bUp) {
            family.metric.push_back(Sample({boardLabel}, *value, MetricType::Gauge));
        }
        families.push_back(std::move(family));
    };
    optional("tunevo_power_on", "1 while the PC is on.",
             board.powerOn ? std::optional<double>(*board.powerOn ? 1 : 0) : std::nullopt);
    optional("tunevo_locked", "1 while the board reports its lock.",
             board.locked ? std::optional<double>(*board.locked ? 1 : 0) : std::nullopt);
    optional("tunevo_post_code", "The code the board's POST display shows.",
             board.postCode ? std::optional<double>(*board.postCode) : std::nullopt);

    families.push_back(Family(
        "tunevo_exchanges_total", "Request and reply exchanges with the board.",
        MetricType::Counter,
        {Sample({boardLabel}, static_cast<double>(board.counts.nExchanges), MetricType::Counter)}));
    MetricFamily failures = Family("tunevo_reply_failures_total",
                                   "Exchanges whose reply failed, by kind.", MetricType::Counter);
    for (const auto& [pszKind, nCount] :
         {std::pair{"checksum", board.counts.nChecksum},
          std::pair{"missing", board.counts.nMissing}, std::pair{"late", board.counts.nLate}}) {
        failures.metric.push_back(Sample({boardLabel, {"kind", pszKind}},
                                         static_cast<double>(nCount), MetricType::Counter));
    }
    families.push_back(std::move(failures));
    families.push_back(Family(
        "tunevo_reconnects_total", "Times the link was lost and made again.", MetricType::Counter,
        {Sample({boardLabel}, static_cast<double>(board.nReconnects), MetricType::Counter)}));
    // Every series starts with the board label; the configured ones follow it.
    for (MetricFamily& family : families) {
        for (ClientMetric& metric : family.metric) {
            for (size_t i = 0; i < board.labels.size(); ++i) {
                metric.label.insert(metric.label.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                    {board.labels[i].first, board.labels[i].second});
            }
        }
    }
    return families;
}
