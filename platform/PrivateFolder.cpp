#include "platform/PrivateFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr mode_t kPrivateMode = 0700;

std::string Environment(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr ? pszValue : "";
}

// Empty when the folder is private to the user; otherwise why not.
std::string WhyNotPrivate(const std::string& strPath, uid_t nUser) {
    struct stat info {};
    if (::lstat(strPath.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (S_ISLNK(info.st_mode)) {
        return "it is a symbolic link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "it is not a folder";
    }
    if (info.st_uid != nUser) {
        return "it belongs to another user";
    }
    if ((info.st_mode & 077) != 0) {
        return "others may use it";
    }
    return {};
}

}  // namespace

PrivateFolderPlaces PrivateFolderPlacesNow() {
    PrivateFolderPlaces places;
    places.nUser = ::geteuid();
    places.strRuntimeDir = Environment("XDG_RUNTIME_DIR");
    const passwd* pUser = ::getpwuid(places.nUser);
    const std::string strUser = pUser != nullptr ? pUser->pw_name : std::to_string(places.nUser);
    const std::string strTemp = Environment("TMPDIR");
    places.strTempRuntime =
        (strTemp.empty() ? std::string("/tmp") : strTemp) + "/runtime-" + strUser;
    std::string strCache = Environment("XDG_CACHE_HOME");
    if (strCache.empty() || strCache.front() != '/') {
        const std::string strHome = Environment("HOME");
        strCache = strHome.empty() ? "" : strHome + "/.cache";
    }
    places.strCacheFolder = strCache.empty() ? "" : strCache + "/tunevo";
    return places;
}

std::string FindPrivateFolder(const PrivateFolderPlaces& places, std::string& strWhy) {
    strWhy.clear();
    auto tried = [&strWhy](const std::string& strPath, const std::string& strProblem) {
        strWhy += (strWhy.empty() ? "" : "; ") + strPath + ": " + strProblem;
    };
    // Made when missing, for the user alone; a name someone else took first fails the check.
    auto make = [](const std::string& strPath) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(strPath).parent_path(), error);
        ::mkdir(strPath.c_str(), kPrivateMode);
    };
    if (places.strRuntimeDir.empty()) {
        tried("XDG_RUNTIME_DIR", "not set");
    }
    for (const std::string* pPlace :
         {&places.strRuntimeDir, &places.strTempRuntime, &places.strCacheFolder}) {
        if (pPlace->empty()) {
            continue;
        }
        if (pPlace != &places.strRuntimeDir) {
            make(*pPlace);
        }
        const std::string strProblem = WhyNotPrivate(*pPlace, places.nUser);
        if (strProblem.empty()) {
            strWhy.clear();
            return *pPlace;
        }
        tried(*pPlace, strProblem);
    }
    return {};
}
