// The simulated board's PC: its power, its lock and the POST codes on its
// poster, as they stand at each moment of the board's clock.

#include <algorithm>

#include "sim/CBoardModel.h"

bool CBoardModel::IsPoweredOn() const {
    std::lock_guard lock(m_mutex);
    Settle();
    return m_bPowerOn;
}

void CBoardModel::SetPoweredOn(bool bOn) {
    std::lock_guard lock(m_mutex);
    m_pending = EPending::None;
    if (bOn != m_bPowerOn) {
        m_bPowerOn = bOn;
        m_bootedAt = bOn ? std::optional(Now()) : std::nullopt;
        BeginStartup();
    }
}

bool CBoardModel::IsLocked() const {
    std::lock_guard lock(m_mutex);
    return LockClosedNow();
}

void CBoardModel::SetLocked(std::optional<bool> bLocked) {
    std::lock_guard lock(m_mutex);
    m_bLockedByHand = bLocked;
}

void CBoardModel::SetLockSchedule(std::vector<LockWindow> windows) {
    std::lock_guard lock(m_mutex);
    m_lockWindows = std::move(windows);
}

bool CBoardModel::LockClosedNow() const {
    if (m_bLockedByHand) {
        return *m_bLockedByHand;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Now() - m_start);
    return std::ranges::any_of(m_lockWindows, [elapsed](const LockWindow& window) {
        return elapsed >= window.start &&
               (!window.duration || elapsed < window.start + *window.duration);
    });
}

int CBoardModel::PosterCode() const {
    std::lock_guard lock(m_mutex);
    return PosterCodeNow();
}

int CBoardModel::PosterMode() const {
    std::lock_guard lock(m_mutex);
    return m_nPosterMode;
}

void CBoardModel::HoldPosterCode(std::optional<int> nCode) {
    std::lock_guard lock(m_mutex);
    m_nHeldPosterCode = nCode;
}

void CBoardModel::SetPosterMode(int nMode) {
    std::lock_guard lock(m_mutex);
    m_nPosterMode = nMode;
}

void CBoardModel::SetPowerStateBytes(uint8_t nOn, uint8_t nOff) {
    std::lock_guard lock(m_mutex);
    m_nStateOnByte = nOn;
    m_nStateOffByte = nOff;
}

void CBoardModel::SetLockedByte(uint8_t nLocked) {
    std::lock_guard lock(m_mutex);
    m_nLockedByte = nLocked;
}

const std::vector<int>& CBoardModel::StartupCodes() {
    // Power on, processor, memory, chipset, DXE, PCI, storage, boot, running.
    static const std::vector<int> codes = {0x01, 0x02, 0x03, 0x04, 0x06, 0x0B, 0x10, 0x11,
                                           0x15, 0x19, 0x1F, 0x2B, 0x32, 0x3A, 0x4F, 0x60,
                                           0x68, 0x70, 0x79, 0x90, 0x92, 0x94, 0x99, 0xA0,
                                           0xA2, 0xA3, 0xA8, 0xB2, 0xB4, 0xAD, 0x00};
    return codes;
}

int CBoardModel::PosterCodeNow() const {
    Settle();
    if (m_nHeldPosterCode) {
        return *m_nHeldPosterCode;
    }
    const std::vector<int>& codes = StartupCodes();
    if (!m_bPowerOn || !m_bootedAt) {
        return codes.back();  // off, or running since before we looked
    }
    const auto nStep = static_cast<size_t>((Now() - *m_bootedAt) / m_postCodeStep);
    const int nCode = codes[std::min(nStep, codes.size() - 1)];
    if (m_bStartupStalls) {
        // The walk goes no further than the stall code, and rests there.
        const auto stall = std::ranges::find(codes, kStallCode);
        if (static_cast<size_t>(stall - codes.begin()) <= nStep) {
            return kStallCode;
        }
    }
    return nCode;
}

void CBoardModel::SetPostCodeStep(std::chrono::milliseconds step) {
    std::lock_guard lock(m_mutex);
    m_postCodeStep = std::max(step, std::chrono::milliseconds(1));
}

void CBoardModel::BeginStartup() const {
    m_bStartupStalls = AnyVoltagePastLimit();
}

bool CBoardModel::AnyVoltagePastLimit() const {
    return std::ranges::any_of(m_description.Items(), [this](const SimItem& item) {
        return item.nArray == 1 && item.nThreshold2 > 0 && CurrentValueHeld(item) > item.nThreshold2;
    });
}
