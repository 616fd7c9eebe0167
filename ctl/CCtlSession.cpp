#include "ctl/CCtlSession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ctl/CCtlProgress.h"
#include "data/IniPaths.h"
#include "link/CBoardSearchOpener.h"
#include "link/CNamedBoardOpener.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CRfkillRadio.h"
#include "platform/CSteadyClock.h"
#include "platform/ProgramDir.h"

namespace {

using namespace std::chrono_literals;

// Bounds on waits for reports; each command ends well within them unless
// the board stops answering mid-way.
constexpr auto kSearchTimeout = 30s;
constexpr auto kLoadTimeout = 10min;  // 255 chunks and many items

size_t CountOf(const std::vector<CRecordingListener::Report>& reports, const char* pszOperation) {
    size_t nCount = 0;
    for (const auto& report : reports) {
        nCount += report.strOperation == pszOperation ? 1 : 0;
    }
    return nCount;
}

}  // namespace

void CCtlSession::CProgressListener::OnLinkError(int nKind, std::string strText) {
    if (nKind == kErrorTimingFallback) {
        PrintError(
            "replies went missing or failed their check; the link waits the full 100 ms for "
            "each reply from now on (--link-timing fixed)");
    }
    CRecordingListener::OnLinkError(nKind, std::move(strText));
}

void CCtlSession::CProgressListener::OnProgress(EProgress step, int n, int nOf) {
    CRecordingListener::OnProgress(step, n, nOf);
    const std::string strOf = std::to_string(n) + " of " + std::to_string(nOf);
    const std::string strPort =
        m_pLink != nullptr && step == EProgress::SearchingPort ? m_pLink->PortName(n) : "";
    CCtlProgress::Instance().Show(!strPort.empty() ? "connecting to " + strPort + "..."
                                  : step == EProgress::SearchingPort
                                      ? "looking for the board on port " + std::to_string(n) + "..."
                                  : step == EProgress::ReadingDescription
                                      ? "reading the board's description: " + strOf
                                      : "reading the over-clock values: " + strOf);
}

namespace {
// Which board a thread's messages are about, where one process serves many.
thread_local std::string t_strBoardPrefix;
}  // namespace

void NameBoardInMessages(const std::string& strBoard) {
    t_strBoardPrefix = strBoard.empty() ? std::string() : strBoard + ": ";
}

void PrintError(const std::string& strMessage) {
    CCtlProgress::Instance().Clear();
    std::fprintf(stderr, "tunevoctl: %s%s\n", t_strBoardPrefix.c_str(), strMessage.c_str());
}

namespace {
// The board the command line or TUNEVO_BOARD named, for every session.
std::optional<BoardAddress> g_namedBoard;
ELinkTiming g_timing = ELinkTiming::Fast;

// What a failed connection to a named board means, in a sentence.
std::string DescribeConnectError(const BoardAddress& address, EConnectError error,
                                 const std::string& strSystem) {
    const std::string strBoard = address.Text();
    switch (error) {
        case EConnectError::NoBluetooth:
            return "this machine has no Bluetooth (the kernel offers no RFCOMM sockets), so " +
                   strBoard + " cannot be reached";
        case EConnectError::Unreachable:
            return strBoard + " does not answer: it is out of range, switched off, or not there (" +
                   strSystem + ")";
        case EConnectError::Refused:
            return strBoard + " refused the connection: nothing serves that channel or port (" +
                   strSystem + ")";
        case EConnectError::NotPaired:
            return strBoard +
                   " refused the link: pair it first, in the desktop's Bluetooth "
                   "settings or with bluetoothctl (" +
                   strSystem + ")";
        case EConnectError::NoSuchHost:
            return "the host of " + strBoard + " is not known (" + strSystem + ")";
        case EConnectError::Other:
            return strBoard + " cannot be reached (" + strSystem + ")";
        case EConnectError::None:
            break;
    }
    return "no board answered on " + strBoard;
}
}  // namespace

void CCtlSession::UseBoard(std::optional<BoardAddress> address) {
    g_namedBoard = std::move(address);
}

void CCtlSession::UseTiming(ELinkTiming timing) {
    g_timing = timing;
}

// Opens the named board, or tries the board used last, BlueZ's boards and the
// port pattern; remembers which opened last: after a successful search, the board's.
class CCtlSession::CRecordingOpener final : public IPortOpener {
public:
    explicit CRecordingOpener(const BoardAddress* pBoard) {
        if (pBoard != nullptr) {
            // One of many a serve reads: none of them is "the board used last".
            m_pNamed = std::make_unique<CNamedBoardOpener>(*pBoard, CNamedBoardOpener::ERemember::No);
        } else if (g_namedBoard) {
            m_pNamed = std::make_unique<CNamedBoardOpener>(*g_namedBoard);
        } else {
            m_pSearch = std::make_unique<CBoardSearchOpener>();
        }
    }

    std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) override {
        std::unique_ptr<ISerialPort> pPort =
            m_pNamed ? m_pNamed->Open(nPort, bHeld) : m_pSearch->Open(nPort, bHeld);
        if (pPort) {
            m_nLastOpened = nPort;
        }
        return pPort;
    }
    int PortCount() const override { return m_pNamed ? 1 : m_pSearch->PortCount(); }
    void Answered(int nPort) override {
        m_pNamed ? m_pNamed->Answered(nPort) : m_pSearch->Answered(nPort);
    }

    std::string PortName(int nPort) const override { return PathOf(nPort); }

    int LastOpened() const { return m_nLastOpened; }
    // Port n by name: the named board, or the board tried n-th.
    std::string PathOf(int nPort) const {
        if (m_pNamed) {
            return m_pNamed->Address().Text();
        }
        const auto& all = m_pSearch->All();
        return nPort >= 0 && nPort < static_cast<int>(all.size())
                   ? all[static_cast<size_t>(nPort)].Text()
                   : std::string();
    }
    // Why the board found nothing, as the user should hear it.
    std::string NotFound() const {
        if (m_pNamed) {
            return DescribeConnectError(m_pNamed->Address(), m_pNamed->LastConnectError(),
                                        m_pNamed->LastErrorText());
        }
        // The ports by name: a pattern with "%d" means nothing to most readers.
        const std::string strPattern = CDevicePortOpener::PatternFromEnvironment();
        std::string strTried;
        for (const BoardAddress& board : m_pSearch->All()) {
            if (board.kind != BoardAddress::EKind::Device ||
                board.strPath.rfind(strPattern.substr(0, strPattern.find('%')), 0) != 0) {
                strTried += (strTried.empty() ? "" : ", ") + board.Text();
            }
        }
        std::string strMessage = "no board found on ";
        strMessage += CDevicePortOpener::FormatPath(strPattern, Protocol::kFirstPort).value_or("");
        strMessage += " to ";
        strMessage += CDevicePortOpener::FormatPath(strPattern, Protocol::kLastPort).value_or("");
        strMessage += strTried.empty() ? "" : " nor on " + strTried;
        return strMessage +
               " (is the board paired, or named with --board, and is no other program using it?)";
    }

private:
    std::unique_ptr<CNamedBoardOpener> m_pNamed;
    std::unique_ptr<CBoardSearchOpener> m_pSearch;
    std::atomic<int> m_nLastOpened{-1};
};

// The rfkill folder: the kernel's, unless TUNEVO_RFKILL_DIR names another
// (containers without one, tests).
std::filesystem::path RfkillFolder() {
    const char* pszFolder = std::getenv("TUNEVO_RFKILL_DIR");
    return pszFolder != nullptr && *pszFolder != '\0' ? pszFolder : "/sys/class/rfkill";
}

CCtlSession::CCtlSession(const BoardAddress* pBoard)
    : m_pOpener(std::make_shared<CRecordingOpener>(pBoard)),
      m_pRadio(std::make_shared<CRfkillRadio>(RfkillFolder())) {
    m_pLink = std::make_unique<CDeviceLink>(
        CDeviceLink::Environment{m_pOpener, m_pRadio, std::make_shared<CSteadyClock>(), g_timing});
    m_listener.m_pLink = m_pLink.get();
    m_pLink->SetListener(&m_listener);
}

int CCtlSession::Connect() {
    uint32_t nMode = 0;
    if (m_pRadio->QueryMode(nMode) && nMode == 0) {
        PrintError("the Bluetooth radio is switched off; switch it on (rfkill unblock bluetooth)");
        return kExitRadioOff;
    }
    m_pLink->StartPortSearch();
    const bool bAnswered = m_listener.WaitFor(
        [](const auto& reports) { return CountOf(reports, "OnLinkState") > 0; }, kSearchTimeout);
    if (bAnswered && m_pLink->IsPortHeldElsewhere()) {
        PrintError("the board's port is in use by another program; close it and try again");
        return kExitNoBoard;
    }
    if (!bAnswered || !m_pLink->HasPort()) {
        PrintError(m_pOpener->NotFound());
        return kExitNoBoard;
    }
    CCtlProgress::Instance().Clear();
    m_strPortPath = m_pOpener->PathOf(m_pOpener->LastOpened());
    return kExitOk;
}

bool CCtlSession::LinkLost() {
    const auto reports = m_listener.Reports();
    for (const auto& report : reports) {
        if (report.strOperation == "OnLinkState" && report.nFirst == 0) {
            PrintError("the link to the board was lost");
            return true;
        }
    }
    return false;
}

int CCtlSession::Load() {
    if (!m_pLink->HasPort()) {
        if (const int nExit = Connect(); nExit != kExitOk) {
            return nExit;
        }
    }
    m_pLink->StartLink();
    const bool bLoaded = m_listener.WaitFor(
        [](const auto& reports) {
            return CountOf(reports, "OnConfigLoaded") > 0 ||
                   std::ranges::any_of(reports, [](const auto& report) {
                       return report.strOperation == "OnLinkState" && report.nFirst == 0;
                   });
        },
        kLoadTimeout);
    CCtlProgress::Instance().Clear();
    if (LinkLost()) {
        return kExitLinkLost;
    }
    if (!bLoaded) {
        PrintError("the board did not finish sending its configuration");
        return kExitNoAnswer;
    }
    for (const std::string& strProblem : m_pLink->DescriptionProblems()) {
        PrintError("the board's description: " + strProblem);
    }
    if (m_listener.Count("OnLinkError", kErrorConfigFile) > 0) {
        // The board's description is in hand all the same; only keeping it failed.
        PrintError("cannot keep the board's description in " + m_pLink->ConfigFileProblem() +
                   "; it is used as the board sent it");
    }
    const bool bAnyItem = std::ranges::any_of(
        kAllArrays, [this](EBoardArray array) { return m_pLink->ArraySize(array) > 0; });
    if (m_listener.Count("OnLinkError", kErrorConfigDownload) > 0) {
        for (const std::string& strProblem : m_pLink->DownloadProblems()) {
            PrintError("the board's description as sent: " + strProblem);
        }
        const std::string strWhy = m_pLink->DownloadProblems().empty()
                                       ? "the board did not send its description whole"
                                       : "the board's description was not taken";
        if (!bAnyItem && m_pLink->DescriptionProblems().empty()) {
            PrintError(strWhy + ", and there is no earlier one in " + g_szProgramDir);
            return kExitNoAnswer;
        }
        PrintError(strWhy +
                   "; the one kept from before is read, its items may differ from the "
                   "board's, and nothing is written through it");
    }
    if (!bAnyItem) {
        PrintError("the board's description holds no item Tunevo can use");
        return kExitNoAnswer;
    }
    return kExitOk;
}

bool CCtlSession::Refresh(EBoardArray array) {
    // Read on this thread: a request posted right after the dispatcher's last
    // report could be dropped before it resets its event.
    return m_pLink->RefreshArray(array);
}
