#pragma once

#include "platform/IClock.h"

class CSteadyClock final : public IClock {
public:
    TimePoint Now() const override;
    bool SleepFor(std::chrono::milliseconds duration, std::stop_token stop) override;
};
