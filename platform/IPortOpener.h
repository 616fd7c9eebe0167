#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ISerialPort.h"

// Why a board named by its address could not be reached.
enum class EConnectError {
    None,
    NoBluetooth,  // the kernel has no Bluetooth sockets
    Unreachable,  // out of range, switched off, or no route to the host
    Refused,      // nothing serves that channel or port
    NotPaired,    // the Bluetooth device refused a link it does not trust
    NoSuchHost,   // the host name resolves to nothing
    Other,
};

// Opens numbered ports the way the board's receiver is searched for (0 to 8),
// or the one board the user named.
class IPortOpener {
public:
    virtual ~IPortOpener() = default;

    // Opens port n set up for the board (57600 8N1, raw, non-blocking reads,
    // output queue flushed); nullptr when it does not exist or cannot be had,
    // with bHeld set when that is because another program holds it.
    virtual std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) = 0;

    // How many ports the search tries, from 0: one for a board named by its
    // address, nine otherwise.
    virtual int PortCount() const { return kSearchedPorts; }

    // How port n is named to the user ("tcp:lab:3001"); empty: by its number.
    virtual std::string PortName(int /*nPort*/) const { return {}; }

    // Port n answered the board's open frame and is the one used.
    virtual void Answered(int /*nPort*/) {}

    // Whether the search asks every port and lets the user choose when more
    // than one board answers, instead of taking the first.
    virtual bool OffersChoice() const { return false; }
    // A port taken at once when it answers, with no choice offered: the
    // board used last.
    virtual std::optional<int> SettledPort() const { return std::nullopt; }

    // Why the last open of a named board failed; None for the port search.
    virtual EConnectError LastConnectError() const { return EConnectError::None; }

    static constexpr int kSearchedPorts = 9;
};
