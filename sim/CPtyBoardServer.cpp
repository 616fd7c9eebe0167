#include "sim/CPtyBoardServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kPollSliceMs = 50;
constexpr size_t kReadChunk = 256;

std::string ErrnoText(const char* pszWhat) {
    return std::string(pszWhat) + ": " + std::strerror(errno);
}

}  // namespace

CPtyBoardServer::CPtyBoardServer(std::shared_ptr<CBoardModel> pBoard)
    : m_pBoard(std::move(pBoard)) {}

CPtyBoardServer::~CPtyBoardServer() {
    Stop();
}

bool CPtyBoardServer::Start(const std::string& strLinkPath, std::string& strError) {
    Stop();
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(strLinkPath, error);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        strError = strLinkPath + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    m_nMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_nMaster < 0 || grantpt(m_nMaster) != 0 || unlockpt(m_nMaster) != 0) {
        strError = ErrnoText("cannot open a pseudo-terminal");
        Stop();
        return false;
    }
    char szName[128] = {};
    if (ptsname_r(m_nMaster, szName, sizeof(szName)) != 0) {
        strError = ErrnoText("cannot name the pseudo-terminal");
        Stop();
        return false;
    }
    m_strTerminal = szName;
    m_nSlave = ::open(szName, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_nSlave < 0 || tcgetattr(m_nSlave, &tio) != 0) {
        strError = ErrnoText("cannot set up the pseudo-terminal");
        Stop();
        return false;
    }
    // Raw before any client opens it: an echo would send requests back to us.
    cfmakeraw(&tio);
    tcsetattr(m_nSlave, TCSANOW, &tio);
    fs::remove(strLinkPath, error);
    fs::create_symlink(m_strTerminal, strLinkPath, error);
    if (error) {
        strError = "cannot create " + strLinkPath + ": " + error.message();
        Stop();
        return false;
    }
    m_strLink = strLinkPath;
    m_thread = std::jthread([this](std::stop_token stop) { Serve(stop); });
    return true;
}

void CPtyBoardServer::Stop() {
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
    if (!m_strLink.empty()) {
        std::error_code error;
        std::filesystem::remove(m_strLink, error);
        m_strLink.clear();
    }
    if (m_nSlave >= 0) {
        ::close(m_nSlave);
        m_nSlave = -1;
    }
    if (m_nMaster >= 0) {
        ::close(m_nMaster);
        m_nMaster = -1;
    }
}

bool CPtyBoardServer::WriteAll(const std::vector<uint8_t>& bytes) {
    size_t nDone = 0;
    while (nDone < bytes.size()) {
        ssize_t nWritten = ::write(m_nMaster, bytes.data() + nDone, bytes.size() - nDone);
        if (nWritten < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            return false;
        }
        nDone += static_cast<size_t>(nWritten);
    }
    return true;
}

void CPtyBoardServer::Serve(std::stop_token stop) {
    std::vector<uint8_t> buffer(kReadChunk);
    while (!stop.stop_requested()) {
        pollfd pfd{m_nMaster, POLLIN, 0};
        if (::poll(&pfd, 1, kPollSliceMs) <= 0 || (pfd.revents & POLLIN) == 0) {
            continue;
        }
        ssize_t nRead = ::read(m_nMaster, buffer.data(), buffer.size());
        if (nRead <= 0) {
            continue;
        }
        for (CBoardModel::Reply& reply :
             m_pBoard->Feed(std::span(buffer.data(), static_cast<size_t>(nRead)))) {
            // Pace the reply as the radio link would deliver it.
            std::this_thread::sleep_for(reply.delay);
            if (stop.stop_requested() || !WriteAll(reply.bytes)) {
                break;
            }
        }
    }
}
