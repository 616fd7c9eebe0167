#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A program started for a test, terminated and reaped when the object goes.
class CChildProcess {
public:
    // Starts the program with the arguments and extra "NAME=value"
    // environment; its standard output, and its standard error, go to a
    // file each when one is named.
    CChildProcess(const std::string& strProgram, std::vector<std::string> args,
                  const std::vector<std::string>& extraEnvironment = {},
                  const std::string& strOutputFile = {}, const std::string& strErrorFile = {});
    ~CChildProcess() { Terminate(); }
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    pid_t Pid() const { return m_nPid; }
    // Waits up to the timeout for the program to end by itself: its exit code,
    // 1000 plus the signal that ended it, or -1 while it still runs.
    int WaitExit(int nTimeoutMs);
    // Sends SIGTERM (SIGKILL five seconds later) and returns what WaitExit gives.
    int Terminate();

private:
    pid_t m_nPid = -1;
};
