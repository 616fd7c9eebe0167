// tunevoctl serve: one board's readings for Prometheus. The main thread
// keeps the link and reads in rounds; the HTTP server's threads answer each
// scrape from the last readings alone.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "ctl/CCtlSession.h"
#include "ctl/CmdServe.h"
#include "ctl/CtlShared.h"
#include "data/Utf.h"
#include "export/CBoardExporter.h"
#include "export/CMetricsServer.h"
#include "export/CWebConfig.h"
#include "export/ListenAddress.h"
#include "link/CDeviceLink.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

CDeviceLink::ExchangeCounts operator+(const CDeviceLink::ExchangeCounts& first,
                                      const CDeviceLink::ExchangeCounts& second) {
    return {first.nExchanges + second.nExchanges, first.nChecksum + second.nChecksum,
            first.nMissing + second.nMissing, first.nLate + second.nLate};
}

// One round: the lock first, then, as the window does, the values only
// while the board is unlocked; the power state and POST code always. Only
// reads: no frame of this round changes anything on the board. Whether the
// board answered it: an item it did not answer keeps its last reading, but
// a board that answered nothing, or a link lost, is down.
bool ReadRound(CCtlSession& session, CBoardExporter& exporter) {
    // Each round judges its own reports: a serve that runs for weeks keeps
    // none older, and the checks below stay as quick as on the first day.
    session.Reports().Clear();
    CDeviceLink& link = session.Link();
    link.CheckLock();
    const int nLock = link.LockState();
    const bool bLocked = nLock != CDeviceLink::kStateUnknown && nLock != 1;
    if (!bLocked) {
        for (EBoardArray array : kAllArrays) {
            if (link.ArraySize(array) == 0) {
                continue;
            }
            session.Refresh(array);
            const BoardItemArray items = link.GetArray(array);
            exporter.Update([&](ServedBoard& board) {
                TakeReadings(board, array, items, ServedBoard::Clock::now());
            });
            if (session.LinkLost()) {
                return false;
            }
        }
    }
    const size_t nPowerReports = session.Reports().Count("OnPowerState");
    link.PollPowerStatus();
    const bool bPowerRead = session.Reports().Count("OnPowerState") > nPowerReports;
    const auto power = session.Reports().Last("OnPowerState");
    link.PollPosterCode();
    const int nCode = link.PosterCode();
    exporter.Update([&](ServedBoard& board) {
        if (nLock != CDeviceLink::kStateUnknown) {
            board.locked = bLocked;
        }
        if (bPowerRead && power) {
            board.powerOn = power->nFirst != 0;
        }
        if (nCode != CDeviceLink::kStateUnknown) {
            board.postCode = nCode;
        }
    });
    return (nLock != CDeviceLink::kStateUnknown || bPowerRead) && !session.LinkLost();
}

// The link lets go of its port first. Then the process ends at once:
// civetweb's stop waits for its threads' polls, and the HTTP server holds
// nothing a clean stop would keep.
[[noreturn]] void EndServe(std::unique_ptr<CCtlSession>& session) {
    session.reset();
    std::fflush(nullptr);
    std::_Exit(kExitOk);
}

}  // namespace

int RunServe(const ServeOptions& options) {
    ServedBoard served;
    served.strBoard = options.strBoard;
    served.dInterval = options.dInterval;
    auto exporter = std::make_shared<CBoardExporter>(std::move(served));
    CMetricsServer server;
    std::string strError;
    const std::optional<ListenAddress> address = ListenAddress::Parse(options.strListen, strError);
    if (!address) {
        PrintError(strError);
        return kExitUsage;
    }
    if (!options.strWebConfig.empty()) {
        std::optional<CWebConfig> config = CWebConfig::Load(options.strWebConfig, strError);
        if (!config) {
            PrintError(strError);
            return kExitUsage;
        }
        server.RequireAuth(std::move(*config));
    }
    server.ListBoards([exporter] {
        const ServedBoard board = exporter->Snapshot();
        return std::vector<CMetricsServer::BoardLine>{
            {board.strBoard, board.strAddress.empty() ? "(not found yet)" : board.strAddress,
             board.bUp}};
    });
    server.Serve(exporter);
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
    auto session = std::make_unique<CCtlSession>();
    if (session->Load() != kExitOk && !ReconnectSession(session)) {
        EndServe(session);  // ended before the board ever answered
    }
    CDeviceLink::ExchangeCounts before;  // the counts of the links lost so far
    const auto describe = [&](ServedBoard& board) {
        board.strVersion = ToUtf8(session->Link().GetBoardVersion());
        board.strAddress = session->PortPath();
        board.strName = options.strBoard;
    };
    exporter->Update(describe);
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options.dInterval));
    while (!Interrupted()) {
        const Clock::time_point start = Clock::now();
        const bool bUp = ReadRound(*session, *exporter);
        const CDeviceLink::ExchangeCounts counts = before + session->Link().Counts();
        const bool bLost = session->LinkLost();
        exporter->Update([&](ServedBoard& board) {
            board.bUp = bUp;
            board.strDownReason = bUp ? "" : bLost ? "link lost" : "no answer";
            board.counts = counts;
        });
        if (bLost) {
            before = counts;
            if (!ReconnectSession(session)) {
                break;
            }
            exporter->Update([&](ServedBoard& board) {
                ++board.nReconnects;
                describe(board);
            });
            continue;
        }
        while (Clock::now() - start < interval && !Interrupted()) {
            std::this_thread::sleep_for(20ms);
        }
    }
    EndServe(session);
}
