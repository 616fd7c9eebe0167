// tunevoctl serve: boards' readings for Prometheus. Each board is read on a
// thread of its own (CBoardRunner); the HTTP server's threads answer each
// scrape from the last readings alone; the main thread waits for signals:
// SIGHUP reads --config again, SIGINT and SIGTERM end it.

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "ctl/CBoardRunner.h"
#include "ctl/CCtlSession.h"
#include "ctl/CmdServe.h"
#include "ctl/CtlShared.h"
#include "export/CMetricsServer.h"
#include "export/CWebConfig.h"
#include "export/ListenAddress.h"
#include "export/ServeConfig.h"

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_bReload{false};

extern "C" void OnHangUp(int) {
    g_bReload = true;
}

// The boards served, by name, as the configuration names them.
class CBoardSet {
public:
    explicit CBoardSet(CMetricsServer& server) : m_server(server) {}

    // Starts the boards new to the list, stops those gone from it, and
    // restarts those whose settings changed; the others read on undisturbed.
    void Follow(const std::vector<CBoardRunner::Settings>& wanted) {
        std::map<std::string, const CBoardRunner::Settings*> byName;
        for (const CBoardRunner::Settings& settings : wanted) {
            byName[settings.strName] = &settings;
        }
        std::vector<std::unique_ptr<CBoardRunner>> stopping;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_runners.begin(); it != m_runners.end();) {
                const auto found = byName.find(it->first);
                if (found != byName.end() && Same(it->second->Of(), *found->second)) {
                    byName.erase(found);
                    ++it;
                    continue;
                }
                m_server.StopServing(it->second->Exporter());
                stopping.push_back(std::move(it->second));
                it = m_runners.erase(it);
            }
        }
        stopping.clear();  // each lets go of its board's port before a new one takes it
        for (const auto& [strName, pSettings] : byName) {
            auto pRunner = std::make_unique<CBoardRunner>(*pSettings);
            m_server.Serve(pRunner->Exporter());
            std::lock_guard lock(m_mutex);
            m_runners[strName] = std::move(pRunner);
        }
    }
    std::vector<CMetricsServer::BoardLine> Lines() const {
        std::lock_guard lock(m_mutex);
        std::vector<CMetricsServer::BoardLine> lines;
        for (const auto& [strName, pRunner] : m_runners) {
            const ServedBoard board = pRunner->Exporter()->Snapshot();
            lines.push_back({strName,
                             board.strAddress.empty() ? "(not found yet)" : board.strAddress,
                             board.bUp});
        }
        return lines;
    }
    void StopAll() { Follow({}); }

private:
    static bool Same(const CBoardRunner::Settings& first, const CBoardRunner::Settings& second) {
        const auto text = [](const std::optional<BoardAddress>& address) {
            return address ? address->Text() : std::string();
        };
        return text(first.address) == text(second.address) &&
               first.dInterval == second.dInterval && first.labels == second.labels;
    }

    CMetricsServer& m_server;
    mutable std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<CBoardRunner>> m_runners;
};

// The boards to serve: --config's, or the one board of the command line.
std::optional<std::vector<CBoardRunner::Settings>> WantedBoards(const ServeOptions& options,
                                                                std::string& strError) {
    if (options.strConfig.empty()) {
        return std::vector<CBoardRunner::Settings>{
            {options.strBoard, std::nullopt, options.dInterval, {}}};
    }
    const auto boards = LoadServeConfig(options.strConfig, options.dInterval, strError);
    if (!boards) {
        return std::nullopt;
    }
    std::vector<CBoardRunner::Settings> wanted;
    for (const ServeBoardConfig& board : *boards) {
        wanted.push_back({board.strName, board.address, board.dInterval, board.labels});
    }
    return wanted;
}

// The boards let go of their ports first. Then the process ends at once:
// civetweb's stop waits for its threads' polls, and the HTTP server holds
// nothing a clean stop would keep.
[[noreturn]] void EndServe(CBoardSet& boards) {
    boards.StopAll();
    std::fflush(nullptr);
    std::_Exit(kExitOk);
}

}  // namespace

int RunServe(const ServeOptions& options) {
    std::string strError;
    const std::optional<ListenAddress> address = ListenAddress::Parse(options.strListen, strError);
    std::optional<std::vector<CBoardRunner::Settings>> wanted;
    if (!address || !(wanted = WantedBoards(options, strError))) {
        PrintError(strError);
        return kExitUsage;
    }
    CMetricsServer server;
    if (!options.strWebConfig.empty()) {
        std::optional<CWebConfig> config = CWebConfig::Load(options.strWebConfig, strError);
        if (!config) {
            PrintError(strError);
            return kExitUsage;
        }
        server.RequireAuth(std::move(*config));
    }
    CBoardSet boards(server);
    server.ListBoards([&boards] { return boards.Lines(); });
    const CMetricsServer::Settings settings{
        options.nConnections, static_cast<int>(std::lround(options.dRequestTimeout * 1000))};
    if (!server.Listen(*address, settings, strError)) {
        PrintError("cannot listen on " + options.strListen + ": " + strError);
        return kExitFailure;
    }
    std::printf("serving http://%s:%d/metrics%s\n", address->UrlHost().c_str(), server.Port(),
                address->strHost.empty() ? " on every interface"
                : address->bPortOnly     ? " (this machine only; :PORT serves every interface)"
                                         : "");
    std::fflush(stdout);

    WatchForInterrupt();
    std::signal(SIGHUP, OnHangUp);
    boards.Follow(*wanted);
    while (!Interrupted()) {
        std::this_thread::sleep_for(50ms);
        if (!g_bReload.exchange(false) || options.strConfig.empty()) {
            continue;
        }
        // A file that no longer reads leaves the boards as they were.
        if (auto reloaded = WantedBoards(options, strError)) {
            boards.Follow(*reloaded);
            std::fprintf(stderr, "tunevoctl: %s read again: %zu boards\n",
                         options.strConfig.c_str(), reloaded->size());
        } else {
            PrintError(strError + "; the boards served stay as they were");
        }
    }
    EndServe(boards);
}
