#pragma once

#include <string>

struct HttpReply {
    int nStatus = 0;  // 0 when no HTTP reply came
    std::string strBody;
};

// One GET to a loopback port, the connection closed after it.
HttpReply HttpGet(int nPort, const std::string& strTarget);
