#include "tests/support/CChildProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

CChildProcess::CChildProcess(const std::string& strProgram, const std::vector<std::string>& args,
                             const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> argStrings{strProgram};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    std::vector<std::string> envStrings(extraEnvironment);
    for (char** ppEnv = environ; *ppEnv != nullptr; ++ppEnv) {
        envStrings.emplace_back(*ppEnv);
    }
    std::vector<char*> envp;
    for (std::string& entry : envStrings) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    if (posix_spawn(&m_nPid, strProgram.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        m_nPid = -1;
    }
}

CChildProcess::~CChildProcess() {
    if (m_nPid > 0) {
        Terminate();
    }
}

int CChildProcess::Terminate() {
    if (m_nPid <= 0) {
        return -1;
    }
    kill(m_nPid, SIGTERM);
    int nStatus = WaitExit(5000);
    if (nStatus == -1) {
        kill(m_nPid, SIGKILL);
        waitpid(m_nPid, &nStatus, 0);
    }
    m_nPid = -1;
    return nStatus;
}

int CChildProcess::WaitExit(int nTimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_nPid > 0) {
        int nStatus = 0;
        pid_t nDone = waitpid(m_nPid, &nStatus, WNOHANG);
        if (nDone == m_nPid) {
            m_nPid = -1;
            return nStatus;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}
