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
    m_runThread = std::this_thread::get_id();
    while (std::optional<size_t> nIndex = m_events.WaitAny(stop)) {
        m_nRunning = nIndex;
        m_bRunEnded = false;
        if (m_handlers[*nIndex]) {
            m_handlers[*nIndex]();
        }
        // Whatever of the same kind came in meanwhile is answered by this run.
        if (!m_bRunEnded) {
            m_events.Reset(*nIndex);
        }
        m_nRunning.reset();
    }
}

void CRequestDispatcher::Clear() {
    for (size_t nIndex = 0; nIndex < kRequestKinds; ++nIndex) {
        m_events.Reset(nIndex);
    }
}

void CRequestDispatcher::EndRun(ERequest request) {
    const auto nIndex = static_cast<size_t>(request);
    if (std::this_thread::get_id() != m_runThread || m_nRunning != nIndex || m_bRunEnded) {
        return;
    }
    m_events.Reset(nIndex);
    m_bRunEnded = true;
}
