#pragma once

#include <array>
#include <atomic>
#include <bitset>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

#include "link/BoardItem.h"
#include "link/CBusyFlag.h"
#include "link/CRequestDispatcher.h"
#include "link/DescriptionCheck.h"
#include "link/FrameCodec.h"
#include "link/ILinkListener.h"
#include "link/PortSearch.h"
#include "link/Transact.h"
#include "platform/CWorkerThread.h"
#include "platform/IClock.h"
#include "platform/IPortOpener.h"
#include "platform/IRadio.h"

class CBoardConfig;

// The one object that talks to the board: it owns the port, the worker
// threads, the request events and the seven item arrays, and reports through
// ILinkListener. It never touches a window.
class CDeviceLink {
public:
    // What the link needs from the machine; tests hand in fakes.
    struct Environment {
        std::shared_ptr<IPortOpener> pOpener;
        std::shared_ptr<IRadio> pRadio;
        std::shared_ptr<IClock> pClock;
        // The program asks for fast timing; fixed is the protocol's own.
        ELinkTiming timing = ELinkTiming::Fixed;
    };

    // Power poll states.
    static constexpr int kPowerPollStopped = 100;
    static constexpr int kPowerPolling = 200;
    // Checksum failures tolerated before every further one reports the link lost.
    static constexpr int kLinkLostErrorCount = 3000;

    // The real machine: the board used last, BlueZ's boards and the ports of
    // TUNEVO_PORT_PATTERN in turn; rfkill; the steady clock.
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

    // Takes the board the user chose from those OnBoardChoice listed, ends
    // the search with OnLinkState(true) and closes the others; with
    // bRemember it is the board tried first at the next start. Searches after
    // a Disconnect ask for this board alone. Ignored for an index not listed.
    void ChooseBoard(size_t nIndex, bool bRemember);

    // Drops a lost connection so that a new search and StartLink can bring
    // the board back: every thread of the link ends (each within about one
    // exchange), the port closes, and what was learnt from the board is
    // forgotten, except the arrays, which the next load replaces. Requests
    // made until the next StartLink are dropped unanswered. Blocks; call it
    // from a thread that is not one of the link's own, and not while another
    // thread is inside one of the link's blocking calls.
    void Disconnect();

    // Clears the error count and starts the dispatcher and the load thread,
    // which downloads the board's configuration, fills the arrays anew, reads
    // the over-clock values and ends with OnConfigLoaded(true). Ignored
    // without a port or when already started since the last Disconnect.
    void StartLink();

    // Dispatcher requests: each stores its argument, wakes the dispatcher and
    // returns at once. Every request ends with its report: OnOverclockRefreshed,
    // or OnArrayRefreshed for the array asked for; requests of one kind that
    // wait together share one run. Ignored before StartLink.
    void RequestRefreshOverclock();
    // Stored but not started while the power screen polls; the next refresh
    // request picks it up.
    void RequestRefreshArray(int nArray);

    // Reads the ratio items anew from the configuration and the board, and
    // drops them when the board offers no ratio. Blocks the caller for the
    // exchanges; before the configuration is loaded it does nothing.
    void ReloadOverRatio();

    // Reads every item's value, and its range where it asks for it, into the
    // array; an item whose reply is missing or damaged keeps what it had.
    // Waits up to 2 s for the port. True when every value and range asked
    // for was read (and for an empty array). Blocks the calling thread for the exchanges.
    bool RefreshArray(EBoardArray array);

    // Downloads the board's configuration and replaces the file with it, only
    // when the open reply was accepted and every chunk arrived; otherwise the
    // old file stays and OnLinkError says why (kind 5: the board did not send
    // it whole; kind 14: the file could not be written). Skipped when the port
    // is busy. Blocks for the exchanges.
    void DownloadConfig(const std::string& strPath);

    // Which description file could not be written, and why; empty when it was.
    std::string ConfigFileProblem() const;
    // What the loaded description holds that cannot be used, one line each
    // naming the item and why; said once by whoever shows the board.
    std::vector<std::string> DescriptionProblems() const;
    // Why this connection's download of the description was refused although
    // the board sent it: cut or glued on its way, or with nothing usable.
    // Empty when it was taken, or never came.
    std::vector<std::string> DownloadProblems() const;
    // Whether this connection downloaded the board's description whole: only
    // then does anything go to the board through its items. Without it the
    // description kept from before may be read, never written through.
    bool IsDescriptionConfirmed() const { return m_bDescriptionConfirmed.load(); }

    // Copies of the arrays, taken under the lock the refreshes write under.
    BoardItemArray GetArray(EBoardArray array) const;
    size_t ArraySize(EBoardArray array) const;
    BoardItemArray GetOverVolt() const { return GetArray(EBoardArray::OverVolt); }
    BoardItemArray GetOverFreq() const { return GetArray(EBoardArray::OverFreq); }
    BoardItemArray GetOverRatio() const { return GetArray(EBoardArray::OverRatio); }
    BoardItemArray GetHwVolt() const { return GetArray(EBoardArray::HwVolt); }
    BoardItemArray GetHwTemp() const { return GetArray(EBoardArray::HwTemp); }
    BoardItemArray GetHwFan() const { return GetArray(EBoardArray::HwFan); }
    BoardItemArray GetHwFrq() const { return GetArray(EBoardArray::HwFrq); }

    // The loaded configuration's version text; empty until it is loaded.
    std::u16string GetBoardVersion() const;

    // Loads the configuration and message files from Tunevo's folder as they
    // are and makes them the link's configuration. The load thread does this
    // after its download; callers without a download (poster texts of the
    // last board) may do it themselves. Blocks for the file reads.
    void LoadConfiguration();

    // Starts the once-a-second power-status poll unless its thread still runs.
    void StartPowerPolling();
    // The poll thread ends after its current cycle.
    void StopPowerPolling();

    // One power-status poll with six tries; skipped while the port is busy.
    // Reports OnPowerState for a known state. Blocks for the exchanges.
    void PollPowerStatus();
    // Asks the board whether it is on (true) with up to six tries; false when
    // off, unknown or unanswered (then OnLinkError 1). Waits up to 2 s for
    // the port; blocks the calling thread for the exchanges.
    bool QueryPowerStatus();
    // Power action code 1 on, 2 off, 3 force shutdown, 4 clear CMOS (sent only
    // while the board reports state 0), 5 reset. Ends with
    // OnPowerCommandDone(true, 255) when acknowledged, (false, 255) when not
    // (or when the port stayed busy), (false, 0) when clear CMOS was refused.
    // Without a port nothing is reported. Waits up to 2 s for the port;
    // blocks for the exchanges.
    void PowerAction(int nCode);
    // Runs PowerAction on the dispatcher.
    void RequestPower(int nCode);

    // Stores the edited Value and PrevValue of the three over-clock arrays,
    // items matched by position and Name; a value that differs from the
    // link's, or an item marked bUserSet, counts as set by the user. False
    // when an edit found no item to land on. Any thread.
    bool StoreEdits(const BoardItemArray& overVolt, const BoardItemArray& overFreq,
                    const BoardItemArray& overRatio);
    // Which items an apply writes.
    enum class EApplyScope {
        Changed,  // every changed item, the first one, and one after an unacknowledged write
        UserSet,  // only the items the user set
    };
    // Stores the edits and applies them on the dispatcher, which ends with
    // OnApplied; an edit that found no item fails the apply. A successful
    // apply is read back before it is reported, within the same request, so
    // no watch read comes between: OnOverclockRefreshed follows OnApplied.
    void RequestApply(BoardItemArray overVolt, BoardItemArray overFreq, BoardItemArray overRatio,
                      EApplyScope scope = EApplyScope::Changed);
    // Applies the edits already stored (StoreEdits), on the dispatcher.
    void RequestStoredApply(EApplyScope scope);
    // One set frame sent, and whether the board acknowledged it.
    struct ItemWrite {
        EBoardArray array;
        size_t nIndex;
        bool bAcknowledged;
        std::u16string asked;  // the value sent
    };
    struct ApplyResult {
        bool bOk = true;  // every item sent was acknowledged
        std::vector<ItemWrite> writes;
        // Nothing was sent: this connection did not download the description whole.
        bool bUnconfirmed = false;
    };
    // Writes the three over-clock arrays in the order the first frequency
    // item's direction asks for. An item whose value was neither read from
    // the board nor set by the user is never written, and nothing is while
    // the description is not confirmed. Blocks for the exchanges.
    ApplyResult ApplyAll(EApplyScope scope);
    // What the last apply run on the dispatcher sent, for its record.
    ApplyResult LastApplyResult() const;
    // How the port of this session's board is named to the user; empty
    // before one was taken.
    std::string SessionPortName() const;

    // The lock check made once after start-up (six tries, reporting
    // OnLockState), then starts the poster and lock polls. Blocks the caller
    // for the check.
    void CheckLockStatus();
    // The check alone, without starting the polls. Waits up to 2 s for the port.
    void CheckLock();
    // One "s" or "r" exchange, skipped while the port is busy; they store the
    // lock state, or the poster code and mode.
    void PollLockStatus();
    // True when the board answered the poster read.
    bool PollPosterCode();
    // The message file's text for a POST code, whatever the display's mode;
    // empty when it has none.
    std::string PosterCodeText(int nCode) const;
    // Reports the poster text of the stored code and mode, if it has one.
    void NotifyPoster();
    // Reads the poster once and reports its text, on the dispatcher.
    void RequestPosterRead();
    // Switches the board's poster to code display (mode 1) or text display
    // (any other mode); ends with OnMessageModeDone. Blocks for the exchanges.
    void SetMessageMode(int nMode);
    // Runs SetMessageMode on the dispatcher.
    void RequestMessageMode(int nMode);

    // Last lock byte (1 unlocked, 0 locked) and poster words; 255 until known.
    int LockState() const { return m_nLockState.load(); }
    int PosterCode() const { return m_nPosterCode.load(); }
    int PosterMode() const { return m_nPosterMode.load(); }
    static constexpr int kStateUnknown = 255;

    bool HasPort() const;
    // The last search found no board but a port another program holds.
    bool IsPortHeldElsewhere() const { return m_bPortHeldElsewhere.load(); }
    // How the search's port n is named to the user; empty: by its number.
    std::string PortName(int nPort) const { return m_environment.pOpener->PortName(nPort); }
    // Why the board the user named could not be reached, after a search.
    EConnectError LastConnectError() const { return m_environment.pOpener->LastConnectError(); }
    bool IsLoaded() const { return m_bLoaded.load(); }
    int ErrorCount() const { return m_nErrorCount.load(); }
    // Fast until too many of its exchanges went wrong; then fixed for good.
    ELinkTiming Timing() const { return m_timing.load(); }
    bool FellBackToFixedTiming() const {
        return m_environment.timing == ELinkTiming::Fast && Timing() == ELinkTiming::Fixed;
    }
    // Every exchange since the link was made, and those that went wrong, by
    // kind, for a watch to export.
    struct ExchangeCounts {
        uint64_t nExchanges = 0;
        uint64_t nChecksum = 0;  // bytes came, but not one whole reply
        uint64_t nMissing = 0;   // nothing came
        uint64_t nLate = 0;      // a reply to an earlier request was found waiting
    };
    ExchangeCounts Counts() const;

    // In fast timing, this many bad exchanges among the last kFallbackWindow
    // turn the link to fixed timing for the rest of the session.
    static constexpr int kFallbackBad = 3;
    static constexpr int kFallbackWindow = 10;
    int PowerPollState() const { return m_nPowerPollState.load(); }
    bool IsPowerPollRunning() const;

private:
    template <class Call>
    void Report(Call&& call) {
        if (ILinkListener* pListener = m_pListener.load()) {
            call(*pListener);
        }
    }

    // The port, held as the discipline says, for the length of one command.
    // Shared, so a Disconnect never frees a port under a command still using it.
    struct PortUse {
        std::shared_ptr<ISerialPort> pPort;
        CBusyFlag::Hold hold;
        // True when the command may use the port.
        explicit operator bool() const { return pPort != nullptr && static_cast<bool>(hold); }
    };
    // Without a port the flag is not touched; otherwise it is taken (or
    // waited for) as the discipline says, ending early on teardown.
    PortUse UsePort(EBusyDiscipline discipline);

    // Just before a request's final report: a request of the same kind made
    // in answer to it is kept. Harmless outside the dispatcher's run.
    void EndRequest(ERequest request) {
        if (m_pDispatcher) {
            m_pDispatcher->EndRun(request);
        }
    }
    // A write failed: the link is lost, unless the failure came from teardown.
    void ReportLinkLost();
    std::shared_ptr<ISerialPort> Port() const;
    // The connection's stop token: requested by Disconnect and by teardown.
    std::stop_token StopToken() const;
    bool IsStopping() const { return StopToken().stop_requested(); }
    // The loaded description's documents; nullptr before the first load.
    std::shared_ptr<const CBoardConfig> Config() const;
    // Ends every thread of the link; the port stays.
    void StopThreads();
    // Adds one checksum failure; past the limit each one reports the link lost.
    void CountChecksumFailure();
    void RunPortSearch();
    // The dispatcher and its handlers, made once.
    void MakeDispatcher();
    // Writes the array's items in scope, one set frame per item. Waits up to
    // 5 s for the port; blocks for the exchanges.
    ApplyResult ApplyArray(EBoardArray array, EApplyScope scope);
    // The open exchange, asked up to six times; the chunk count it announces.
    std::optional<int> OpenDownload(ISerialPort& port);
    struct Chunk {
        std::string text;
        // Bytes were waiting before it was first asked: the chunk before it
        // had more to it than was taken.
        bool bStaleBefore = false;
    };
    // One chunk's text, asked up to six times; a text shorter than nShortest
    // bytes counts as cut off. nExpected, when not 0, is the text's size
    // expected, for fast timing to take it at once.
    std::optional<Chunk> FetchChunk(ISerialPort& port, uint8_t nIndex, size_t nShortest,
                                    size_t nExpected);
    void RunPowerPoll();
    void RunLoad();
    void RunRefreshRequest();
    // An array read that may stop between items and go on later.
    struct ArrayRead {
        bool bBegun = false;
        size_t nNext = 0;
        bool bAllRead = true;
    };
    // Reads the array's items from read.nNext on, as RefreshArray does,
    // asking yield before each item after the first; false when it stopped
    // because yield said so, read then saying where to go on.
    bool RefreshArrayPart(EBoardArray array, ArrayRead& read, const std::function<bool()>& yield);
    void RunApplyRequest();
    void RunPosterPoll();
    void RunLockPoll();
    // One exchange in the link's timing. In fast timing its outcome counts
    // towards the fallback to fixed timing, and a reply within
    // kLateReplyHorizon of one that went astray is read over the whole window.
    Exchange Ask(ISerialPort& port, std::span<const uint8_t> frame, std::stop_token stop,
                 EReplyShape shape = EReplyShape::Framed, size_t nChunkSize = 0);
    // The pause before the next request: after a bad reply always the retry
    // pause; after a good one only in fixed timing (fast timing kept its gap
    // in the exchange).
    void PauseAfterReply(bool bGood, std::stop_token stop);
    void NoteFastExchange(bool bGood);
    // Drops what the last connection's download confirmed.
    void ForgetDownload();
    // Sends a command frame up to six times until a valid reply comes, and
    // returns that exchange. Write failures report the link lost, checksum
    // failures count, and any bad reply is followed by a pause.
    std::optional<Exchange> SendUntilValid(ISerialPort& port, const Frame& frame);
    // The range and value exchanges of one item, on a copy of it; true when
    // everything asked for was read.
    bool RefreshItem(ISerialPort& port, EBoardArray array, BoardItem& item, std::stop_token stop);
    // An item write went out without its acknowledgement: it may still come,
    // looking like a value reply of zero. Taken back once a read meets it.
    void AwaitAcknowledgement(uint8_t nLetter);
    bool TakeAwaitedAcknowledgement(uint8_t nLetter);
    // Appends a section's items from the loaded configuration to its array.
    void LoadArray(EBoardArray array);
    BoardItemArray& ArrayOf(EBoardArray array) {
        return m_arrays[static_cast<size_t>(array) - kFirstArray];
    }
    const BoardItemArray& ArrayOf(EBoardArray array) const {
        return m_arrays[static_cast<size_t>(array) - kFirstArray];
    }

    const Environment m_environment;
    // A new source for each connection; the threads of the last one keep the
    // token they were started with, already stopped.
    mutable std::mutex m_stopMutex;
    std::stop_source m_stop;

    std::atomic<ILinkListener*> m_pListener{nullptr};
    // Published by the load thread once its documents are loaded; a reload
    // publishes new ones, so a reader's copy never changes under it.
    mutable std::mutex m_configMutex;
    std::shared_ptr<const CBoardConfig> m_pConfig;

    // Written by the refreshes on the link's threads, read by the screens:
    // every access holds the lock, and no exchange is made while it is held.
    mutable std::mutex m_arrayMutex;
    std::array<BoardItemArray, kLastArray> m_arrays;
    std::string m_strConfigFileProblem;
    std::vector<std::string> m_downloadProblems;
    // The description this connection downloaded whole; it is what the
    // items come from, even when the kept file could not be rewritten.
    std::optional<std::string> m_confirmedBytes;
    // The usable items of the loaded description, the arrays are filled from.
    DescriptionCheck m_description;

    mutable std::mutex m_portMutex;
    std::shared_ptr<ISerialPort> m_pPort;

    // Made by the first StartLink and kept: the screens post to it from their thread.
    std::unique_ptr<CRequestDispatcher> m_pDispatcher;
    std::atomic<bool> m_bStarted{false};
    CWorkerThread m_searchThread;
    CWorkerThread m_dispatcherThread;
    CWorkerThread m_powerPollThread;
    CWorkerThread m_loadThread;
    CWorkerThread m_posterPollThread;
    CWorkerThread m_lockPollThread;
    std::atomic<bool> m_bPollsStarted{false};
    std::atomic<bool> m_bSearching{false};
    // The boards the last search found, until the user chooses one.
    std::mutex m_choiceMutex;
    std::vector<FoundBoard> m_choices;
    // The port of the board this session uses, once one was taken.
    std::atomic<int> m_nSessionPort{-1};
    std::atomic<bool> m_bPortHeldElsewhere{false};

    CBusyFlag m_busy;
    std::mutex m_ackMutex;
    std::bitset<256> m_awaitedAcks;
    std::atomic<int> m_nErrorCount{0};
    std::atomic<ELinkTiming> m_timing;
    // Fast timing's last exchanges, newest in bit 0: 1 for a bad one.
    mutable std::mutex m_recentMutex;
    uint32_t m_nRecentBad = 0;
    ExchangeCounts m_counts;  // under m_recentMutex
    // Until then fast timing reads each reply over the whole window: a reply
    // that went astray may still arrive. Under m_recentMutex.
    IClock::TimePoint m_carefulUntil{};
    std::atomic<bool> m_bLoaded{false};
    std::atomic<bool> m_bDescriptionConfirmed{false};
    // An edit handed to RequestApply matched no item: the next apply fails.
    std::atomic<bool> m_bApplyEditLost{false};
    std::atomic<EApplyScope> m_applyScope{EApplyScope::Changed};
    mutable std::mutex m_lastApplyMutex;
    ApplyResult m_lastApply;
    // Refreshes asked for and not yet begun: the over-clock arrays, and one
    // bit per array number. Each gets its own report.
    std::atomic<bool> m_bOverclockRefreshPending{false};
    std::atomic<unsigned> m_nArraysPending{0};
    // How far the watch has read each array: it gives the port up between
    // items to a request the user waits for. The dispatcher's alone.
    std::array<ArrayRead, kLastArray - kFirstArray + 1> m_watchReads{};
    std::atomic<int> m_nPowerPollState{kPowerPollStopped};
    std::atomic<int> m_nPowerCode{0};
    std::atomic<int> m_nMessageMode{0};
    std::atomic<int> m_nLockState{kStateUnknown};
    std::atomic<int> m_nPosterCode{kStateUnknown};
    std::atomic<int> m_nPosterMode{kStateUnknown};

    // Start and the poll thread's decision to end are made under this lock,
    // so a start right after a stop never finds a thread that is just leaving.
    mutable std::mutex m_powerPollMutex;
    bool m_bPowerPollRunning = false;
};
