#pragma once

#include <string>
#include <string_view>

// The program directory, filled once at start-up before any window exists.
// Never ends in "/"; empty for a program in the root folder.
extern std::string g_szProgramDir;

// Our files, each named from the program directory.
inline constexpr std::string_view kLocaleFileName = "/BT_LocaleStr.ini";
inline constexpr std::string_view kDisplaySettingFileName = "/display_setting.ini";
inline constexpr std::string_view kProfileFileName = "/saved_profile1.ini";
inline constexpr std::string_view kBoardConfigFileName = "/BiosConf_Kolt_V120.ini";
inline constexpr std::string_view kMessageFileName = "/dbcd-V03.ini";

// The directory followed by the file name, which begins with "/". Any length.
std::string MakeIniPath(std::string_view programDir, std::string_view fileName);
