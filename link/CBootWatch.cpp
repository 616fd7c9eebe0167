#include "link/CBootWatch.h"

void CBootWatch::Begin(TimePoint now) {
    m_state = EState::Watching;
    m_nCode = -1;
    m_since = now;
    m_bLeftReady = false;
}

CBootWatch::EState CBootWatch::Observe(TimePoint now, int nCode) {
    const bool bReady = nCode == m_settings.nReadyCode;
    if (nCode != m_nCode) {
        m_nCode = nCode;
        m_since = now;
        if (!bReady) {
            // Leaving ready, or moving on from a stall: a start-up is under way.
            m_bLeftReady = true;
            m_state = EState::Watching;
        } else if (m_state == EState::Stalled) {
            m_state = EState::Watching;  // it came through after all
        }
    }
    if (m_state != EState::Watching) {
        return m_state;
    }
    const bool bStoodLong = now - m_since >= m_settings.stuck;
    if (bReady && (m_bLeftReady || now - m_since >= m_settings.readySettle)) {
        m_state = EState::Ready;
    } else if (!bReady && bStoodLong) {
        m_state = EState::Stalled;
    }
    return m_state;
}
