#include "tests/support/HttpGet.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <array>
#include <cstdio>

HttpReply HttpRequest(int nPort, const std::string& strMethod, const std::string& strTarget,
                      const std::string& strHeaders, int nTimeoutMs) {
    HttpReply reply;
    const int nFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (nFd < 0) {
        return reply;
    }
    const timeval timeout{nTimeoutMs / 1000, (nTimeoutMs % 1000) * 1000};
    ::setsockopt(nFd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(nPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string strRequest =
        strMethod + " " + strTarget + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
        strHeaders + "\r\n";
    std::string strResponse;
    if (::connect(nFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::send(nFd, strRequest.data(), strRequest.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(strRequest.size())) {
        std::array<char, 4096> buffer{};
        for (ssize_t nRead = 0; (nRead = ::recv(nFd, buffer.data(), buffer.size(), 0)) > 0;) {
            strResponse.append(buffer.data(), static_cast<size_t>(nRead));
        }
    }
    ::close(nFd);
    const size_t nBodyAt = strResponse.find("\r\n\r\n");
    if (strResponse.rfind("HTTP/1.", 0) != 0 || nBodyAt == std::string::npos ||
        std::sscanf(strResponse.c_str(), "HTTP/1.%*d %d", &reply.nStatus) != 1) {
        return reply;
    }
    // The server sends its body whole, with a length, never in chunks.
    reply.strHead = strResponse.substr(0, nBodyAt + 2);
    reply.strBody = strResponse.substr(nBodyAt + 4);
    return reply;
}
