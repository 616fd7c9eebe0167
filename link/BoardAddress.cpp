#include "link/BoardAddress.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr int kLastChannel = 30;

// A decimal number within [nLow, nHigh], the whole text and nothing else.
std::optional<int> NumberIn(std::string_view text, int nLow, int nHigh) {
    int nValue = 0;
    const auto [pEnd, error] = std::from_chars(text.data(), text.data() + text.size(), nValue);
    if (text.empty() || error != std::errc() || pEnd != text.data() + text.size() ||
        nValue < nLow || nValue > nHigh) {
        return std::nullopt;
    }
    return nValue;
}

std::optional<std::array<uint8_t, 6>> BluetoothAddress(std::string_view text) {
    // Six pairs of hexadecimal digits parted by colons.
    constexpr size_t kLength = 17;
    std::array<uint8_t, 6> address{};
    if (text.size() != kLength) {
        return std::nullopt;
    }
    for (size_t i = 0; i < address.size(); ++i) {
        const std::string_view pair = text.substr(i * 3, 2);
        if ((i > 0 && text[i * 3 - 1] != ':') ||
            std::from_chars(pair.data(), pair.data() + 2, address[i], 16).ptr != pair.data() + 2) {
            return std::nullopt;
        }
    }
    return address;
}

std::optional<BoardAddress> Tcp(std::string_view rest, std::string& strError) {
    // The port follows the last colon; an IPv6 host is written in brackets.
    const size_t nColon = rest.rfind(':');
    std::string_view host = nColon == std::string_view::npos ? "" : rest.substr(0, nColon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const std::optional<int> port = nColon == std::string_view::npos
                                        ? std::nullopt
                                        : NumberIn(rest.substr(nColon + 1), 1, 65535);
    if (host.empty() || !port) {
        strError = "a serial server is named tcp:HOST:PORT, with a port from 1 to 65535";
        return std::nullopt;
    }
    BoardAddress address;
    address.kind = BoardAddress::EKind::Tcp;
    address.strHost = std::string(host);
    address.nTcpPort = static_cast<uint16_t>(*port);
    return address;
}

}  // namespace

std::string BoardAddress::Text() const {
    switch (kind) {
        case EKind::Device:
            return strPath;
        case EKind::Tcp: {
            const bool bIpv6 = strHost.find(':') != std::string::npos;
            std::string strText = "tcp:";
            strText += bIpv6 ? "[" + strHost + "]" : strHost;
            strText += ":";
            strText += std::to_string(nTcpPort);
            return strText;
        }
        case EKind::Rfcomm:
            break;
    }
    char szText[32];
    std::snprintf(szText, sizeof(szText), "%02X:%02X:%02X:%02X:%02X:%02X/%d", bluetooth[0],
                  bluetooth[1], bluetooth[2], bluetooth[3], bluetooth[4], bluetooth[5], nChannel);
    return szText;
}

std::optional<BoardAddress> ParseBoardAddress(std::string_view text, std::string& strError) {
    strError.clear();
    if (text.starts_with("tcp:")) {
        return Tcp(text.substr(4), strError);
    }
    if (text.starts_with("/")) {
        BoardAddress address;
        address.strPath = std::string(text);
        return address;
    }
    const size_t nSlash = text.find('/');
    const std::optional<std::array<uint8_t, 6>> bluetooth =
        BluetoothAddress(text.substr(0, nSlash));
    const std::optional<int> channel = nSlash == std::string_view::npos
                                           ? BoardAddress::kDefaultChannel
                                           : NumberIn(text.substr(nSlash + 1), 1, kLastChannel);
    if (!bluetooth || !channel) {
        // Built in a string of its own: GCC 12 misreads edits of the caller's string.
        std::string strWhy(1, '\'');
        strWhy.append(text);
        strWhy.append(
            "' names no board: give a Bluetooth address (AA:BB:CC:DD:EE:FF, or "
            "AA:BB:CC:DD:EE:FF/2 for channel 2 of 1 to 30), tcp:HOST:PORT, or a device path "
            "such as /dev/rfcomm0");
        strError = std::move(strWhy);
        return std::nullopt;
    }
    BoardAddress address;
    address.kind = BoardAddress::EKind::Rfcomm;
    address.bluetooth = *bluetooth;
    address.nChannel = *channel;
    return address;
}
