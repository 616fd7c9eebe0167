#include "ctl/CmdBootWatch.h"

#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "ctl/CCtlSession.h"
#include "ctl/CmdPower.h"
#include "ctl/CtlShared.h"
#include "data/Utf.h"
#include "link/CBootWatch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPollPeriod = 400ms;
// A board silent this long is not answering; a start-up goes on without us.
constexpr auto kSilenceLimit = 10s;
constexpr int kResetCode = 5;

std::string HexCode(int nCode) {
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "%02X", static_cast<unsigned>(nCode));
    return szCode;
}

class CBootWatchRun {
public:
    CBootWatchRun(const BootWatchOptions& options, CCtlSession& session)
        : m_options(options),
          m_session(session),
          m_watch({std::chrono::seconds(options.nStuckSeconds), options.nReadyCode}),
          m_pOut(options.bJson ? stderr : stdout) {}

    int Run();

private:
    // Progress as it happens: on standard output, or standard error beside --json.
    void Say(const char* pszFormat, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, pszFormat);
        std::vfprintf(m_pOut, pszFormat, args);
        va_end(args);
        std::fflush(m_pOut);
    }
    // Polls until the watch reaches Ready or Stalled; nothing on a silent
    // board, a lost link or an interrupt (the exit code is in m_nExit).
    std::optional<CBootWatch::EState> Follow();
    // Writes back the last write since a good start-up and resets; false
    // when there was nothing to write back or it could not be done.
    bool Recover();
    int Finish(const char* pszResult, int nExit);

    const BootWatchOptions& m_options;
    CCtlSession& m_session;
    CBootWatch m_watch;
    std::FILE* m_pOut;
    int m_nExit = kExitOk;
    bool m_bRecovered = false;
    nlohmann::ordered_json m_codes = nlohmann::ordered_json::array();
    nlohmann::ordered_json m_restored = nlohmann::ordered_json::array();
};

std::optional<CBootWatch::EState> CBootWatchRun::Follow() {
    CDeviceLink& link = m_session.Link();
    const Clock::time_point start = Clock::now();
    Clock::time_point lastAnswer = start;
    int nShown = -1;
    for (;;) {
        if (Interrupted()) {
            m_nExit = kExitFailure;
            return std::nullopt;
        }
        const Clock::time_point now = Clock::now();
        if (link.PollPosterCode()) {
            lastAnswer = now;
            const CBootWatch::EState state = m_watch.Observe(now, link.PosterCode());
            if (m_watch.Code() != nShown) {
                nShown = m_watch.Code();
                const std::string strText = link.PosterCodeText(nShown);
                const double dAt = std::chrono::duration<double>(now - start).count();
                Say("%6.1f s  code %s  %s\n", dAt, HexCode(nShown).c_str(), strText.c_str());
                m_codes.push_back({{"seconds", dAt}, {"code", HexCode(nShown)}, {"text", strText}});
            }
            if (state == CBootWatch::EState::Ready || state == CBootWatch::EState::Stalled) {
                return state;
            }
        } else if (m_session.LinkLost()) {
            m_nExit = kExitLinkLost;
            return std::nullopt;
        } else if (now - lastAnswer >= kSilenceLimit) {
            m_nExit = NoAnswer(m_session, "the POST-code reads for 10 s");
            return std::nullopt;
        }
        std::this_thread::sleep_until(now + kPollPeriod);
    }
}

// Sends what is printed to standard output to standard error for its
// lifetime: beside --json, standard output holds the summary alone.
class CStdoutToStderr {
public:
    explicit CStdoutToStderr(bool bActive) : m_nSaved(bActive ? ::dup(1) : -1) {
        if (m_nSaved >= 0) {
            std::fflush(stdout);
            ::dup2(2, 1);
        }
    }
    ~CStdoutToStderr() {
        if (m_nSaved >= 0) {
            std::fflush(stdout);
            ::dup2(m_nSaved, 1);
            ::close(m_nSaved);
        }
    }
    CStdoutToStderr(const CStdoutToStderr&) = delete;
    CStdoutToStderr& operator=(const CStdoutToStderr&) = delete;

private:
    int m_nSaved;
};

bool CBootWatchRun::Recover() {
    const CStdoutToStderr redirect(m_options.bJson);
    CDeviceLink& link = m_session.Link();
    const std::string strBoard = ToUtf8(link.GetBoardVersion());
    const std::optional<JournalEntry> last = WriteSinceLastStart(ReadJournal(), strBoard);
    if (!last) {
        PrintError("nothing to restore: the journal holds no write to this board since its last "
                   "good start-up; the PC was not reset");
        return false;
    }
    // What the board holds now, so that a value changed since is not overwritten.
    for (EBoardArray array : kOverclockArrays) {
        m_session.Refresh(array);
    }
    const UndoPlan plan = PlanUndo(*last, link);
    if (plan.items.empty() || plan.ChangedSinceCount() == plan.items.size()) {
        PrintUndoPlan(plan);
        PrintError("nothing to restore from the write of " + last->strCommand +
                   "; the PC was not reset");
        return false;
    }
    Say("restoring the values from before %s %s:\n", last->strProgram.c_str(),
        last->strCommand.c_str());
    PrintUndoPlan(plan);
    const int nWrite = WriteBack(m_session, plan, false,
                                 {"boot-watch --recover", EJournalAction::Recover, last->strId});
    for (const UndoItem& item : plan.items) {
        if (!item.bChangedSince) {
            m_restored.push_back(item.written.strName);
        }
    }
    if (nWrite != kExitOk) {
        PrintError(nWrite == kExitLinkLost
                       ? "the link was lost during the recovery; the PC was not reset"
                       : "not every value was restored; the PC was not reset");
        m_nExit = nWrite == kExitLinkLost ? kExitLinkLost : kExitStalled;
        return false;
    }
    link.PowerAction(kResetCode);
    const auto done = m_session.Reports().Last("OnPowerCommandDone");
    const bool bReset = done && done->nFirst != 0;
    JournalPowerAction(m_session, "reset", bReset);
    if (!bReset) {
        PrintError("the board did not acknowledge the reset; the values are restored");
        return false;
    }
    Say("values restored; the PC is resetting\n");
    return true;
}

int CBootWatchRun::Finish(const char* pszResult, int nExit) {
    if (m_options.bJson) {
        const nlohmann::ordered_json summary = {{"result", pszResult},
                                                {"recovered", m_bRecovered},
                                                {"restored", m_restored},
                                                {"codes", m_codes},
                                                {"exit", nExit}};
        std::printf("%s\n", summary.dump(2).c_str());
    }
    return nExit;
}

int CBootWatchRun::Run() {
    CDeviceLink& link = m_session.Link();
    if (!link.QueryPowerStatus()) {
        if (m_session.Reports().Count("OnLinkError") > 0) {
            return Finish("no-answer", NoAnswer(m_session, "the power status"));
        }
        PrintError("the PC is off: no start-up to watch (tunevoctl power on starts one)");
        return Finish("off", kExitRefused);
    }
    if (link.PollPosterCode() && link.PosterMode() != 1) {
        Say("the POST display shows text; the codes are read all the same\n");
    }
    m_watch.Begin(Clock::now());
    for (;;) {
        const std::optional<CBootWatch::EState> state = Follow();
        if (!state) {
            return Finish("no-answer", m_nExit);
        }
        if (*state == CBootWatch::EState::Ready) {
            JournalEntry entry = NewJournalEntry("tunevoctl", "boot-watch", EJournalAction::Started);
            entry.strAddress = m_session.PortPath();
            entry.strBoard = ToUtf8(link.GetBoardVersion());
            entry.strNote = "code " + HexCode(m_watch.Code());
            AppendToJournal(entry);
            Say(m_bRecovered ? "the PC started after the recovery\n" : "the PC started\n");
            return Finish(m_bRecovered ? "recovered" : "ready", kExitOk);
        }
        Say("the start-up stalled at code %s (%s) for %d s\n", HexCode(m_watch.Code()).c_str(),
            link.PosterCodeText(m_watch.Code()).c_str(), m_options.nStuckSeconds);
        if (!m_options.bRecover || m_bRecovered) {
            // One reset per stall, and none more once a recovery did not help.
            if (m_bRecovered) {
                PrintError("the PC stalled again after the recovery; it is left as it is");
            }
            return Finish("stalled", kExitStalled);
        }
        if (!Recover()) {
            return Finish("stalled", m_nExit == kExitOk ? kExitStalled : m_nExit);
        }
        m_bRecovered = true;
        m_watch.Begin(Clock::now());
    }
}

}  // namespace

int RunBootWatch(const BootWatchOptions& options) {
    std::unique_ptr<CCtlSession> pSession;
    if (options.bRecover) {
        // A recovery writes: it needs the board's description whole.
        if (const int nExit = LoadForWriting(pSession); nExit != kExitOk) {
            return nExit;
        }
    } else {
        pSession = std::make_unique<CCtlSession>();
        if (const int nExit = pSession->Connect(); nExit != kExitOk) {
            return nExit;
        }
        pSession->Link().LoadConfiguration();  // the POST texts of the last board
    }
    WatchForInterrupt();
    CBootWatchRun run(options, *pSession);
    return run.Run();
}
