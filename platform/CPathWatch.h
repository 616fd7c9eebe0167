#pragma once

#include <string>

#include "platform/IReturnWatch.h"

// Notices a device node (or a link to one) appearing at a path: a serial
// adapter plugged in again, a simulated board started again. Watches the
// path's folder through inotify; never blocks.
class CPathWatch final : public IReturnWatch {
public:
    explicit CPathWatch(const std::string& strPath);
    ~CPathWatch() override;
    CPathWatch(const CPathWatch&) = delete;
    CPathWatch& operator=(const CPathWatch&) = delete;

    // False when the folder cannot be watched (no such folder, no inotify).
    bool IsWatching() const override { return m_nWatch >= 0; }
    // Readable when something changed in the folder, for an event loop.
    int Fd() const override { return m_nFd; }
    // Whether the path was created or moved in since the last call; reads
    // every change waiting.
    bool TakeAppeared() override;

private:
    std::string m_strName;  // the path's last part
    int m_nFd = -1;
    int m_nWatch = -1;
};
