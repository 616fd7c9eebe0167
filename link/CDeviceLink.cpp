#include "link/CDeviceLink.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <optional>

#include "data/CBoardConfig.h"
#include "link/CBoardSearchOpener.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/PortSearch.h"
#include "link/Protocol.h"
#include "link/Transact.h"
#include "platform/CRfkillRadio.h"
#include "platform/CSteadyClock.h"

namespace {

constexpr std::chrono::milliseconds kPowerPollPeriod{1000};

std::mutex g_instanceMutex;
std::unique_ptr<CDeviceLink> g_pInstance;
std::optional<CDeviceLink::Environment> g_environment;

}  // namespace

CDeviceLink::Environment CDeviceLink::RealEnvironment() {
    return Environment{std::make_shared<CBoardSearchOpener>(), std::make_shared<CRfkillRadio>(),
                       std::make_shared<CSteadyClock>()};
}

void CDeviceLink::SetEnvironment(Environment environment) {
    std::lock_guard lock(g_instanceMutex);
    g_environment = std::move(environment);
}

CDeviceLink& CDeviceLink::Instance() {
    std::lock_guard lock(g_instanceMutex);
    if (!g_pInstance) {
        g_pInstance =
            std::make_unique<CDeviceLink>(g_environment ? *g_environment : RealEnvironment());
    }
    return *g_pInstance;
}

void CDeviceLink::Destroy() {
    std::unique_ptr<CDeviceLink> pLink;
    {
        std::lock_guard lock(g_instanceMutex);
        pLink = std::move(g_pInstance);
    }
    // Torn down outside the lock: a worker thread may still ask for Instance().
    pLink.reset();
}

CDeviceLink::CDeviceLink(Environment environment)
    : m_environment(std::move(environment)), m_timing(m_environment.timing) {
    assert(m_environment.pOpener && m_environment.pRadio && m_environment.pClock);
}

CDeviceLink::~CDeviceLink() {
    StopThreads();
}

void CDeviceLink::StopThreads() {
    {
        std::lock_guard lock(m_stopMutex);
        m_stop.request_stop();
    }
    if (const std::shared_ptr<ISerialPort> pPort = Port()) {
        // A write blocked on a stuck line gives up now instead of after seconds.
        pPort->Abort();
    }
    m_searchThread.Join();
    m_dispatcherThread.Join();
    m_powerPollThread.Join();
    m_loadThread.Join();
    m_posterPollThread.Join();
    m_lockPollThread.Join();
}

void CDeviceLink::Disconnect() {
    StopThreads();
    {
        std::lock_guard lock(m_portMutex);
        m_pPort.reset();
    }
    if (m_pDispatcher) {
        m_pDispatcher->Clear();
    }
    {
        std::lock_guard lock(m_choiceMutex);
        m_choices.clear();
    }
    {
        std::lock_guard lock(m_ackMutex);
        m_awaitedAcks.reset();
    }
    ForgetDownload();
    m_bPollsStarted.store(false);
    m_bPortHeldElsewhere.store(false);
    m_nErrorCount.store(0);
    m_bLoaded.store(false);
    m_bApplyEditLost.store(false);
    m_bOverclockRefreshPending.store(false);
    m_nArraysPending.store(0);
    m_watchReads = {};
    m_nPowerPollState.store(kPowerPollStopped);
    m_nLockState.store(kStateUnknown);
    m_nPosterCode.store(kStateUnknown);
    m_nPosterMode.store(kStateUnknown);
    m_bStarted.store(false);
    // Last: a new search may start from here on.
    std::lock_guard lock(m_stopMutex);
    m_stop = std::stop_source();
}

std::stop_token CDeviceLink::StopToken() const {
    std::lock_guard lock(m_stopMutex);
    return m_stop.get_token();
}

std::shared_ptr<const CBoardConfig> CDeviceLink::Config() const {
    std::lock_guard lock(m_configMutex);
    return m_pConfig;
}

void CDeviceLink::SetListener(ILinkListener* pListener) {
    m_pListener.store(pListener);
}

bool CDeviceLink::HasPort() const {
    return Port() != nullptr;
}

std::shared_ptr<ISerialPort> CDeviceLink::Port() const {
    std::lock_guard lock(m_portMutex);
    return m_pPort;
}

void CDeviceLink::StartPortSearch() {
    if (HasPort() || m_bSearching.exchange(true)) {
        return;
    }
    m_searchThread.Start([this] { RunPortSearch(); }, CWorkerThread::EPriority::Normal);
}

void CDeviceLink::RunPortSearch() {
    IPortOpener& opener = *m_environment.pOpener;
    SearchPlan plan;
    plan.timing = m_timing.load();
    if (const int nSession = m_nSessionPort.load(); nSession >= 0) {
        plan.nOnly = nSession;  // a lost board is brought back, not another one
    } else {
        plan.bAll = opener.OffersChoice();
        plan.nSettles = opener.SettledPort();
    }
    bool bHeldSeen = false;
    std::vector<FoundBoard> found = FindBoardPorts(
        *m_environment.pRadio, opener, *m_environment.pClock, StopToken(), bHeldSeen,
        [this](int nPort) {
            Report([nPort](ILinkListener& listener) {
                listener.OnProgress(ILinkListener::EProgress::SearchingPort, nPort,
                                    Protocol::kLastPort + 1);
            });
        },
        plan);
    m_bPortHeldElsewhere.store(found.empty() && bHeldSeen);
    if (found.size() > 1) {
        std::vector<std::string> names;
        for (const FoundBoard& board : found) {
            const std::string strName = opener.PortName(board.nPort);
            names.push_back(strName.empty() ? std::to_string(board.nPort) : strName);
        }
        {
            std::lock_guard lock(m_choiceMutex);
            m_choices = std::move(found);
        }
        m_bSearching.store(false);
        if (!IsStopping()) {
            Report([names](ILinkListener& listener) { listener.OnBoardChoice(names); });
        }
        return;
    }
    const bool bFound = !found.empty();
    if (bFound) {
        opener.Answered(found.front().nPort);
        m_nSessionPort.store(found.front().nPort);
        std::lock_guard lock(m_portMutex);
        m_pPort = std::move(found.front().pPort);
    }
    m_bSearching.store(false);
    if (!IsStopping()) {
        Report([bFound](ILinkListener& listener) { listener.OnLinkState(bFound); });
    }
}

void CDeviceLink::ChooseBoard(size_t nIndex, bool bRemember) {
    FoundBoard chosen;
    {
        std::lock_guard lock(m_choiceMutex);
        if (nIndex >= m_choices.size()) {
            return;
        }
        chosen = std::move(m_choices[nIndex]);
        // The boards not chosen are closed, free for other programs.
        m_choices.clear();
    }
    if (bRemember) {
        m_environment.pOpener->Answered(chosen.nPort);
    }
    m_nSessionPort.store(chosen.nPort);
    {
        std::lock_guard lock(m_portMutex);
        m_pPort = std::move(chosen.pPort);
    }
    Report([](ILinkListener& listener) { listener.OnLinkState(true); });
}

void CDeviceLink::StartLink() {
    if (!HasPort() || m_bStarted.exchange(true)) {
        return;
    }
    m_nErrorCount.store(0);
    m_bLoaded.store(false);
    ForgetDownload();
    if (!m_pDispatcher) {
        MakeDispatcher();
    }
    // Requests made while no connection stood are not run on this one.
    m_pDispatcher->Clear();
    m_bOverclockRefreshPending.store(false);
    m_nArraysPending.store(0);
    m_watchReads = {};
    m_dispatcherThread.Start([this, stop = StopToken()] { m_pDispatcher->Run(stop); },
                             CWorkerThread::EPriority::BelowNormal);
    m_loadThread.Start([this] { RunLoad(); }, CWorkerThread::EPriority::Normal);
}

void CDeviceLink::MakeDispatcher() {
    m_pDispatcher = std::make_unique<CRequestDispatcher>();
    m_pDispatcher->SetHandler(ERequest::Apply, [this] { RunApplyRequest(); });
    m_pDispatcher->SetHandler(ERequest::Refresh, [this] { RunRefreshRequest(); });
    m_pDispatcher->SetHandler(ERequest::Power, [this] { PowerAction(m_nPowerCode.load()); });
    m_pDispatcher->SetHandler(ERequest::MessageMode,
                              [this] { SetMessageMode(m_nMessageMode.load()); });
    m_pDispatcher->SetHandler(ERequest::PosterRead, [this] {
        PollPosterCode();
        EndRequest(ERequest::PosterRead);
        NotifyPoster();
    });
}

void CDeviceLink::RequestRefreshOverclock() {
    if (!m_pDispatcher) {
        return;
    }
    m_bOverclockRefreshPending.store(true);
    m_pDispatcher->Post(ERequest::Refresh);
}

void CDeviceLink::RequestRefreshArray(int nArray) {
    if (!m_pDispatcher || nArray < kFirstArray || nArray > kLastArray) {
        return;
    }
    m_nArraysPending.fetch_or(1U << nArray);
    // The power screen's polls come first; the request waits for the next wake.
    if (m_nPowerPollState.load() != kPowerPolling) {
        m_pDispatcher->Post(ERequest::Refresh);
    }
}

BoardItemArray CDeviceLink::GetArray(EBoardArray array) const {
    std::lock_guard lock(m_arrayMutex);
    return ArrayOf(array);
}

std::string CDeviceLink::ConfigFileProblem() const {
    std::lock_guard lock(m_arrayMutex);
    return m_strConfigFileProblem;
}

std::vector<std::string> CDeviceLink::DescriptionProblems() const {
    std::lock_guard lock(m_arrayMutex);
    return m_description.problems;
}

std::vector<std::string> CDeviceLink::DownloadProblems() const {
    std::lock_guard lock(m_arrayMutex);
    return m_downloadProblems;
}

void CDeviceLink::ForgetDownload() {
    // A new connection may reach another board, or the same one changed.
    m_bDescriptionConfirmed.store(false);
    std::lock_guard lock(m_arrayMutex);
    m_strConfigFileProblem.clear();
    m_downloadProblems.clear();
    m_confirmedBytes.reset();
}

size_t CDeviceLink::ArraySize(EBoardArray array) const {
    std::lock_guard lock(m_arrayMutex);
    return ArrayOf(array).size();
}

std::u16string CDeviceLink::GetBoardVersion() const {
    const std::shared_ptr<const CBoardConfig> pConfig = Config();
    return pConfig != nullptr ? pConfig->GetVersion() : std::u16string();
}

Exchange CDeviceLink::Ask(ISerialPort& port, std::span<const uint8_t> frame, std::stop_token stop,
                          EReplyShape shape, size_t nChunkSize) {
    IClock& clock = *m_environment.pClock;
    const ELinkTiming timing = m_timing.load();
    bool bCareful = false;
    if (timing == ELinkTiming::Fast) {
        std::lock_guard lock(m_recentMutex);
        bCareful = clock.Now() < m_carefulUntil;
    }
    Exchange exchange = Transact(port, clock, frame, stop, Protocol::kReplyBufferSize,
                                 bCareful ? ELinkTiming::Fixed : timing, shape, nChunkSize);
    if (!exchange.bWritten || stop.stop_requested()) {
        return exchange;
    }
    // Stale bytes mean an earlier reply came late: whatever took its place
    // then was not this link's to take, and the next replies are read with care.
    const bool bGood = exchange.bWhole && exchange.nStale == 0;
    if (timing == ELinkTiming::Fast) {
        NoteFastExchange(bGood);
    }
    std::lock_guard lock(m_recentMutex);
    if (!bGood) {
        m_carefulUntil = clock.Now() + kLateReplyHorizon;
    }
    ++m_counts.nExchanges;
    m_counts.nLate += exchange.nStale > 0 ? 1 : 0;
    if (exchange.nCount == 0) {
        ++m_counts.nMissing;
    } else if (!exchange.bWhole) {
        ++m_counts.nChecksum;
    }
    return exchange;
}

CDeviceLink::ExchangeCounts CDeviceLink::Counts() const {
    std::lock_guard lock(m_recentMutex);
    return m_counts;
}

void CDeviceLink::NoteFastExchange(bool bGood) {
    {
        std::lock_guard lock(m_recentMutex);
        constexpr uint32_t kWindowMask = (1U << kFallbackWindow) - 1;
        m_nRecentBad = ((m_nRecentBad << 1) | (bGood ? 0U : 1U)) & kWindowMask;
        if (std::popcount(m_nRecentBad) < kFallbackBad) {
            return;
        }
    }
    // Said once: the exchange of the store decides who says it.
    if (m_timing.exchange(ELinkTiming::Fixed) == ELinkTiming::Fast) {
        Report([](ILinkListener& listener) {
            listener.OnLinkError(kErrorTimingFallback, kTextTimingFallback);
        });
    }
}

void CDeviceLink::PauseAfterReply(bool bGood, std::stop_token stop) {
    if (!bGood || m_timing.load() == ELinkTiming::Fixed) {
        m_environment.pClock->SleepFor(Protocol::kRetryPause, stop);
    }
}

void CDeviceLink::ReportLinkLost() {
    if (!IsStopping()) {
        Report([](ILinkListener& listener) { listener.OnLinkState(false); });
    }
}

void CDeviceLink::CountChecksumFailure() {
    if (m_nErrorCount.fetch_add(1) + 1 > kLinkLostErrorCount) {
        Report([](ILinkListener& listener) { listener.OnLinkState(false); });
    }
}

void CDeviceLink::StartPowerPolling() {
    std::lock_guard lock(m_powerPollMutex);
    m_nPowerPollState.store(kPowerPolling);
    if (m_bPowerPollRunning) {
        return;
    }
    m_bPowerPollRunning = true;
    // A previous poll thread has already decided to end; Start joins it.
    m_powerPollThread.Start([this] { RunPowerPoll(); }, CWorkerThread::EPriority::BelowNormal);
}

void CDeviceLink::StopPowerPolling() {
    m_nPowerPollState.store(kPowerPollStopped);
}

bool CDeviceLink::IsPowerPollRunning() const {
    std::lock_guard lock(m_powerPollMutex);
    return m_bPowerPollRunning;
}

void CDeviceLink::RunPowerPoll() {
    const std::stop_token stop = StopToken();
    for (;;) {
        {
            std::lock_guard lock(m_powerPollMutex);
            if (m_nPowerPollState.load() == kPowerPollStopped || stop.stop_requested()) {
                m_bPowerPollRunning = false;
                return;
            }
        }
        PollPowerStatus();
        m_environment.pClock->SleepFor(kPowerPollPeriod, stop);
    }
}

CDeviceLink::PortUse CDeviceLink::UsePort(EBusyDiscipline discipline) {
    PortUse use;
    use.pPort = Port();
    if (use.pPort != nullptr) {
        use.hold = m_busy.Take(discipline, *m_environment.pClock, StopToken());
    }
    return use;
}

std::string CDeviceLink::SessionPortName() const {
    const int nSession = m_nSessionPort.load();
    if (nSession < 0) {
        return {};
    }
    const std::string strName = PortName(nSession);
    return strName.empty() ? "port " + std::to_string(nSession) : strName;
}
