#pragma once

#include <atomic>
#include <chrono>
#include <stop_token>

#include "platform/IClock.h"

// How a command gets the port.
enum class EBusyDiscipline {
    Skip,       // polls: if the port is busy, do nothing this time
    WaitShort,  // user requests: look every 20 ms, give up after 100 looks
    WaitLong,   // apply: look every 50 ms, give up after 100 looks
    None,       // use the port without the flag
};

// The one flag that serialises use of the port between the link's threads.
class CBusyFlag {
public:
    // Holds the flag while alive (unless the discipline was None).
    class Hold {
    public:
        Hold() = default;
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        ~Hold();

        // True when the command may use the port.
        explicit operator bool() const { return m_bGranted; }

    private:
        friend class CBusyFlag;
        Hold(CBusyFlag* pFlag, bool bGranted) : m_pFlag(pFlag), m_bGranted(bGranted) {}
        void Release();

        CBusyFlag* m_pFlag = nullptr;  // set only when the flag itself was taken
        bool m_bGranted = false;
    };

    // Takes the flag as the discipline says. Waiting uses the clock and ends
    // early, refused, once stop is requested.
    Hold Take(EBusyDiscipline discipline, IClock& clock, std::stop_token stop);

    bool IsSet() const { return m_bBusy.load(); }

private:
    bool TryTake() { return !m_bBusy.exchange(true); }

    std::atomic<bool> m_bBusy{false};
};
