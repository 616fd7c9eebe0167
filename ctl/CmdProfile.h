#pragma once

#include <optional>
#include <string>
#include <vector>

// tunevoctl profile show, save and load: the two over-clock profiles the
// window's profile screens keep, in the same file.

struct ProfileOptions {
    std::string strAction;        // show, save or load
    std::optional<int> nProfile;  // 1 or 2; show without one shows both
    bool bYes = false;
    std::vector<std::string> forced;  // load: items written although their value is unread
};

int RunProfile(const ProfileOptions& options);
