#pragma once

#include <mutex>
#include <string>

// One line of progress on standard error, redrawn in place while the board
// is read. Only on a terminal, and not with --quiet: scripts read the output.
class CCtlProgress {
public:
    static CCtlProgress& Instance();

    // Shows the line from now on when standard error is a terminal.
    void Enable(bool bWanted);
    // Replaces the line; from any thread.
    void Show(const std::string& strText);
    // Wipes the line, before anything else is printed.
    void Clear();

private:
    std::mutex m_mutex;
    bool m_bEnabled = false;
    bool m_bShown = false;
};
