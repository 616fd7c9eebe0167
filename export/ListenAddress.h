#pragma once

#include <optional>
#include <string>

// Where `tunevoctl serve` listens, from --listen: HOST:PORT, [IPV6]:PORT, or
// :PORT for every interface. A port alone means this machine only, and the
// log line says so: a serve is never reachable from the network by surprise.
struct ListenAddress {
    std::string strHost;  // numeric; empty for every interface
    bool bIpv6 = false;
    int nPort = 0;        // 0: any free port
    bool bPortOnly = false;  // given as a port alone, taken as loopback

    // The address as civetweb's "listening_ports" takes it.
    std::string ServerSpec() const;
    // The address for a URL, with the port the server got.
    std::string UrlHost() const;

    // Nothing with strError set when the text is not one of the forms; a
    // host name is looked up to its first address.
    static std::optional<ListenAddress> Parse(const std::string& strText, std::string& strError);
};
