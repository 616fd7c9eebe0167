#pragma once

#include <string>
#include <string_view>

// Where the program keeps its files. A build tree or a portable copy keeps
// them beside the program, as the old platform did; an installed copy keeps
// the files it writes in one private folder per user and reads its texts
// from the installed share/tunevo.
struct ProgramFolders {
    std::string strFiles;  // the INI files it reads and writes; never ends in "/"
    std::string strTexts;  // where the read-only texts are read when strFiles has none
    bool bCreate = false;  // strFiles is made on first use
};

// What the rule looks at, read from the environment and /proc/self/exe.
struct FolderFacts {
    std::string strOverride;  // TUNEVO_DIR
    std::string strExeDir;    // the program's own folder
    bool bTextsBesideProgram = false;
    std::string strDataHome;  // XDG_DATA_HOME
    std::string strHome;      // HOME
};

// TUNEVO_DIR when set; the program's folder when the texts lie beside it;
// otherwise $XDG_DATA_HOME/tunevo, or ~/.local/share/tunevo when that
// variable is unset or relative. Empty files folder: no home to use.
ProgramFolders ChooseProgramFolders(const FolderFacts& facts);

// Reads the facts, chooses, and creates the per-user folder (mode 0700)
// when that is the choice; false with the reason when it cannot.
bool FindProgramFolders(ProgramFolders& folders, std::string& strError);

// Creates the folder, and the folders above it, unless it exists: mode 0700,
// for the user alone. False with the reason when it cannot.
bool CreatePrivateFolder(const std::string& strFolder, std::string& strError);

// The folder part of a file path: everything before the last "/".
std::string DirectoryOf(std::string_view path);

inline constexpr const char* kProgramDirVariable = "TUNEVO_DIR";
// The read-only text whose presence marks a build tree or a portable copy.
inline constexpr const char* kTextsMarker = "BT_LocaleStr.ini";
