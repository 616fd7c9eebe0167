#include "export/ListenAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <charconv>

namespace {

constexpr int kMostPort = 65535;

bool ParsePort(std::string_view text, int& nPort) {
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nPort);
    return !text.empty() && error == std::errc() && pEnd == text.data() + text.size() &&
           nPort >= 0 && nPort <= kMostPort;
}

// The first address a host name or numeric address stands for; an IPv4
// one where there is one (the HTTP server may have no IPv6).
bool Resolve(const std::string& strHost, bool bIpv6Only, std::string& strNumeric, bool& bIpv6,
             std::string& strError) {
    addrinfo hints{};
    hints.ai_family = bIpv6Only ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pFound = nullptr;
    int nResult = ::getaddrinfo(strHost.c_str(), nullptr, &hints, &pFound);
    if (nResult != 0 && !bIpv6Only) {
        hints.ai_family = AF_INET6;
        nResult = ::getaddrinfo(strHost.c_str(), nullptr, &hints, &pFound);
    }
    if (nResult != 0 || pFound == nullptr) {
        strError = "no such address: " + strHost + " (" + ::gai_strerror(nResult) + ")";
        return false;
    }
    char szAddress[INET6_ADDRSTRLEN] = {};
    bIpv6 = pFound->ai_family == AF_INET6;
    const void* pAddress =
        bIpv6 ? static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(pFound->ai_addr)->sin6_addr)
              : static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(pFound->ai_addr)->sin_addr);
    ::inet_ntop(pFound->ai_family, pAddress, szAddress, sizeof(szAddress));
    ::freeaddrinfo(pFound);
    strNumeric = szAddress;
    return true;
}

}  // namespace

std::string ListenAddress::ServerSpec() const {
    if (strHost.empty()) {
        return std::to_string(nPort);  // every interface
    }
    return (bIpv6 ? "[" + strHost + "]" : strHost) + ":" + std::to_string(nPort);
}

std::string ListenAddress::UrlHost() const {
    if (strHost.empty()) {
        return "0.0.0.0";
    }
    return bIpv6 ? "[" + strHost + "]" : strHost;
}

std::optional<ListenAddress> ListenAddress::Parse(const std::string& strText,
                                                  std::string& strError) {
    const std::string strForms = "--listen takes HOST:PORT, [IPV6]:PORT or :PORT, such as "
                                 "127.0.0.1:9810";
    ListenAddress address;
    const size_t nColon = strText.rfind(':');
    if (nColon == std::string::npos) {
        // A port alone: this machine only.
        if (!ParsePort(strText, address.nPort)) {
            strError = strForms;
            return std::nullopt;
        }
        address.strHost = "127.0.0.1";
        address.bPortOnly = true;
        return address;
    }
    if (!ParsePort(std::string_view(strText).substr(nColon + 1), address.nPort)) {
        strError = strForms + "; the port is a number from 0 to 65535";
        return std::nullopt;
    }
    std::string strHost = strText.substr(0, nColon);
    if (strHost.empty()) {
        return address;  // every interface
    }
    const bool bBracketed = strHost.front() == '[';
    if (bBracketed) {
        if (strHost.size() < 3 || strHost.back() != ']') {
            strError = strForms;
            return std::nullopt;
        }
        strHost = strHost.substr(1, strHost.size() - 2);
    } else if (strHost.find(':') != std::string::npos) {
        strError = strForms + "; an IPv6 address goes in brackets: [::1]:9810";
        return std::nullopt;
    }
    if (!Resolve(strHost, bBracketed, address.strHost, address.bIpv6, strError)) {
        return std::nullopt;
    }
    return address;
}
