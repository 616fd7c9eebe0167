#pragma once

#include <string>

// How large the desktop window is drawn, in "window.ini" in Tunevo's folder,
// section "Window". The scale is the user's zoom; none kept means the
// window fits itself to the screen at each start.
struct WindowSettings {
    double dScale = 0;  // 0: fit to the screen

    static constexpr double kLeastScale = 1.0;
    static constexpr double kMostScale = 4.0;

    // From the file in the folder (Tunevo's folder when empty); a value out
    // of range or not a half step counts as none kept.
    static WindowSettings Load(const std::string& strFolder = {});
    // Replaces the file whole; false with the reason when it cannot.
    bool Save(std::string& strWhy, const std::string& strFolder = {}) const;
};
