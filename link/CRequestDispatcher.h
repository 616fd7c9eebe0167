#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <stop_token>

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

    // The dispatcher thread's loop; returns once stop is requested.
    void Run(std::stop_token stop);

private:
    CEventSet m_events{kRequestKinds};
    std::array<Handler, kRequestKinds> m_handlers;
};
