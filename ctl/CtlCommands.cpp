#include "ctl/CtlCommands.h"

#include <nlohmann/json.hpp>

#include <unistd.h>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <thread>

#include "ctl/CCtlProgress.h"
#include "ctl/CCtlSession.h"
#include "data/CProfileFile.h"
#include "data/MonitorLog.h"
#include "data/TextCase.h"
#include "data/Utf.h"
#include "data/ValueText.h"
#include "link/ItemText.h"
#include "link/ProfileValues.h"
#include "link/Recording.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The poster read is one exchange; a few more cover a noisy line.
constexpr int kPosterReadTries = 6;
constexpr auto kDefaultInterval = 2s;

std::atomic<bool> g_bInterrupted{false};

void OnInterrupt(int /*nSignal*/) {
    g_bInterrupted.store(true);
}

int Usage(const std::string& strMessage) {
    PrintError(strMessage + " (see tunevoctl --help)");
    return kExitUsage;
}

// The board stopped answering: lost, or only silent.
int NoAnswer(CCtlSession& session, const std::string& strWhat) {
    if (session.LinkLost()) {
        return kExitLinkLost;
    }
    PrintError("the board did not answer " + strWhat);
    return kExitNoAnswer;
}

// Prints one section's items; false when any value could not be read.
bool PrintItemTable(EBoardArray array, const BoardItemArray& items) {
    std::printf("%s\n", ToUtf8(SectionName(array)).c_str());
    bool bComplete = true;
    for (const BoardItem& item : items) {
        const bool bRead = WasReadNow(item);
        bComplete = bComplete && bRead;
        const std::string strRange =
            HasKnownRange(item) ? ToUtf8(item.Min) + ".." + ToUtf8(item.Max) : "--";
        const char* pszMark = !bRead                                           ? "  UNREAD"
                              : IsHardwareArray(array) && IsAlarm(array, item) ? "  ALARM"
                                                                               : "";
        std::printf("  %-24s %8s  %-14s %s %s%s\n", ToUtf8(item.Name).c_str(),
                    bRead ? ToUtf8(item.Value).c_str() : "--", strRange.c_str(),
                    bRead ? ShownText(array, item).c_str() : "--",
                    std::string(UnitOf(array)).c_str(), pszMark);
    }
    return bComplete;
}

// Reads every monitored array; false when the link was lost.
bool RefreshMonitor(CCtlSession& session, int nSample) {
    int nArray = 0;
    for (EBoardArray array : kHardwareArrays) {
        ++nArray;
        if (session.Link().GetArray(array).empty()) {
            continue;
        }
        CCtlProgress::Instance().Show("reading sample " + std::to_string(nSample) + ": " +
                                      std::to_string(nArray) + " of " +
                                      std::to_string(kHardwareArrays.size()));
        if (!session.Refresh(array)) {
            if (session.LinkLost()) {
                return false;
            }
            PrintError("the board did not answer every " + ToUtf8(SectionName(array)) +
                       " value; those it did not are marked UNREAD");
        }
    }
    CCtlProgress::Instance().Clear();
    return true;
}

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

// Asks on the terminal (or whatever feeds standard input); yes only for "y" or "yes".
bool Confirm(const std::string& strQuestion) {
    std::fprintf(stderr, "%s [y/N] ", strQuestion.c_str());
    std::fflush(stderr);
    std::string strAnswer;
    if (!std::getline(std::cin, strAnswer)) {
        std::fputc('\n', stderr);
        return false;
    }
    const std::u16string answer = FromUtf8(strAnswer);
    return EqualsNoCase(answer, u"y") || EqualsNoCase(answer, u"yes");
}

struct PowerAction {
    int nCode;
    const char* pszQuestion;
    const char* pszDone;
};

const std::map<std::string, PowerAction> kPowerActions = {
    {"on", {1, "Switch the PC on?", "the PC is switching on"}},
    {"off", {2, "Switch the PC off? Its system shuts down.", "the PC is switching off"}},
    {"force-off",
     {3, "Force the PC off? Unsaved work on it is lost.", "the PC is switching off at once"}},
    {"clear-cmos",
     {4, "Clear the PC's CMOS? Its BIOS settings return to their defaults.",
      "the CMOS settings are cleared"}},
    {"reset", {5, "Reset the PC? Unsaved work on it is lost.", "the PC is resetting"}},
};

// An over-clock item found by name, and where.
struct FoundItem {
    EBoardArray array;
    size_t nIndex;
};

std::optional<FoundItem> FindOverclockItem(CCtlSession& session, const std::u16string& name) {
    for (EBoardArray array : kOverclockArrays) {
        const BoardItemArray items = session.Link().GetArray(array);
        for (size_t i = 0; i < items.size(); ++i) {
            if (EqualsNoCase(items[i].Name, name)) {
                return FoundItem{array, i};
            }
        }
    }
    return std::nullopt;
}

// The item's shown text for a raw value.
std::string ShownOf(EBoardArray array, BoardItem item, long nRaw) {
    item.Value = ToText(nRaw);
    return ShownText(array, item);
}

// The two raw steps a shown value lies between; nothing when it is a step.
std::optional<std::pair<long, long>> StepsAround(const BoardItem& item,
                                                 const std::u16string& value) {
    double dMul = LeadingNumber(item.Mul);
    double dDiv = LeadingNumber(item.Div);
    dMul = dMul == 0 ? 1 : dMul;
    dDiv = dDiv == 0 ? 1 : dDiv;
    const double dRaw = LeadingNumber(value) * dDiv / dMul;
    const double dLower = std::floor(dRaw);
    // Typed decimals are not exact in binary: a millionth of a step is no step.
    constexpr double kTolerance = 1e-6;
    if (dRaw - dLower <= kTolerance || dLower + 1 - dRaw <= kTolerance) {
        return std::nullopt;
    }
    return std::pair{static_cast<long>(dLower), static_cast<long>(dLower) + 1};
}

// Writes the items the user set in the arrays, prints each write, reads the
// board back and prints the named items as it now holds them.
int WriteAndReadBack(CCtlSession& session, std::map<EBoardArray, BoardItemArray>& arrays,
                     const std::vector<FoundItem>& named) {
    if (!session.Link().StoreEdits(arrays[EBoardArray::OverVolt], arrays[EBoardArray::OverFreq],
                                   arrays[EBoardArray::OverRatio])) {
        PrintError("the board's items changed while setting; nothing was sent");
        return kExitFailure;
    }
    const CDeviceLink::ApplyResult result =
        session.Link().ApplyAll(CDeviceLink::EApplyScope::UserSet);
    for (const CDeviceLink::ItemWrite& write : result.writes) {
        const BoardItem& item = arrays[write.array].at(write.nIndex);
        std::printf("wrote %s = %s %s (raw %s): %s\n", ToUtf8(item.Name).c_str(),
                    ShownText(write.array, item).c_str(), std::string(UnitOf(write.array)).c_str(),
                    ToUtf8(item.Value).c_str(),
                    write.bAcknowledged ? "acknowledged" : "NOT acknowledged");
    }
    if (session.LinkLost()) {
        return kExitLinkLost;
    }

    // Read back what the board now holds.
    for (EBoardArray array : kOverclockArrays) {
        if (!session.Refresh(array) && session.LinkLost()) {
            return kExitLinkLost;
        }
    }
    int nResult = result.bOk ? kExitOk : kExitNoAnswer;
    for (const FoundItem& found : named) {
        const BoardItem& wanted = arrays[found.array][found.nIndex];
        const BoardItem now = session.Link().GetArray(found.array).at(found.nIndex);
        if (!WasReadNow(now)) {
            PrintError(ToUtf8(now.Name) + ": the board did not answer the read-back");
            nResult = kExitNoAnswer;
            continue;
        }
        std::printf("%s = %s %s (raw %s)\n", ToUtf8(now.Name).c_str(),
                    ShownText(found.array, now).c_str(), std::string(UnitOf(found.array)).c_str(),
                    ToUtf8(now.Value).c_str());
        if (now.Value != wanted.Value) {
            PrintError(ToUtf8(now.Name) + ": the board kept raw " + ToUtf8(now.Value) +
                       " instead of " + ToUtf8(wanted.Value));
            nResult = kExitNoAnswer;
        }
    }
    if (!result.bOk) {
        PrintError("the board did not acknowledge every value; tunevoctl info shows what it has");
    }
    return nResult;
}

// A value as the profile lists show it, with its unit; "--" for none.
std::string ProfileColumn(EBoardArray array, const std::optional<std::u16string>& text) {
    return text ? ToUtf8(ProfileShownText(array, *text)) : "--";
}

// Reads the profile file as this board may use it: one saved for another
// board version counts as none, and is said to be so.
void ReadProfileFile(CProfileFile& file, const std::u16string& boardVersion) {
    if (file.Load() && !file.LoadForBoard(boardVersion)) {
        CProfileFile stale(file.Path());
        stale.Load();
        PrintError(file.Path() + " was saved for board version " + ToUtf8(stale.GetVersion()) +
                   ", not this board's " + ToUtf8(boardVersion) + "; its profiles do not apply");
    }
}

int ShowProfiles(CCtlSession& session, const CProfileFile& file, std::vector<int> profiles) {
    for (int nProfile : profiles) {
        if (!file.HasProfile(nProfile)) {
            std::printf("profile %d: nothing saved\n", nProfile);
            continue;
        }
        std::printf("profile %d\n  %-24s %-16s %s\n", nProfile, "NAME", "PROFILE", "BOARD");
        for (EBoardArray array : kProfileArrays) {
            for (const BoardItem& item : session.Link().GetArray(array)) {
                std::printf("  %-24s %-16s %s\n", ToUtf8(item.Name).c_str(),
                            ProfileColumn(array, file.GetValue(nProfile, item.Name)).c_str(),
                            ProfileColumn(array, ProfileTextOf(array, item)).c_str());
            }
        }
    }
    return kExitOk;
}

int SaveProfile(CCtlSession& session, CProfileFile& file, int nProfile) {
    // A profile with a value missing would load as a mix; nothing is saved.
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : session.Link().GetArray(array)) {
            if (!WasReadNow(item)) {
                PrintError(ToUtf8(item.Name) +
                           ": the board did not answer its value; nothing was saved");
                return kExitNoAnswer;
            }
        }
    }
    StoreProfile(file, nProfile, session.Link());
    if (!file.Save()) {
        PrintError("cannot write " + file.Path() + "; it stays as it was");
        return kExitFailure;
    }
    std::printf("saved profile %d to %s\n", nProfile, file.Path().c_str());
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : session.Link().GetArray(array)) {
            std::printf("  %-24s %s\n", ToUtf8(item.Name).c_str(),
                        ProfileColumn(array, ProfileTextOf(array, item)).c_str());
        }
    }
    return kExitOk;
}

int LoadProfileToBoard(CCtlSession& session, const CProfileFile& file, int nProfile, bool bYes,
                       const std::vector<std::string>& forced) {
    if (!file.HasProfile(nProfile)) {
        PrintError("profile " + std::to_string(nProfile) +
                   " holds nothing for this board; nothing was sent");
        return kExitNoProfile;
    }
    auto isForced = [&forced](const std::u16string& name) {
        return std::ranges::any_of(forced, [&name](const std::string& strName) {
            return EqualsNoCase(FromUtf8(strName), name);
        });
    };
    std::map<EBoardArray, BoardItemArray> arrays = LoadProfile(file, nProfile, session.Link());
    std::vector<FoundItem> changed;
    // Items of the profile that will not be written and read back.
    size_t nLeft = 0;
    for (EBoardArray array : kProfileArrays) {
        BoardItemArray& items = arrays[array];
        const BoardItemArray current = session.Link().GetArray(array);
        for (size_t i = 0; i < items.size() && i < current.size(); ++i) {
            const std::string strName = ToUtf8(items[i].Name);
            const std::optional<std::u16string> stored = file.GetValue(nProfile, items[i].Name);
            const bool bRead = WasReadNow(current[i]);
            const std::string strNow =
                bRead ? ProfileColumn(array, ProfileTextOf(array, current[i])) : "UNREAD";
            if (!stored) {
                std::printf("  %-24s %s stays: not in the profile\n", strName.c_str(),
                            strNow.c_str());
                continue;
            }
            if (!bRead && !isForced(items[i].Name)) {
                // Its value now is not known: writing would be a guess.
                items[i].bUserSet = false;
                ++nLeft;
                std::printf(
                    "  %-24s %s not written: the board did not answer its value "
                    "(--force \"%s\" writes it)\n",
                    strName.c_str(), strNow.c_str(), strName.c_str());
                continue;
            }
            if (!ProfileRawValue(current[i], *stored)) {
                ++nLeft;
                std::printf("  %-24s %s stays: %s\n", strName.c_str(), strNow.c_str(),
                            StartsWithNumber(*stored) ? "the board did not say its range"
                                                      : "the profile holds no number");
                continue;
            }
            const std::u16string unlimited =
                ShownTextToRaw(*stored, items[i].Mul, items[i].Div, -kWToLLimit, kWToLLimit);
            const char* pszLimited = unlimited != items[i].Value ? " (limited to its range)" : "";
            if (!items[i].bUserSet) {
                std::printf("  %-24s %s unchanged%s\n", strName.c_str(), strNow.c_str(),
                            pszLimited);
                continue;
            }
            changed.push_back({array, i});
            std::printf("  %-24s %s -> %s%s\n", strName.c_str(), strNow.c_str(),
                        ProfileColumn(array, ProfileTextOf(array, items[i])).c_str(), pszLimited);
        }
    }
    const std::string strLeft = std::to_string(nLeft) + (nLeft == 1 ? " item" : " items") +
                                " of profile " + std::to_string(nProfile) + " could not be loaded";
    if (changed.empty()) {
        if (nLeft > 0) {
            PrintError(strLeft + "; nothing was sent");
            return kExitNoAnswer;
        }
        std::printf("the board already holds profile %d\n", nProfile);
        return kExitOk;
    }
    std::fflush(stdout);
    const std::string strCount =
        changed.size() == 1 ? "1 value changes" : std::to_string(changed.size()) + " values change";
    if (!bYes && !Confirm("Apply profile " + std::to_string(nProfile) + " to the board (" +
                          strCount + ")?")) {
        PrintError("cancelled; nothing was sent");
        return kExitDeclined;
    }
    const int nExit = WriteAndReadBack(session, arrays, changed);
    if (nLeft > 0) {
        PrintError(strLeft);
        return nExit == kExitOk ? kExitNoAnswer : nExit;
    }
    return nExit;
}

}  // namespace

bool IsPlainNumber(const std::string& strText) {
    size_t nPos = strText.starts_with('-') || strText.starts_with('+') ? 1 : 0;
    size_t nDigits = 0;
    bool bPoint = false;
    for (; nPos < strText.size(); ++nPos) {
        const char c = strText[nPos];
        if (c >= '0' && c <= '9') {
            ++nDigits;
        } else if (c == '.' && !bPoint) {
            bPoint = true;
        } else {
            return false;
        }
    }
    return nDigits > 0;
}

int RunScan() {
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    std::printf("board found: %s\n", session.PortPath().c_str());
    return kExitOk;
}

int RunInfo() {
    CCtlSession session;
    if (const int nExit = session.Load(); nExit != kExitOk) {
        return nExit;
    }
    if (!RefreshMonitor(session, 1)) {
        return kExitLinkLost;
    }
    std::printf("board: %s\nport: %s\n", ToUtf8(session.Link().GetBoardVersion()).c_str(),
                session.PortPath().c_str());
    std::printf("\n  %-24s %8s  %-14s %s\n", "NAME", "RAW", "RANGE", "SHOWN");
    bool bComplete = true;
    for (int nArray = kFirstArray; nArray <= kLastArray; ++nArray) {
        const auto array = static_cast<EBoardArray>(nArray);
        bComplete = PrintItemTable(array, session.Link().GetArray(array)) && bComplete;
    }
    if (!bComplete) {
        PrintError("some values could not be read; they are marked UNREAD");
        return kExitNoAnswer;
    }
    return kExitOk;
}

void WatchForInterrupt() {
    g_bInterrupted.store(false);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() {
    return g_bInterrupted.load();
}

bool ReconnectSession(std::unique_ptr<CCtlSession>& session) {
    constexpr auto kFirstPause = 1s;
    constexpr auto kLongestPause = 10s;
    auto pause = Clock::duration(kFirstPause);
    for (;;) {
        PrintError("the board is out of reach; trying again in " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(pause).count()) +
                   " s");
        const Clock::time_point until = Clock::now() + pause;
        while (Clock::now() < until && !g_bInterrupted.load()) {
            std::this_thread::sleep_for(20ms);
        }
        if (g_bInterrupted.load()) {
            return false;
        }
        session.reset();  // the old link lets go of its port first
        session = std::make_unique<CCtlSession>();
        if (session->Load() == kExitOk) {
            PrintError("the board answers again");
            return true;
        }
        pause = std::min<Clock::duration>(pause * 2, kLongestPause);
    }
}

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
    for (long nSample = 1; (nSamples == 0 || nSample <= nSamples) && !g_bInterrupted.load();
         ++nSample) {
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
        while (Clock::now() - start < interval && !g_bInterrupted.load()) {
            std::this_thread::sleep_for(20ms);
        }
    }
    if (!bComplete) {
        PrintError("some values could not be read; they are marked UNREAD");
        return kExitNoAnswer;
    }
    return kExitOk;
}

int RunSet(const SetOptions& options) {
    const bool bClamp = options.bClamp;
    std::vector<std::pair<std::u16string, std::string>> edits;
    for (const std::string& strArg : options.assignments) {
        const size_t nEquals = strArg.find('=');
        if (nEquals == std::string::npos || nEquals == 0) {
            return Usage("'" + strArg + "' is not NAME=VALUE");
        }
        const std::string strValue = strArg.substr(nEquals + 1);
        if (strValue.empty()) {
            PrintError("no value given for " + strArg.substr(0, nEquals));
            return kExitNotANumber;
        }
        if (!IsPlainNumber(strValue)) {
            PrintError("'" + strValue + "' for " + strArg.substr(0, nEquals) +
                       " is not a number; give the value in the shown unit, without the "
                       "unit (for example 1.25 for 1.25 [V])");
            return kExitNotANumber;
        }
        edits.emplace_back(FromUtf8(strArg.substr(0, nEquals)), strValue);
    }
    if (edits.empty()) {
        return Usage("set needs at least one NAME=VALUE");
    }

    CCtlSession session;
    if (const int nExit = session.Load(); nExit != kExitOk) {
        return nExit;
    }
    std::map<EBoardArray, BoardItemArray> arrays;
    for (EBoardArray array : kOverclockArrays) {
        arrays[array] = session.Link().GetArray(array);
    }
    // Every value is checked before anything is sent.
    std::vector<FoundItem> named;
    for (const auto& [name, strValue] : edits) {
        const std::optional<FoundItem> found = FindOverclockItem(session, name);
        if (!found) {
            PrintError("no over-clock item is called '" + ToUtf8(name) +
                       "' (tunevoctl info lists them)");
            return kExitUnknownItem;
        }
        BoardItem& item = arrays[found->array][found->nIndex];
        if (item.bWriteBlocked) {
            PrintError(ToUtf8(item.Name) +
                       ": another item of the board's description reads its letter, so it is "
                       "never written; nothing was sent");
            return kExitFailure;
        }
        if (!HasKnownRange(item)) {
            PrintError(ToUtf8(item.Name) +
                       ": the board did not say its range; nothing was sent, try again");
            return kExitNoAnswer;
        }
        const std::u16string value = FromUtf8(strValue);
        const std::u16string raw =
            ShownTextToRaw(value, item.Mul, item.Div, WToL(item.Min), WToL(item.Max));
        if (raw != ShownTextToRaw(value, item.Mul, item.Div, -kWToLLimit, kWToLLimit)) {
            BoardItem lowest = item;
            BoardItem highest = item;
            lowest.Value = item.Min;
            highest.Value = item.Max;
            const std::string strRange = ShownText(found->array, lowest) + " to " +
                                         ShownText(found->array, highest) + " " +
                                         std::string(UnitOf(found->array));
            if (!bClamp) {
                PrintError(ToUtf8(item.Name) + ": " + strValue + " is outside its range, " +
                           strRange + "; nothing was sent (--clamp limits it instead)");
                return kExitOutOfRange;
            }
            BoardItem limited = item;
            limited.Value = raw;
            PrintError(ToUtf8(item.Name) + ": " + strValue + " is outside its range, " + strRange +
                       "; " + ShownText(found->array, limited) + " is set instead");
        }
        std::u16string chosen = raw;
        if (raw == ShownTextToRaw(value, item.Mul, item.Div, -kWToLLimit, kWToLLimit)) {
            // Inside the range: the value must be one of the item's steps.
            const std::optional<std::pair<long, long>> steps = StepsAround(item, value);
            if (steps) {
                const std::string strBetween = ShownOf(found->array, item, steps->first) + " and " +
                                               ShownOf(found->array, item, steps->second) + " " +
                                               std::string(UnitOf(found->array));
                if (!options.bRound) {
                    PrintError(ToUtf8(item.Name) + ": " + strValue +
                               " lies between two of its steps, " + strBetween +
                               "; nothing was sent (--round takes the nearer one)");
                    return kExitOutOfRange;
                }
                PrintError(ToUtf8(item.Name) + ": " + strValue + " lies between " + strBetween +
                           "; " + ShownOf(found->array, item, WToL(raw)) + " is set instead");
            }
        }
        if (!FitsSetFrame(item, WToL(chosen))) {
            const auto [nLowest, nHighest] = SetFrameLimits(item);
            PrintError(ToUtf8(item.Name) + ": " + strValue + " is raw " + ToUtf8(chosen) +
                       ", which its setting cannot carry (raw " + std::to_string(nLowest) + " to " +
                       std::to_string(nHighest) + "); nothing was sent");
            return kExitOutOfRange;
        }
        item.Value = chosen;
        item.bUserSet = true;
        named.push_back(*found);
    }

    return WriteAndReadBack(session, arrays, named);
}

int RunPower(const PowerOptions& options) {
    std::string strAction = options.strAction;
    const bool bYes = options.bYes;
    if (strAction == kOldForceOffName) {
        // Kept for one release: "shutdown" read too much like the normal "off".
        std::fprintf(stderr,
                     "tunevoctl: 'power shutdown' is now 'power force-off'; the old name "
                     "goes in the next release\n");
        strAction = "force-off";
    }
    if (strAction == "status") {
        CCtlSession session;
        if (const int nExit = session.Connect(); nExit != kExitOk) {
            return nExit;
        }
        const bool bOn = session.Link().QueryPowerStatus();
        if (!bOn && session.Reports().Count("OnLinkError") > 0) {
            return NoAnswer(session, "the power status");
        }
        std::printf("%s\n", bOn ? "on" : "off");
        return kExitOk;
    }
    const auto it = kPowerActions.find(strAction);
    if (it == kPowerActions.end()) {
        return Usage("unknown power action '" + strAction + "'");
    }
    const PowerAction& power = it->second;
    if (!bYes && !Confirm(power.pszQuestion)) {
        PrintError("cancelled; nothing was sent");
        return kExitDeclined;
    }
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    session.Link().PowerAction(power.nCode);
    const std::optional<CRecordingListener::Report> done =
        session.Reports().Last("OnPowerCommandDone");
    if (done && done->nFirst != 0) {
        std::printf("acknowledged: %s\n", power.pszDone);
        return kExitOk;
    }
    if (session.LinkLost()) {
        return kExitLinkLost;
    }
    if (done && done->nSecond == ILinkListener::kPowerRefused) {
        PrintError("refused: the board clears its CMOS only while the PC is off");
        return kExitRefused;
    }
    static const std::map<int, const char*> kUnconfirmed = {
        {ILinkListener::kPowerUnconfirmed, "the PC's state is unknown"},
        {ILinkListener::kPowerUnconfirmedNowOn, "the PC now reads as on"},
        {ILinkListener::kPowerUnconfirmedNowOff, "the PC now reads as off"}};
    if (const auto it = done ? kUnconfirmed.find(done->nSecond) : kUnconfirmed.end();
        it != kUnconfirmed.end()) {
        PrintError(std::string("the board did not confirm the action; it was sent once and not "
                               "again, and ") +
                   it->second);
        return kExitNoAnswer;
    }
    return NoAnswer(session, "the power action");
}

int RunPoster(const PosterOptions& options) {
    std::optional<int> nMode;
    if (options.mode) {
        nMode = *options.mode == "code" ? 1 : 0;
    }
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    // The texts come from the message file; the last board's file is enough.
    session.Link().LoadConfiguration();
    if (nMode) {
        session.Link().SetMessageMode(*nMode);
        const auto done = session.Reports().Last("OnMessageModeDone");
        if (!done || done->nFirst == 0) {
            return NoAnswer(session, "the mode change");
        }
    }
    for (int nTry = 0;
         nTry < kPosterReadTries && session.Link().PosterMode() == CDeviceLink::kStateUnknown;
         ++nTry) {
        session.Link().PollPosterCode();
    }
    if (session.Link().PosterMode() == CDeviceLink::kStateUnknown) {
        return NoAnswer(session, "the poster read");
    }
    const size_t nBefore = session.Reports().Count("OnPosterText");
    session.Link().NotifyPoster();
    const int nCode = session.Link().PosterCode();
    const int nShownMode = session.Link().PosterMode();
    static const std::map<int, const char*> kModeNames = {{0, "text"}, {1, "code"}, {2, "message"}};
    const auto mode = kModeNames.find(nShownMode);
    std::printf("code %04X\nmode %s\n", static_cast<unsigned>(nCode),
                mode != kModeNames.end() ? mode->second : std::to_string(nShownMode).c_str());
    if (nShownMode != 1) {
        const auto text = session.Reports().Last("OnPosterText");
        const bool bNew = session.Reports().Count("OnPosterText") > nBefore;
        std::printf("text %s\n", bNew && text ? text->strText.c_str() : "(none for this code)");
    }
    return kExitOk;
}

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

int RunLock() {
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    session.Link().CheckLock();
    const int nState = session.Link().LockState();
    if (nState == CDeviceLink::kStateUnknown) {
        return NoAnswer(session, "the lock check");
    }
    if (nState == 1) {
        std::printf("unlocked\n");
    } else if (nState == 0) {
        std::printf("locked\n");
    } else {
        std::printf("locked (state %d)\n", nState);
    }
    return kExitOk;
}

std::vector<std::string> PowerActionNames() {
    std::vector<std::string> names;
    for (const auto& [strName, action] : kPowerActions) {
        names.push_back(strName);
    }
    return names;
}

int RunProfile(const ProfileOptions& options) {
    CCtlSession session;
    if (const int nExit = session.Load(); nExit != kExitOk) {
        return nExit;
    }
    CProfileFile file;
    ReadProfileFile(file, session.Link().GetBoardVersion());
    if (options.strAction == "show") {
        return ShowProfiles(session, file,
                            options.nProfile ? std::vector<int>{*options.nProfile}
                                             : std::vector<int>{CProfileFile::kFirstProfile,
                                                                CProfileFile::kLastProfile});
    }
    const int nProfile = options.nProfile.value_or(0);
    if (nProfile < CProfileFile::kFirstProfile || nProfile > CProfileFile::kLastProfile) {
        return Usage("profile " + options.strAction + " needs the profile, 1 or 2");
    }
    if (options.strAction == "save") {
        return SaveProfile(session, file, nProfile);
    }
    return LoadProfileToBoard(session, file, nProfile, options.bYes, options.forced);
}
