#pragma once

#include <memory>
#include <string>
#include <thread>

#include "sim/CBoardModel.h"

// Serves a board model on a pseudo-terminal, so that the program reaches it
// through a real serial device. A symbolic link names the terminal where the
// port search looks, e.g. /tmp/x/rfcomm5 for the pattern /tmp/x/rfcomm%d.
class CPtyBoardServer {
public:
    explicit CPtyBoardServer(std::shared_ptr<CBoardModel> pBoard);
    ~CPtyBoardServer();
    CPtyBoardServer(const CPtyBoardServer&) = delete;
    CPtyBoardServer& operator=(const CPtyBoardServer&) = delete;

    // Opens the terminal, makes strLinkPath point at it (replacing an older
    // link, never a regular file) and starts serving on a thread. On failure
    // returns false and says why in strError.
    bool Start(const std::string& strLinkPath, std::string& strError);

    // Stops serving, closes the terminal and removes the link.
    void Stop();

    const std::string& TerminalPath() const { return m_strTerminal; }

private:
    void Serve(std::stop_token stop);
    bool WriteAll(const std::vector<uint8_t>& bytes);

    std::shared_ptr<CBoardModel> m_pBoard;
    int m_nMaster = -1;
    // Held open so the terminal outlives each client that opens and closes it.
    int m_nSlave = -1;
    std::string m_strTerminal;
    std::string m_strLink;
    std::jthread m_thread;
};
