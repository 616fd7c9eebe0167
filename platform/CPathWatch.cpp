#include "platform/CPathWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cstring>

CPathWatch::CPathWatch(const std::string& strPath) {
    const size_t nSlash = strPath.rfind('/');
    if (nSlash == std::string::npos || nSlash + 1 >= strPath.size()) {
        return;
    }
    m_strName = strPath.substr(nSlash + 1);
    const std::string strFolder = nSlash == 0 ? "/" : strPath.substr(0, nSlash);
    m_nFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_nFd >= 0) {
        m_nWatch = ::inotify_add_watch(m_nFd, strFolder.c_str(), IN_CREATE | IN_MOVED_TO);
    }
}

CPathWatch::~CPathWatch() {
    if (m_nFd >= 0) {
        ::close(m_nFd);
    }
}

bool CPathWatch::TakeAppeared() {
    if (m_nWatch < 0) {
        return false;
    }
    bool bAppeared = false;
    alignas(inotify_event) std::array<char, 4096> buffer{};
    for (ssize_t nRead = 0; (nRead = ::read(m_nFd, buffer.data(), buffer.size())) > 0;) {
        for (ssize_t nAt = 0; nAt < nRead;) {
            const auto* pEvent = reinterpret_cast<const inotify_event*>(buffer.data() + nAt);
            if (pEvent->len > 0 && m_strName == pEvent->name) {
                bAppeared = true;
            }
            nAt += static_cast<ssize_t>(sizeof(inotify_event) + pEvent->len);
        }
    }
    return bAppeared;
}
