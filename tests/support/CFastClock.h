#pragma once

#include "platform/IClock.h"

// Real time, run faster: Now advances nFactor times as fast as the steady
// clock and a sleep takes 1/nFactor of its length. The link's poll threads
// and waits keep their real interplay, only sooner, which a virtual clock
// (where every sleep ends at once) cannot give threads that run side by side.
class CFastClock final : public IClock {
public:
    explicit CFastClock(int nFactor = 20);

    TimePoint Now() const override;
    bool SleepFor(std::chrono::milliseconds duration, std::stop_token stop) override;

private:
    const int m_nFactor;
    const TimePoint m_start;
};
