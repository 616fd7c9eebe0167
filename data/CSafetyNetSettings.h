#pragma once

#include <string>

// The window's safety-net choices, in "safety_net.ini" in Tunevo's folder,
// section "SafetyNet". Every value is limited to a sane range when read; a
// missing or damaged file gives the defaults (asking nothing, recovering
// nothing by itself).
struct SafetyNetSettings {
    bool bAskToKeep = false;  // ask "Keep these values?" after an apply
    int nKeepSeconds = 15;    // its countdown
    int nStuckSeconds = 45;   // one POST code standing this long is a stall
    int nReadyCode = 0x00;    // the code of a finished start-up
    bool bAutoRecover = false;  // restore and reset on a stall without asking

    static constexpr int kMostSeconds = 3600;

    // From the file in the folder (Tunevo's folder when empty).
    static SafetyNetSettings Load(const std::string& strFolder = {});
    // Replaces the file whole; false with the reason when it cannot.
    bool Save(std::string& strWhy, const std::string& strFolder = {}) const;
};
