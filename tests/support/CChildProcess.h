#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

// A program started for a test, terminated and reaped when the object goes.
class CChildProcess {
public:
    // Starts the program with the arguments and extra "NAME=value" environment.
    CChildProcess(const std::string& strProgram, const std::vector<std::string>& args,
                  const std::vector<std::string>& extraEnvironment = {});
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_nPid > 0; }
    pid_t Pid() const { return m_nPid; }
    // Sends SIGTERM and waits; returns the exit status as waitpid gives it.
    int Terminate();
    // Waits up to the timeout for the program to end by itself; -1 if it did not.
    int WaitExit(int nTimeoutMs);

private:
    pid_t m_nPid = -1;
};
