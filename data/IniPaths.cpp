#include "data/IniPaths.h"

#include <filesystem>
#include <system_error>

#include "platform/ProgramDir.h"

std::string g_szProgramDir;
std::string g_szTextsDir;

std::string MakeIniPath(std::string_view programDir, std::string_view fileName) {
    std::string strPath;
    strPath.reserve(programDir.size() + fileName.size());
    strPath.append(programDir);
    strPath.append(fileName);
    return strPath;
}

std::string TextFilePath(std::string_view programDir, std::string_view fileName) {
    std::string strPath = MakeIniPath(programDir, fileName);
    std::error_code error;
    if (g_szTextsDir.empty() || std::filesystem::is_regular_file(strPath, error)) {
        return strPath;
    }
    return MakeIniPath(g_szTextsDir, fileName);
}

std::string DemoFolder(std::string_view programDir) {
    return std::string(programDir) + "/demo";
}

bool UseProgramFolders(std::string& strError) {
    ProgramFolders folders;
    const bool bFound = FindProgramFolders(folders, strError);
    // The texts are readable even when the files folder is not, so that the
    // reason can be given in the user's language.
    g_szTextsDir = folders.strTexts;
    if (bFound) {
        g_szProgramDir = folders.strFiles;
    }
    return bFound;
}
