#pragma once

#include <QString>
#include <optional>
#include <vector>

// Menu resource ids: the over-clock page's full menu and the monitor page's
// short one, in the locale's language.
inline constexpr int IDR_MENU_OVERCLOCK = 137;
inline constexpr int IDR_MENU_MONITOR = 136;

// Menu commands.
inline constexpr int ID_MENU_SAVE_PROFILE_ONE = 32778;
inline constexpr int ID_MENU_SAVE_PROFILE_TWO = 32779;
inline constexpr int ID_MENU_LOAD_PROFILE_ONE = 32781;
inline constexpr int ID_MENU_LOAD_PROFILE_TWO = 32782;
inline constexpr int ID_MENU_DISPLAY_SETTING = 32773;
inline constexpr int ID_MENU_LUMO_REMOTE = 32774;
inline constexpr int ID_MENU_LUMO_POSTER = 32775;
// The monitor's minimum, average and maximum start again.
inline constexpr int ID_MENU_RESET_FIGURES = 32790;
// Starts or stops the recording of every value read to a CSV file.
inline constexpr int ID_MENU_RECORD = 32791;
// The log of items that came into alarm.
inline constexpr int ID_MENU_ALARM_LOG = 32792;
// The journal of writes and power actions; undo the last apply; the
// setting that asks to keep applied values.
inline constexpr int ID_MENU_JOURNAL = 32793;
inline constexpr int ID_MENU_UNDO = 32794;
inline constexpr int ID_MENU_KEEP_ASK = 32795;

// One menu entry; command 0 is a separator.
struct MenuItem {
    int nCommand = 0;
    QString strText;
};

// A soft-key menu: the key's label and its popup's items.
struct MenuResource {
    QString strTitle;
    std::vector<MenuItem> items;
};

// The menu of a resource id; nothing for an id that is no menu. Each entry
// reads as the title of the screen it opens.
std::optional<MenuResource> LoadMenuResource(int nMenuId);
