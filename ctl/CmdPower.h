#pragma once

#include <string>
#include <vector>

// tunevoctl power: the PC's power state, or an action that switches it.

struct PowerOptions {
    std::string strAction;  // status, or one of PowerActionNames()
    bool bYes = false;
};

int RunPower(const PowerOptions& options);

class CCtlSession;
// Puts a power action sent, and whether the board took it, in the journal.
void JournalPowerAction(CCtlSession& session, const std::string& strAction, bool bAcknowledged);

// The power actions that switch something, by their command-line names.
std::vector<std::string> PowerActionNames();
// The old name of force-off, still taken but no longer shown.
inline constexpr const char* kOldForceOffName = "shutdown";
