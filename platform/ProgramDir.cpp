#include "platform/ProgramDir.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

std::string WithoutTrailingSlashes(std::string strDir) {
    while (!strDir.empty() && strDir.back() == '/') {
        strDir.pop_back();
    }
    return strDir;
}

std::string Variable(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr ? pszValue : "";
}

}  // namespace

std::string DirectoryOf(std::string_view path) {
    size_t nSlash = path.rfind('/');
    if (nSlash == std::string_view::npos) {
        return std::string();
    }
    return std::string(path.substr(0, nSlash));
}

ProgramFolders ChooseProgramFolders(const FolderFacts& facts) {
    ProgramFolders folders;
    // An installed program in <prefix>/bin finds its texts in <prefix>/share/tunevo.
    folders.strTexts = facts.bTextsBesideProgram ? facts.strExeDir
                                                 : DirectoryOf(facts.strExeDir) + "/share/tunevo";
    if (!facts.strOverride.empty()) {
        folders.strFiles = WithoutTrailingSlashes(facts.strOverride);
        // A folder the user names is made when missing, as the per-user one
        // is; "/" (left empty here) always exists.
        folders.bCreate = !folders.strFiles.empty();
    } else if (facts.bTextsBesideProgram) {
        folders.strFiles = facts.strExeDir;
    } else {
        // A relative XDG_DATA_HOME is to be ignored, as the base-directory rules say.
        const bool bDataHome = !facts.strDataHome.empty() && facts.strDataHome.front() == '/';
        const std::string strBase = bDataHome               ? facts.strDataHome
                                    : facts.strHome.empty() ? std::string()
                                                            : facts.strHome + "/.local/share";
        folders.strFiles = strBase.empty() ? "" : WithoutTrailingSlashes(strBase) + "/tunevo";
        folders.bCreate = true;
    }
    return folders;
}

bool FindProgramFolders(ProgramFolders& folders, std::string& strError) {
    FolderFacts facts;
    facts.strOverride = Variable(kProgramDirVariable);
    std::error_code error;
    facts.strExeDir = DirectoryOf(std::filesystem::read_symlink("/proc/self/exe", error).string());
    facts.bTextsBesideProgram =
        std::filesystem::is_regular_file(facts.strExeDir + "/" + kTextsMarker, error);
    facts.strDataHome = Variable("XDG_DATA_HOME");
    facts.strHome = Variable("HOME");
    folders = ChooseProgramFolders(facts);
    if (folders.bCreate && folders.strFiles.empty()) {
        strError = "no folder for Tunevo's files: neither XDG_DATA_HOME nor HOME is set";
        return false;
    }
    return !folders.bCreate || CreatePrivateFolder(folders.strFiles, strError);
}

bool CreatePrivateFolder(const std::string& strFolder, std::string& strError) {
    std::error_code error;
    std::filesystem::create_directories(DirectoryOf(strFolder), error);
    // Only the user may read the board's description and the profiles.
    if (::mkdir(strFolder.c_str(), 0700) != 0 && errno != EEXIST) {
        strError = "cannot create " + strFolder + ": " + std::strerror(errno);
        return false;
    }
    if (!std::filesystem::is_directory(strFolder, error)) {
        strError = "cannot use " + strFolder + ": it is not a folder";
        return false;
    }
    return true;
}
