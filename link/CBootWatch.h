#pragma once

#include <chrono>

#include "platform/IClock.h"

// Follows a PC's start-up on the board's POST display: it has finished
// when the ready code shows, and stalled when one other code stands still
// for the stuck time. Fed with the codes the poster poll reads; keeps no
// clock of its own, so tests step it through time.
class CBootWatch {
public:
    struct Settings {
        std::chrono::seconds stuck{45};
        int nReadyCode = 0x00;  // the shipped POST texts' "Ready"
        // After Begin, a ready code that stands this long counts though no
        // other code was seen: the start-up was over before the first read.
        std::chrono::seconds readySettle{5};
    };
    enum class EState {
        Idle,      // nothing is starting, as far as was seen
        Watching,  // a start-up is under way
        Ready,     // it reached the ready code
        Stalled,   // one code stood still for the stuck time
    };
    using TimePoint = IClock::TimePoint;

    explicit CBootWatch(Settings settings) : m_settings(settings) {}

    // A power-on or reset was sent: the display may still show the ready
    // code of the run before for a moment, so ready counts only after
    // another code was seen, or once it has stood for readySettle.
    void Begin(TimePoint now);
    // A code read now; returns the state it leads to. A code leaving the
    // ready code starts a watch on its own (a reset by the PC's button).
    EState Observe(TimePoint now, int nCode);

    EState State() const { return m_state; }
    // The code seen last.
    int Code() const { return m_nCode; }

private:
    Settings m_settings;
    EState m_state = EState::Idle;
    int m_nCode = -1;
    TimePoint m_since{};
    bool m_bLeftReady = false;  // a code other than ready was seen since Begin
};
