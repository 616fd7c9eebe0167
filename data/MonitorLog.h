#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The files a watch of the board leaves in the user's data folder
// ($XDG_DATA_HOME/tunevo, or ~/.local/share/tunevo): recordings of every
// value read, as CSV for a spreadsheet, and the log of items coming into
// alarm, one JSON object a line.

using LogClock = std::chrono::system_clock;

// The folder; empty when neither variable gives one.
std::string UserDataFolder();

// ISO 8601 in local time with its offset, to the second: 2026-12-07T22:40:01+01:00.
std::string IsoLocalTime(LogClock::time_point time);

// One value read, as a recording's line holds it.
struct RecordedValue {
    LogClock::time_point time;
    std::string strItem;
    std::string strCategory;  // the array's section name, HW_Volt and so on
    std::string strValue;     // as shown
    std::string strUnit;      // without brackets: V, °C, RPM, MHz
    bool bAlarm = false;
};
inline constexpr std::string_view kRecordingHeader = "time,item,category,value,unit,alarm";
// The line without its newline; fields quoted where they must be.
std::string RecordingLine(const RecordedValue& value);

// A file written one whole line at a time, each handed to the kernel at
// once: a crash loses at most the line being written, never part of one.
class CLineFile {
public:
    CLineFile() = default;
    ~CLineFile();
    CLineFile(const CLineFile&) = delete;
    CLineFile& operator=(const CLineFile&) = delete;

    // Opens a new file (never an existing one) and writes the first line,
    // if one is given; false with the reason when it cannot.
    bool Create(const std::string& strPath, std::string_view firstLine, std::string& strError);
    // Takes standard output, or another descriptor the caller keeps open.
    void Adopt(int nFd) {
        m_nFd = nFd;
        m_bOwned = false;
    }
    bool WriteLine(std::string_view line);
    bool IsOpen() const { return m_nFd >= 0; }
    const std::string& Path() const { return m_strPath; }
    void Close();

private:
    int m_nFd = -1;
    bool m_bOwned = false;
    std::string m_strPath;
};

// A new recording's path, named by its start: recordings/tunevo-20261207-224001.csv.
std::string RecordingPath(LogClock::time_point start);

// One item's coming into alarm.
struct AlarmEntry {
    LogClock::time_point time;
    std::string strBoard;  // the board's description version
    std::string strItem;
    std::string strValue;
    std::string strUnit;
};
std::string AlarmLogPath();
// Sends the alarm log elsewhere for the rest of the process (the demo's own
// board keeps its own); empty returns it to the user's data folder.
void UseAlarmLogPath(std::string strPath);
// Appends one line; false with the reason when it cannot.
bool AppendAlarm(const AlarmEntry& entry, std::string& strError);
// Every entry the log holds, oldest first; lines that are no entry are passed over.
std::vector<AlarmEntry> ReadAlarms();
