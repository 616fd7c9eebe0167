#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where one board is reached, as the user names it with --board or
// TUNEVO_BOARD: a serial device ("/dev/rfcomm0"), a Bluetooth address with
// an optional RFCOMM channel ("AA:BB:CC:DD:EE:FF" or "AA:BB:CC:DD:EE:FF/2"),
// or a serial server over TCP ("tcp:HOST:PORT", "tcp:[::1]:PORT").
struct BoardAddress {
    enum class EKind { Device, Rfcomm, Tcp };
    // Without a channel named, the Serial Port service's usual one.
    static constexpr int kDefaultChannel = 1;

    EKind kind = EKind::Device;
    std::string strPath;
    // Most significant byte first, as written.
    std::array<uint8_t, 6> bluetooth{};
    int nChannel = kDefaultChannel;
    std::string strHost;
    uint16_t nTcpPort = 0;
    // How the user knows the board (BlueZ's alias); empty when unknown.
    std::string strName;

    // The address as it is written, for messages and the board last used.
    std::string Text() const;
};

// The environment variable that names a board when --board does not.
inline constexpr const char* kBoardVariable = "TUNEVO_BOARD";

// The board the text names, or nothing with strError saying what is wrong.
std::optional<BoardAddress> ParseBoardAddress(std::string_view text, std::string& strError);
