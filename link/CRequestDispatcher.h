#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <thread>

#include "platform/CEventSet.h"

// The requests the screens post to the link, in the order the dispatcher
// looks at them when several are pending.
enum class ERequest : size_t { Apply, Refresh, Power, MessageMode, PosterRead };
inline constexpr size_t kRequestKinds = 5;

// Runs one request at a time on the dispatcher thread. A request of the same
// kind that arrives while it runs is dropped: its event is reset afterwards.
class CRequestDispatcher {
public:
    using Handler = std::function<void()>;

    // Sets the handler of one kind; done before Run starts.
    void SetHandler(ERequest request, Handler handler);

    // Any thread: wakes the dispatcher for this request.
    void Post(ERequest request);
    bool IsPending(ERequest request) const;
    // Drops every pending request; done while Run is not running.
    void Clear();

    // The dispatcher thread's loop; returns once stop is requested.
    void Run(std::stop_token stop);

    // Called by a handler just before its final report: the run counts as
    // ended, so a request of its kind made in answer to the report is kept
    // rather than dropped with those that came during the run. Does nothing
    // on any other thread or for another kind.
    void EndRun(ERequest request);

private:
    CEventSet m_events{kRequestKinds};
    std::array<Handler, kRequestKinds> m_handlers;
    // The thread of the last Run; another Run may start after a reconnect.
    std::atomic<std::thread::id> m_runThread;
    // The run in progress; touched only on the dispatcher thread.
    std::optional<size_t> m_nRunning;
    bool m_bRunEnded = false;
};
