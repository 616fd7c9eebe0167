#include "ctl/CmdMonitor.h"

#include <nlohmann/json.hpp>

#include <unistd.h>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/MonitorLog.h"
#include "data/Utf.h"
#include "link/ItemText.h"
#include "link/Recording.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kDefaultInterval = 2s;

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char szTime[32];
    std::strftime(szTime, sizeof(szTime), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return szTime;
}

// The shown text as a number; null when it is none.
nlohmann::ordered_json ShownNumber(const std::string& strShown) {
    double dValue = 0;
    const char* pszEnd = strShown.data() + strShown.size();
    const auto [pszStop, error] = std::from_chars(strShown.data(), pszEnd, dValue);
    if (error != std::errc() || pszStop != pszEnd || !std::isfinite(dValue)) {
        return nullptr;
    }
    return dValue;
}

// Where a watch's samples go, and what it keeps between them.
struct SampleSink {
    bool bJson = false;
    bool bCsv = false;
    CLineFile out;
    // Which items were in alarm at the last sample, so that only a coming
    // into alarm is logged.
    std::set<std::pair<EBoardArray, size_t>> inAlarm;
};

// Writes the sample's values read as CSV lines.
void WriteCsvSample(CCtlSession& session, SampleSink& sink) {
    const LogClock::time_point now = LogClock::now();
    for (EBoardArray array : kHardwareArrays) {
        for (const RecordedValue& value :
             RecordedValuesOf(array, session.Link().GetArray(array), now)) {
            sink.out.WriteLine(RecordingLine(value));
        }
    }
}

// Appends each item that came into alarm since the last sample to the alarm log.
void LogNewAlarms(CCtlSession& session, SampleSink& sink) {
    const std::string strBoard = ToUtf8(session.Link().GetBoardVersion());
    for (EBoardArray array : kHardwareArrays) {
        const BoardItemArray items = session.Link().GetArray(array);
        for (size_t nIndex = 0; nIndex < items.size(); ++nIndex) {
            const BoardItem& item = items[nIndex];
            if (!WasReadNow(item)) {
                continue;  // unknown now: neither in alarm nor out of it
            }
            const bool bAlarm = IsAlarm(array, item);
            const bool bWas = sink.inAlarm.contains({array, nIndex});
            if (bAlarm && !bWas) {
                std::string strError;
                if (!AppendAlarm({LogClock::now(), strBoard, ToUtf8(item.Name),
                                  ShownText(array, item), PlainUnit(array)},
                                 strError)) {
                    PrintError("the alarm log: " + strError);
                }
                sink.inAlarm.insert({array, nIndex});
            } else if (!bAlarm) {
                sink.inAlarm.erase({array, nIndex});
            }
        }
    }
}

// Prints one sample; false when any item's value could not be read.
bool PrintSample(CCtlSession& session, int nSample, long nDurationMs, SampleSink& sink) {
    const bool bJson = sink.bJson;
    bool bComplete = true;
    LogNewAlarms(session, sink);
    if (sink.bCsv) {
        WriteCsvSample(session, sink);
        for (EBoardArray array : kHardwareArrays) {
            for (const BoardItem& item : session.Link().GetArray(array)) {
                bComplete = bComplete && WasReadNow(item);
            }
        }
        return bComplete;
    }
    if (bJson) {
        // One object per line, keys in this order; invalid UTF-8 in a name is replaced.
        nlohmann::ordered_json items = nlohmann::ordered_json::array();
        for (EBoardArray array : kHardwareArrays) {
            for (const BoardItem& item : session.Link().GetArray(array)) {
                const bool bRead = WasReadNow(item);
                bComplete = bComplete && bRead;
                const std::string strShown = bRead ? ShownText(array, item) : std::string();
                items.push_back(
                    {{"array", ToUtf8(SectionName(array))},
                     {"name", ToUtf8(item.Name)},
                     {"read", bRead},
                     {"raw", bRead ? nlohmann::ordered_json(WToL(item.Value)) : nullptr},
                     {"shown", bRead ? nlohmann::ordered_json(strShown) : nullptr},
                     {"value", bRead ? ShownNumber(strShown) : nullptr},
                     {"unit", PlainUnit(array)},
                     {"alarm", bRead && IsAlarm(array, item)}});
            }
        }
        const nlohmann::ordered_json sample = {{"time", UtcNow()},
                                               {"sample", nSample},
                                               {"duration_ms", nDurationMs},
                                               {"items", items}};
        sink.out.WriteLine(
            sample.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    } else {
        char szHead[128];
        std::snprintf(szHead, sizeof(szHead), "%s  sample %d (%.2f s)", UtcNow().c_str(), nSample,
                      nDurationMs / 1000.0);
        sink.out.WriteLine(szHead);
        for (EBoardArray array : kHardwareArrays) {
            for (const BoardItem& item : session.Link().GetArray(array)) {
                const bool bRead = WasReadNow(item);
                bComplete = bComplete && bRead;
                const char* pszMark = !bRead ? "  UNREAD" : IsAlarm(array, item) ? "  ALARM" : "";
                char szLine[256];
                std::snprintf(szLine, sizeof(szLine), "  %-8s %-24s %10s %s%s",
                              ToUtf8(SectionName(array)).c_str(), ToUtf8(item.Name).c_str(),
                              bRead ? ShownText(array, item).c_str() : "--",
                              std::string(UnitOf(array)).c_str(), pszMark);
                sink.out.WriteLine(szLine);
            }
        }
    }
    return bComplete;
}

}  // namespace

int RunMonitor(const MonitorOptions& options) {
    const std::optional<double> dInterval = options.dInterval;
    // Once, unless an interval or a count asks for more.
    const long nSamples = options.nCount.value_or(dInterval ? 0 : 1);  // 0: until interrupted
    const auto interval =
        dInterval
            ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(*dInterval))
            : std::chrono::duration_cast<Clock::duration>(kDefaultInterval);

    SampleSink sink;
    sink.bJson = options.bJson;
    sink.bCsv = options.bCsv;
    if (options.strOutput.empty()) {
        std::fflush(stdout);
        sink.out.Adopt(STDOUT_FILENO);
        if (sink.bCsv) {
            sink.out.WriteLine(kRecordingHeader);
        }
    } else {
        std::string strError;
        const std::string_view header = sink.bCsv ? kRecordingHeader : std::string_view();
        if (std::filesystem::exists(options.strOutput)) {
            PrintError(options.strOutput + " exists; --output writes a new file");
            return kExitUsage;
        }
        if (!sink.out.Create(options.strOutput, header, strError)) {
            PrintError(strError);
            return kExitFailure;
        }
    }

    WatchForInterrupt();
    auto session = std::make_unique<CCtlSession>();
    if (const int nExit = session->Load();
        nExit != kExitOk && !(options.bReconnect && ReconnectSession(session))) {
        return nExit;
    }
    bool bComplete = true;
    bool bSaidTooShort = false;
    for (long nSample = 1; (nSamples == 0 || nSample <= nSamples) && !Interrupted(); ++nSample) {
        const Clock::time_point start = Clock::now();
        // Each sample judges its own reports, so a long watch keeps none older.
        session->Reports().Clear();
        if (!RefreshMonitor(*session, static_cast<int>(nSample))) {
            if (!options.bReconnect) {
                return kExitLinkLost;
            }
            if (!ReconnectSession(session)) {
                break;  // interrupted while waiting
            }
            --nSample;  // the sample is taken again
            continue;
        }
        const auto duration =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        bComplete = PrintSample(*session, static_cast<int>(nSample),
                                static_cast<long>(duration.count()), sink) &&
                    bComplete;
        if (nSamples != 0 && nSample == nSamples) {
            break;
        }
        if (Clock::now() - start > interval && !bSaidTooShort) {
            bSaidTooShort = true;
            std::fprintf(stderr,
                         "tunevoctl: a sample takes %.3f s, longer than --interval; samples "
                         "follow each other without a pause\n",
                         static_cast<double>(duration.count()) / 1000.0);
        }
        while (Clock::now() - start < interval && !Interrupted()) {
            std::this_thread::sleep_for(20ms);
        }
    }
    if (!bComplete) {
        PrintError("some values could not be read; they are marked UNREAD");
        return kExitNoAnswer;
    }
    return kExitOk;
}
