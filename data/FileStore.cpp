#include "data/FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A new file may be read and written by everyone the umask allows.
mode_t NewFileMode() {
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return 0666 & ~nMask;
}
const mode_t kNewFileMode = NewFileMode();

bool WriteAll(int nFile, std::string_view bytes) {
    for (size_t nDone = 0; nDone < bytes.size();) {
        const ssize_t nWritten = ::write(nFile, bytes.data() + nDone, bytes.size() - nDone);
        if (nWritten < 0 && errno == EINTR) {
            continue;
        }
        if (nWritten <= 0) {
            return false;
        }
        nDone += static_cast<size_t>(nWritten);
    }
    return true;
}

// The file's own inode rewritten: owner, mode and links stay as they are.
bool RewriteInPlace(const std::string& strPath, std::string_view bytes) {
    const int nFile = ::open(strPath.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (nFile < 0) {
        return false;
    }
    struct stat info {};
    bool bOk = ::fstat(nFile, &info) == 0 && S_ISREG(info.st_mode) && WriteAll(nFile, bytes) &&
               ::ftruncate(nFile, static_cast<off_t>(bytes.size())) == 0 && ::fsync(nFile) == 0;
    bOk = ::close(nFile) == 0 && bOk;
    return bOk;
}

}  // namespace

bool ReadRegularFile(const std::string& strPath, std::string& bytes) {
    // Non-blocking, so that opening a pipe cannot hang; only a regular file is read.
    const int nFile = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFile < 0) {
        return false;
    }
    struct stat info {};
    bool bOk = ::fstat(nFile, &info) == 0 && S_ISREG(info.st_mode);
    bytes.clear();
    char buffer[16384];
    while (bOk) {
        const ssize_t nRead = ::read(nFile, buffer, sizeof(buffer));
        if (nRead < 0 && errno == EINTR) {
            continue;
        }
        bOk = nRead >= 0;
        if (nRead <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(nRead));
    }
    ::close(nFile);
    return bOk;
}

bool IsReadOnlyFile(const std::string& strPath) {
    struct stat info {};
    // Even root leaves a file without write bits alone.
    return ::stat(strPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ((info.st_mode & 0222) == 0 || ::access(strPath.c_str(), W_OK) != 0);
}

bool ReplaceFileWhole(const std::string& strPath, std::string_view bytes, std::string* pstrWhy) {
    auto refuse = [pstrWhy](std::string strWhy) {
        if (pstrWhy != nullptr) {
            *pstrWhy = std::move(strWhy);
        }
        return false;
    };
    struct stat info {};
    const bool bExists = ::lstat(strPath.c_str(), &info) == 0;
    if (bExists && S_ISLNK(info.st_mode)) {
        // The user keeps the file elsewhere: the link stays, its file is replaced.
        char* pszTarget = ::realpath(strPath.c_str(), nullptr);
        if (pszTarget == nullptr) {
            return refuse("it is a symbolic link to nothing (" + std::string(std::strerror(errno)) +
                          ")");
        }
        const std::string strTarget(pszTarget);
        std::free(pszTarget);
        return ReplaceFileWhole(strTarget, bytes, pstrWhy);
    }
    const bool bRegular = bExists && S_ISREG(info.st_mode);
    if (bExists && !bRegular) {
        // A directory or a pipe is no file of ours to replace.
        return refuse(S_ISDIR(info.st_mode) ? "a folder stands in its place"
                                            : "something other than a file stands in its place");
    }
    if (bRegular && IsReadOnlyFile(strPath)) {
        // Without any read bit either, the user shut the file: say so as it is.
        return refuse((info.st_mode & 0444) == 0 ? "it is shut (neither readable nor writable)"
                                                 : "it is read-only");
    }
    std::string strTemp = strPath + ".XXXXXX";
    const int nFile = ::mkstemp(strTemp.data());
    if (nFile < 0) {
        const std::string strError = std::strerror(errno);
        return (bRegular && RewriteInPlace(strPath, bytes)) ||
               refuse("its folder takes no new file (" + strError + ")");
    }
    bool bOk = ::fchmod(nFile, bRegular ? (info.st_mode & 07777) : kNewFileMode) == 0;
    // A save by another user (root through sudo) must not take the file away
    // from its owner; where the owner cannot be kept, the file is rewritten.
    const bool bOwnerKept = !bRegular ||
                            (info.st_uid == ::geteuid() && info.st_gid == ::getegid()) ||
                            ::fchown(nFile, info.st_uid, info.st_gid) == 0;
    bOk = bOk && bOwnerKept && WriteAll(nFile, bytes) && ::fsync(nFile) == 0;
    bOk = ::close(nFile) == 0 && bOk;
    if (!bOk || ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        const std::string strError = std::strerror(errno);
        ::unlink(strTemp.c_str());
        return (!bOwnerKept && RewriteInPlace(strPath, bytes)) ||
               refuse("writing it failed (" + strError + ")");
    }
    return true;
}
