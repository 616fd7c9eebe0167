#pragma once

#include <string>
#include <vector>

// tunevoctl set: changes over-clock items by name and applies them.

struct SetOptions {
    bool bClamp = false;
    bool bRound = false;                   // a value between two steps takes the nearer one
    std::vector<std::string> assignments;  // NAME=VALUE
    // Asks to keep the values for this long, then writes back the values
    // before; 0 does not ask.
    int nConfirmSeconds = 0;
};

// The longest --confirm countdown.
inline constexpr int kMostConfirmSeconds = 3600;

int RunSet(const SetOptions& options);
