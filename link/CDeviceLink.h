#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <stop_token>

#include "link/CBusyFlag.h"
#include "link/CRequestDispatcher.h"
#include "link/ILinkListener.h"
#include "platform/CWorkerThread.h"
#include "platform/IClock.h"
#include "platform/IPortOpener.h"
#include "platform/IRadio.h"

// The one object that talks to the board: it owns the port, the worker
// threads and the request events, and reports through ILinkListener. It never
// touches a window.
class CDeviceLink {
public:
    // What the link needs from the machine; tests hand in fakes.
    struct Environment {
        std::shared_ptr<IPortOpener> pOpener;
        std::shared_ptr<IRadio> pRadio;
        std::shared_ptr<IClock> pClock;
    };

    // Power poll states.
    static constexpr int kPowerPollStopped = 100;
    static constexpr int kPowerPolling = 200;
    // Checksum failures tolerated before every further one reports the link lost.
    static constexpr int kLinkLostErrorCount = 3000;

    // The real machine: rfcomm ports by TUNEVO_PORT_PATTERN, rfkill, steady clock.
    static Environment RealEnvironment();

    // Sets what the next Instance() is built with (the real machine otherwise).
    static void SetEnvironment(Environment environment);
    // The process-wide link, created on first use. Any thread.
    static CDeviceLink& Instance();
    // Tears the process-wide link down; the next Instance() builds a new one.
    // Call from a thread that is not one of the link's own.
    static void Destroy();

    explicit CDeviceLink(Environment environment);
    // Stops every thread (each ends within about one exchange) and closes the port.
    ~CDeviceLink();
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    // Replaces the receiver of all reports; nullptr silences them.
    void SetListener(ILinkListener* pListener);

    // Starts the port search on its own thread; it ends with OnLinkState.
    // Ignored while a search runs or once a port is held.
    void StartPortSearch();

    // Clears the error count and starts the dispatcher. Ignored without a
    // port or when already started.
    void StartLink();

    // Starts the once-a-second power-status poll unless its thread still runs.
    void StartPowerPolling();
    // The poll thread ends after its current cycle.
    void StopPowerPolling();

    // One power-status poll with six tries; skipped while the port is busy.
    // Reports OnPowerState for a known state. Blocks for the exchanges.
    void PollPowerStatus();

    bool HasPort() const;
    int ErrorCount() const { return m_nErrorCount.load(); }
    int PowerPollState() const { return m_nPowerPollState.load(); }
    bool IsPowerPollRunning() const;

private:
    template <class Call>
    void Report(Call&& call) {
        if (ILinkListener* pListener = m_pListener.load()) {
            call(*pListener);
        }
    }

    ISerialPort* Port() const;
    // Adds one checksum failure; past the limit each one reports the link lost.
    void CountChecksumFailure();
    void RunPortSearch();
    void RunPowerPoll();

    const Environment m_environment;
    std::stop_source m_stop;

    std::atomic<ILinkListener*> m_pListener{nullptr};

    mutable std::mutex m_portMutex;
    std::unique_ptr<ISerialPort> m_pPort;

    std::unique_ptr<CRequestDispatcher> m_pDispatcher;
    CWorkerThread m_searchThread;
    CWorkerThread m_dispatcherThread;
    CWorkerThread m_powerPollThread;
    std::atomic<bool> m_bSearching{false};

    CBusyFlag m_busy;
    std::atomic<int> m_nErrorCount{0};
    std::atomic<int> m_nPowerPollState{kPowerPollStopped};

    // Start and the poll thread's decision to end are made under this lock,
    // so a start right after a stop never finds a thread that is just leaving.
    mutable std::mutex m_powerPollMutex;
    bool m_bPowerPollRunning = false;
};
