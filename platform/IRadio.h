#pragma once

#include <cstdint>

// The Bluetooth radio-mode query that decides whether the port search runs.
class IRadio {
public:
    virtual ~IRadio() = default;

    // True when the query succeeded; nMode is then 0 for a radio that is off.
    virtual bool QueryMode(uint32_t& nMode) = 0;
};
