#pragma once

#include <string>

struct HttpReply {
    int nStatus = 0;  // 0 when no HTTP reply came in time
    std::string strHead;  // the status line and headers
    std::string strBody;
};

// One request to a loopback port, the connection closed after it; extra
// header lines end in "\r\n". Gives up after nTimeoutMs without a reply.
HttpReply HttpRequest(int nPort, const std::string& strMethod, const std::string& strTarget,
                      const std::string& strHeaders = {}, int nTimeoutMs = 30000);

inline HttpReply HttpGet(int nPort, const std::string& strTarget) {
    return HttpRequest(nPort, "GET", strTarget);
}
