#pragma once

#include <string>
#include <string_view>

// Tunevo's folder for its files (the program directory of old), chosen once
// at start-up by the folder rule before any window exists.
// Never ends in "/"; empty for a program in the root folder.
extern std::string g_szProgramDir;

// Where the read-only texts (the locale texts, the POST-code texts) are read
// when the program directory has none: an installed copy's share/tunevo.
extern std::string g_szTextsDir;

// Our files, each named from the program directory.
inline constexpr std::string_view kLocaleFileName = "/BT_LocaleStr.ini";
inline constexpr std::string_view kDisplaySettingFileName = "/display_setting.ini";
inline constexpr std::string_view kProfileFileName = "/saved_profile1.ini";
inline constexpr std::string_view kBoardConfigFileName = "/BiosConf_Kolt_V120.ini";
inline constexpr std::string_view kMessageFileName = "/dbcd-V03.ini";

// The directory followed by the file name, which begins with "/". Any length.
std::string MakeIniPath(std::string_view programDir, std::string_view fileName);

// A read-only text's path: in the program directory when it lies there,
// otherwise in g_szTextsDir (when set).
std::string TextFilePath(std::string_view programDir, std::string_view fileName);

// The simulated board's own folder inside Tunevo's: its description,
// profiles and settings never touch a real board's.
std::string DemoFolder(std::string_view programDir);

// Fills g_szProgramDir and g_szTextsDir by the folder rule, creating the
// per-user folder where that is the choice; false with the reason otherwise
// (g_szTextsDir is filled even then).
bool UseProgramFolders(std::string& strError);
