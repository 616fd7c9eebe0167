#include "ctl/CBoardRunner.h"

#include <chrono>
#include <thread>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/Utf.h"
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

}  // namespace

CBoardRunner::CBoardRunner(Settings settings)
    : m_settings(std::move(settings)),
      m_pExporter(std::make_shared<CBoardExporter>([this] {
          ServedBoard board;
          board.strBoard = m_settings.strName;
          board.dInterval = m_settings.dInterval;
          board.labels = m_settings.labels;
          return board;
      }())),
      m_thread([this] { Run(); }) {}

CBoardRunner::~CBoardRunner() {
    m_bStop = true;
    m_thread.join();
}

void CBoardRunner::Run() {
    NameBoardInMessages(m_settings.address ? m_settings.strName : std::string());
    const BoardAddress* pBoard = m_settings.address ? &*m_settings.address : nullptr;
    const auto stopped = [this] { return m_bStop.load() || Interrupted(); };
    auto session = std::make_unique<CCtlSession>(pBoard);
    if (session->Load() != kExitOk && !ReconnectSession(session, pBoard, &m_bStop)) {
        return;  // stopped before the board ever answered
    }
    CDeviceLink::ExchangeCounts before;  // the counts of the links lost so far
    const auto describe = [&](ServedBoard& board) {
        board.strVersion = ToUtf8(session->Link().GetBoardVersion());
        board.strAddress = session->PortPath();
        board.strName = m_settings.strName;
    };
    m_pExporter->Update(describe);
    const auto interval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(m_settings.dInterval));
    while (!stopped()) {
        const Clock::time_point start = Clock::now();
        const bool bUp = ReadRound(*session, *m_pExporter);
        const CDeviceLink::ExchangeCounts counts = before + session->Link().Counts();
        const bool bLost = session->LinkLost();
        m_pExporter->Update([&](ServedBoard& board) {
            board.bUp = bUp;
            board.strDownReason = bUp ? "" : bLost ? "link lost" : "no answer";
            board.counts = counts;
        });
        if (bLost) {
            before = counts;
            if (!ReconnectSession(session, pBoard, &m_bStop)) {
                break;
            }
            m_pExporter->Update([&](ServedBoard& board) {
                ++board.nReconnects;
                describe(board);
            });
            continue;
        }
        while (Clock::now() - start < interval && !stopped()) {
            std::this_thread::sleep_for(20ms);
        }
    }
}
