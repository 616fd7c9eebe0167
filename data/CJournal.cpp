#include "data/CJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <nlohmann/json.hpp>

#include "data/IniPaths.h"
#include "data/MonitorLog.h"
#include "platform/ProgramDir.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr std::array<std::pair<EJournalAction, const char*>, 6> kActionNames = {{
    {EJournalAction::Apply, "apply"},
    {EJournalAction::Undo, "undo"},
    {EJournalAction::Revert, "revert"},
    {EJournalAction::Recover, "recover"},
    {EJournalAction::Power, "power"},
    {EJournalAction::Started, "started"},
}};

std::string Text(const nlohmann::json& object, const char* pszKey) {
    const auto it = object.find(pszKey);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool Flag(const nlohmann::json& object, const char* pszKey) {
    const auto it = object.find(pszKey);
    return it != object.end() && it->is_boolean() && it->get<bool>();
}

// Optional fields are left out rather than written empty, to keep lines short.
void PutIfAny(Json& object, const char* pszKey, const std::string& strValue) {
    if (!strValue.empty()) {
        object[pszKey] = strValue;
    }
}

}  // namespace

const char* ActionName(EJournalAction action) {
    for (const auto& [named, pszName] : kActionNames) {
        if (named == action) {
            return pszName;
        }
    }
    return "apply";
}

std::optional<EJournalAction> ActionFromName(const std::string& strName) {
    for (const auto& [action, pszName] : kActionNames) {
        if (strName == pszName) {
            return action;
        }
    }
    return std::nullopt;
}

bool JournalEntry::ChangedSomething() const {
    for (const JournalItem& item : items) {
        if (item.Changed()) {
            return true;
        }
    }
    return false;
}

JournalEntry NewJournalEntry(std::string strProgram, std::string strCommand,
                             EJournalAction action) {
    JournalEntry entry;
    entry.time = JournalClock::now();
    const auto nMicros =
        std::chrono::duration_cast<std::chrono::microseconds>(entry.time.time_since_epoch())
            .count();
    entry.strId = std::to_string(nMicros) + "-" + std::to_string(::getpid());
    entry.strProgram = std::move(strProgram);
    entry.strCommand = std::move(strCommand);
    entry.action = action;
    return entry;
}

std::string JournalLine(const JournalEntry& entry) {
    Json line = {
        {"time", IsoLocalTime(entry.time)},
        {"seconds", std::chrono::duration<double>(entry.time.time_since_epoch()).count()},
        {"id", entry.strId},
        {"program", entry.strProgram},
        {"command", entry.strCommand},
        {"action", ActionName(entry.action)},
        {"board", {{"address", entry.strAddress}, {"version", entry.strBoard}}},
    };
    if (entry.IsWrite()) {
        Json items = Json::array();
        for (const JournalItem& item : entry.items) {
            Json one = {{"name", item.strName},         {"array", item.strArray},
                        {"before", item.strBefore},     {"asked", item.strAsked},
                        {"acknowledged", item.bAcknowledged}};
            // null, not "", says that nothing was read back.
            one["read_back"] =
                item.strReadBack.empty() ? Json(nullptr) : Json(item.strReadBack);
            PutIfAny(one, "shown_before", item.strShownBefore);
            PutIfAny(one, "shown_asked", item.strShownAsked);
            PutIfAny(one, "shown_read_back", item.strShownReadBack);
            PutIfAny(one, "unit", item.strUnit);
            items.push_back(std::move(one));
        }
        line["items"] = std::move(items);
    }
    PutIfAny(line, "undoes", entry.strUndoes);
    PutIfAny(line, "power", entry.strPower);
    line["ok"] = entry.bOk;
    PutIfAny(line, "note", entry.strNote);
    return line.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<JournalEntry> ParseJournalLine(const std::string& strLine) {
    const nlohmann::json line = nlohmann::json::parse(strLine, nullptr, false);
    if (!line.is_object() || !line.contains("seconds") || !line["seconds"].is_number()) {
        return std::nullopt;
    }
    const std::optional<EJournalAction> action = ActionFromName(Text(line, "action"));
    if (!action) {
        return std::nullopt;
    }
    JournalEntry entry;
    entry.time = JournalClock::time_point(std::chrono::duration_cast<JournalClock::duration>(
        std::chrono::duration<double>(line["seconds"].get<double>())));
    entry.strId = Text(line, "id");
    entry.strProgram = Text(line, "program");
    entry.strCommand = Text(line, "command");
    entry.action = *action;
    if (const auto board = line.find("board"); board != line.end() && board->is_object()) {
        entry.strAddress = Text(*board, "address");
        entry.strBoard = Text(*board, "version");
    }
    if (const auto items = line.find("items"); items != line.end() && items->is_array()) {
        for (const nlohmann::json& one : *items) {
            if (!one.is_object()) {
                return std::nullopt;
            }
            entry.items.push_back({Text(one, "name"), Text(one, "array"), Text(one, "before"),
                                   Text(one, "asked"), Flag(one, "acknowledged"),
                                   Text(one, "read_back"), Text(one, "shown_before"),
                                   Text(one, "shown_asked"), Text(one, "shown_read_back"),
                                   Text(one, "unit")});
        }
    }
    entry.strUndoes = Text(line, "undoes");
    entry.strPower = Text(line, "power");
    entry.bOk = Flag(line, "ok");
    entry.strNote = Text(line, "note");
    return entry;
}

CJournal::CJournal(std::string strFolder, uintmax_t nRotateBytes)
    : m_strPath(MakeIniPath(strFolder.empty() ? g_szProgramDir : strFolder, "/journal.jsonl")),
      m_nRotateBytes(nRotateBytes) {}

std::string CJournal::RotatedPath(int nNumber) const {
    return DirectoryOf(m_strPath) + "/journal." + std::to_string(nNumber) + ".jsonl";
}

void CJournal::RotateIfLarge() {
    std::error_code error;
    const uintmax_t nSize = std::filesystem::file_size(m_strPath, error);
    if (error || nSize < m_nRotateBytes) {
        return;
    }
    // Renames only: each file is whole before and after, whatever stops us.
    for (int n = kKeptFiles - 1; n >= 1; --n) {
        std::filesystem::rename(RotatedPath(n), RotatedPath(n + 1), error);
    }
    std::filesystem::rename(m_strPath, RotatedPath(1), error);
}

bool CJournal::Append(const JournalEntry& entry) {
    std::string strWhy;
    bool bOk = CreatePrivateFolder(DirectoryOf(m_strPath), strWhy);
    if (bOk) {
        RotateIfLarge();
        const int nFd = ::open(m_strPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (nFd < 0) {
            strWhy = m_strPath + ": " + std::strerror(errno);
            bOk = false;
        } else {
            // One write for the line, so lines of two programs never mix;
            // then to the disk, as the PC beside us may take the power with it.
            const std::string strLine = JournalLine(entry) + "\n";
            const ssize_t nWritten = ::write(nFd, strLine.data(), strLine.size());
            bOk = nWritten == static_cast<ssize_t>(strLine.size()) && ::fsync(nFd) == 0;
            if (!bOk) {
                strWhy = m_strPath + ": " +
                         (nWritten < 0 ? std::strerror(errno) : "the line could not be written");
            }
            ::close(nFd);
        }
    }
    if (!bOk && !m_bFailed) {
        m_bFailed = true;
        m_strProblem = strWhy;
    }
    return bOk;
}

std::string CJournal::TakeProblem() {
    return std::exchange(m_strProblem, std::string());
}

CJournal::Contents CJournal::Read() const {
    Contents contents;
    std::vector<std::string> paths;
    for (int n = kKeptFiles; n >= 1; --n) {
        paths.push_back(RotatedPath(n));
    }
    paths.push_back(m_strPath);
    for (const std::string& strPath : paths) {
        std::ifstream file(strPath);
        std::string strLine;
        int nLine = 0;
        while (std::getline(file, strLine)) {
            ++nLine;
            if (strLine.empty()) {
                continue;
            }
            if (std::optional<JournalEntry> entry = ParseJournalLine(strLine)) {
                contents.entries.push_back(std::move(*entry));
            } else {
                contents.notes.push_back(strPath + ":" + std::to_string(nLine) +
                                         ": passed over, not a journal entry (cut short?)");
            }
        }
    }
    return contents;
}

std::optional<JournalEntry> LastChangingWrite(const std::vector<JournalEntry>& entries,
                                              const std::string& strBoard) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->strBoard == strBoard && it->IsWrite() && it->ChangedSomething()) {
            return *it;
        }
    }
    return std::nullopt;
}

std::optional<JournalEntry> WriteSinceLastStart(const std::vector<JournalEntry>& entries,
                                                const std::string& strBoard) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->strBoard != strBoard) {
            continue;
        }
        if (it->action == EJournalAction::Started) {
            return std::nullopt;
        }
        if (it->IsWrite() && it->ChangedSomething()) {
            // A recovery already tried: writing back its own before-values
            // would bring the stalling values back.
            if (it->action == EJournalAction::Recover) {
                return std::nullopt;
            }
            return *it;
        }
    }
    return std::nullopt;
}
