#include "link/CBusyFlag.h"

#include <utility>

namespace {
constexpr std::chrono::milliseconds kShortWaitStep{20};
constexpr std::chrono::milliseconds kLongWaitStep{50};
constexpr int kWaitLooks = 100;
}  // namespace

CBusyFlag::Hold::Hold(Hold&& other) noexcept
    : m_pFlag(std::exchange(other.m_pFlag, nullptr)),
      m_bGranted(std::exchange(other.m_bGranted, false)) {}

CBusyFlag::Hold& CBusyFlag::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        Release();
        m_pFlag = std::exchange(other.m_pFlag, nullptr);
        m_bGranted = std::exchange(other.m_bGranted, false);
    }
    return *this;
}

CBusyFlag::Hold::~Hold() {
    Release();
}

void CBusyFlag::Hold::Release() {
    if (m_pFlag != nullptr) {
        m_pFlag->m_bBusy.store(false);
        m_pFlag = nullptr;
    }
    m_bGranted = false;
}

CBusyFlag::Hold CBusyFlag::Take(EBusyDiscipline discipline, IClock& clock, std::stop_token stop) {
    switch (discipline) {
        case EBusyDiscipline::None:
            return Hold(nullptr, true);
        case EBusyDiscipline::Skip:
            return TryTake() ? Hold(this, true) : Hold();
        case EBusyDiscipline::WaitShort:
        case EBusyDiscipline::WaitLong: {
            const auto step =
                discipline == EBusyDiscipline::WaitShort ? kShortWaitStep : kLongWaitStep;
            for (int nLook = 0; nLook < kWaitLooks; ++nLook) {
                if (TryTake()) {
                    return Hold(this, true);
                }
                if (!clock.SleepFor(step, stop)) {
                    break;
                }
            }
            return Hold();
        }
    }
    return Hold();
}
