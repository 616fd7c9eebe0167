#include "data/MonitorLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/ProgramDir.h"

namespace {

std::string Quoted(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(field);
    }
    std::string strQuoted = "\"";
    for (const char c : field) {
        strQuoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return strQuoted + "\"";
}

bool WriteWhole(int nFd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t nWritten = ::write(nFd, bytes.data(), bytes.size());
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(nWritten));
    }
    return true;
}

std::string LocalStamp(LogClock::time_point time, const char* pszFormat) {
    const std::time_t when = LogClock::to_time_t(time);
    std::tm local{};
    localtime_r(&when, &local);
    char szText[64];
    std::strftime(szText, sizeof(szText), pszFormat, &local);
    return szText;
}

LogClock::time_point FromSeconds(double dSeconds) {
    return LogClock::time_point(
        std::chrono::duration_cast<LogClock::duration>(std::chrono::duration<double>(dSeconds)));
}

}  // namespace

std::string UserDataFolder() {
    const char* pszData = std::getenv("XDG_DATA_HOME");
    const char* pszHome = std::getenv("HOME");
    // A relative XDG_DATA_HOME is to be ignored, as the base-directory rules say.
    if (pszData != nullptr && pszData[0] == '/') {
        return std::string(pszData) + "/tunevo";
    }
    return pszHome != nullptr && pszHome[0] == '/' ? std::string(pszHome) + "/.local/share/tunevo"
                                                   : "";
}

std::string IsoLocalTime(LogClock::time_point time) {
    // strftime's %z gives +0100; ISO 8601's extended form wants +01:00.
    // Built by appending: GCC 12 misreads an insert into the string as an overlap.
    const std::string strStamp = LocalStamp(time, "%Y-%m-%dT%H:%M:%S%z");
    if (strStamp.size() < 5) {
        return strStamp;
    }
    std::string strIso;
    strIso.reserve(strStamp.size() + 1);
    strIso.append(strStamp, 0, strStamp.size() - 2);
    strIso.push_back(':');
    strIso.append(strStamp, strStamp.size() - 2, 2);
    return strIso;
}

std::string RecordingLine(const RecordedValue& value) {
    return IsoLocalTime(value.time) + "," + Quoted(value.strItem) + "," +
           Quoted(value.strCategory) + "," + Quoted(value.strValue) + "," + Quoted(value.strUnit) +
           "," + (value.bAlarm ? "1" : "0");
}

CLineFile::~CLineFile() {
    Close();
}

bool CLineFile::Create(const std::string& strPath, std::string_view firstLine,
                       std::string& strError) {
    Close();
    std::string strWhy;
    if (!CreatePrivateFolder(DirectoryOf(strPath), strWhy)) {
        strError = strWhy;
        return false;
    }
    m_nFd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_nFd < 0) {
        strError = strPath + ": " + std::strerror(errno);
        return false;
    }
    m_bOwned = true;
    m_strPath = strPath;
    return firstLine.empty() || WriteLine(firstLine);
}

bool CLineFile::WriteLine(std::string_view line) {
    // One write for the line and its newline: nothing is left half written
    // but by a full disk.
    std::string strLine(line);
    strLine += '\n';
    return m_nFd >= 0 && WriteWhole(m_nFd, strLine);
}

void CLineFile::Close() {
    if (m_nFd >= 0 && m_bOwned) {
        ::close(m_nFd);
    }
    m_nFd = -1;
}

std::string RecordingPath(LogClock::time_point start) {
    return UserDataFolder() + "/recordings/tunevo-" + LocalStamp(start, "%Y%m%d-%H%M%S") + ".csv";
}

namespace {
std::string& AlarmLogPathInUse() {
    static std::string strPath;
    return strPath;
}
}  // namespace

std::string AlarmLogPath() {
    const std::string& strPath = AlarmLogPathInUse();
    return strPath.empty() ? UserDataFolder() + "/alarms.jsonl" : strPath;
}

void UseAlarmLogPath(std::string strPath) {
    AlarmLogPathInUse() = std::move(strPath);
}

bool AppendAlarm(const AlarmEntry& entry, std::string& strError) {
    const std::string strPath = AlarmLogPath();
    if (!CreatePrivateFolder(DirectoryOf(strPath), strError)) {
        return false;
    }
    const nlohmann::ordered_json line = {
        {"time", IsoLocalTime(entry.time)},
        {"seconds", std::chrono::duration<double>(entry.time.time_since_epoch()).count()},
        {"board", entry.strBoard},
        {"item", entry.strItem},
        {"value", entry.strValue},
        {"unit", entry.strUnit}};
    const int nFd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (nFd < 0) {
        strError = strPath + ": " + std::strerror(errno);
        return false;
    }
    // Appended in one write, so two watches never mix their lines.
    const bool bOk = WriteWhole(
        nFd, line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
    ::close(nFd);
    if (!bOk) {
        strError = strPath + ": the line could not be written";
    }
    return bOk;
}

std::vector<AlarmEntry> ReadAlarms() {
    std::vector<AlarmEntry> entries;
    std::ifstream file(AlarmLogPath());
    std::string strLine;
    while (std::getline(file, strLine)) {
        const nlohmann::json line = nlohmann::json::parse(strLine, nullptr, false);
        if (!line.is_object() || !line.contains("seconds") || !line["seconds"].is_number()) {
            continue;
        }
        const auto text = [&line](const char* pszKey) {
            return line.contains(pszKey) && line[pszKey].is_string()
                       ? line[pszKey].get<std::string>()
                       : std::string();
        };
        entries.push_back({FromSeconds(line["seconds"].get<double>()), text("board"), text("item"),
                           text("value"), text("unit")});
    }
    return entries;
}
