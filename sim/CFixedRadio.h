#pragma once

#include <atomic>

#include "platform/IRadio.h"

// A radio whose answer is set by hand: the simulated board needs no Bluetooth.
class CFixedRadio final : public IRadio {
public:
    enum class EAnswer { On, Off, QueryFails };

    explicit CFixedRadio(EAnswer answer = EAnswer::On) : m_answer(answer) {}

    bool QueryMode(uint32_t& nMode) override {
        switch (m_answer.load()) {
            case EAnswer::On:
                nMode = 1;
                return true;
            case EAnswer::Off:
                nMode = 0;
                return true;
            case EAnswer::QueryFails:
                break;
        }
        return false;
    }

private:
    std::atomic<EAnswer> m_answer;
};
