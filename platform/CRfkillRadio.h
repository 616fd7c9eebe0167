#pragma once

#include <filesystem>

#include "platform/IRadio.h"

// Reads the Bluetooth radio state from the kernel's rfkill entries.
class CRfkillRadio final : public IRadio {
public:
    explicit CRfkillRadio(std::filesystem::path root = "/sys/class/rfkill");

    // Mode 0 when every "bluetooth" entry is soft- or hard-blocked, 1 otherwise.
    // A machine without such an entry counts as a failed query.
    bool QueryMode(uint32_t& nMode) override;

private:
    std::filesystem::path m_root;
};
