#include "platform/ProgramDir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string DirectoryOf(std::string_view path) {
    size_t nSlash = path.rfind('/');
    if (nSlash == std::string_view::npos) {
        return std::string();
    }
    return std::string(path.substr(0, nSlash));
}

std::string GetProgramDir() {
    const char* pszOverride = std::getenv(kProgramDirVariable);
    if (pszOverride != nullptr && *pszOverride != '\0') {
        std::string strDir(pszOverride);
        while (!strDir.empty() && strDir.back() == '/') {
            strDir.pop_back();
        }
        return strDir;
    }
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::string();
    }
    return DirectoryOf(exe.string());
}
