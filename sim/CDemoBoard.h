#pragma once

#include <memory>
#include <string>

#include "sim/CBoardModel.h"
#include "sim/CPtyBoardServer.h"

// The simulated board inside the program (tunevo --demo): served on a
// pseudo-terminal in a private temporary folder, found by the port search
// through the pattern it gives.
class CDemoBoard {
public:
    CDemoBoard();
    ~CDemoBoard();
    CDemoBoard(const CDemoBoard&) = delete;
    CDemoBoard& operator=(const CDemoBoard&) = delete;

    // Creates the folder and serves the board; false with the reason otherwise.
    bool Start(std::string& strError);

    // The port pattern under which the search finds the board (at port 0).
    std::string PortPattern() const { return m_strFolder + "/rfcomm%d"; }
    // The simulated board's own alarm log, gone with it: its stopped fan
    // does not belong in the user's log of real boards.
    std::string AlarmLogPath() const { return m_strFolder + "/alarms.jsonl"; }

private:
    std::shared_ptr<CBoardModel> m_pBoard;
    CPtyBoardServer m_server;
    std::string m_strFolder;
};
