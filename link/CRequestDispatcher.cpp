#include "link/CRequestDispatcher.h"

void CRequestDispatcher::SetHandler(ERequest request, Handler handler) {
    m_handlers[static_cast<size_t>(request)] = std::move(handler);
}

void CRequestDispatcher::Post(ERequest request) {
    m_events.Set(static_cast<size_t>(request));
}

bool CRequestDispatcher::IsPending(ERequest request) const {
    return m_events.IsSet(static_cast<size_t>(request));
}

void CRequestDispatcher::Run(std::stop_token stop) {
    while (std::optional<size_t> nIndex = m_events.WaitAny(stop)) {
        if (m_handlers[*nIndex]) {
            m_handlers[*nIndex]();
        }
        // Whatever of the same kind came in meanwhile is answered by this run.
        m_events.Reset(*nIndex);
    }
}
