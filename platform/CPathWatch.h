#pragma once

#include <string>

// Notices a device node (or a link to one) appearing at a path: a serial
// adapter plugged in again, a simulated board started again. Watches the
// path's folder through inotify; never blocks.
class CPathWatch {
public:
    explicit CPathWatch(const std::string& strPath);
    ~CPathWatch();
    CPathWatch(const CPathWatch&) = delete;
    CPathWatch& operator=(const CPathWatch&) = delete;

    // False when the folder cannot be watched (no such folder, no inotify).
    bool IsWatching() const { return m_nWatch >= 0; }
    // Readable when something changed in the folder, for an event loop.
    int Fd() const { return m_nFd; }
    // Whether the path was created or moved in since the last call; reads
    // every change waiting.
    bool TakeAppeared();

private:
    std::string m_strName;  // the path's last part
    int m_nFd = -1;
    int m_nWatch = -1;
};
