#include "data/IniPaths.h"

std::string g_szProgramDir;

std::string MakeIniPath(std::string_view programDir, std::string_view fileName) {
    std::string strPath;
    strPath.reserve(programDir.size() + fileName.size());
    strPath.append(programDir);
    strPath.append(fileName);
    return strPath;
}
