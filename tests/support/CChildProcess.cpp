#include "tests/support/CChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <utility>

extern char** environ;

namespace {

// The strings as the null-ended pointer array exec wants.
std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& string : strings) {
        pointers.push_back(string.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

CChildProcess::CChildProcess(const std::string& strProgram, std::vector<std::string> args,
                             const std::vector<std::string>& extraEnvironment,
                             const std::string& strOutputFile,
                             const std::string& strErrorFile) {
    args.insert(args.begin(), strProgram);
    std::vector<std::string> environment(extraEnvironment);
    for (char** ppEntry = environ; *ppEntry != nullptr; ++ppEntry) {
        environment.emplace_back(*ppEntry);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [nFd, strFile] : {std::pair{STDOUT_FILENO, &strOutputFile},
                                       std::pair{STDERR_FILENO, &strErrorFile}}) {
        if (!strFile->empty()) {
            posix_spawn_file_actions_addopen(&actions, nFd, strFile->c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
    }
    if (posix_spawn(&m_nPid, strProgram.c_str(), &actions, nullptr, Pointers(args).data(),
                    Pointers(environment).data()) != 0) {
        m_nPid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

int CChildProcess::WaitExit(int nTimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMs);
    while (m_nPid > 0) {
        int nStatus = 0;
        if (waitpid(m_nPid, &nStatus, WNOHANG) == m_nPid) {
            m_nPid = -1;
            return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : 1000 + WTERMSIG(nStatus);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

int CChildProcess::Terminate() {
    if (m_nPid <= 0) {
        return -1;
    }
    kill(m_nPid, SIGTERM);
    const int nExit = WaitExit(5000);
    if (nExit != -1) {
        return nExit;
    }
    kill(m_nPid, SIGKILL);
    return WaitExit(5000);
}
