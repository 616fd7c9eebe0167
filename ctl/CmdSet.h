#pragma once

#include <string>
#include <vector>

// tunevoctl set: changes over-clock items by name and applies them.

struct SetOptions {
    bool bClamp = false;
    bool bRound = false;                   // a value between two steps takes the nearer one
    std::vector<std::string> assignments;  // NAME=VALUE
};

int RunSet(const SetOptions& options);
