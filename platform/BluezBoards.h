#pragma once

#include <string>
#include <vector>

// A Bluetooth device BlueZ knows that offers the Serial Port profile.
struct BluezBoard {
    std::string strAddress;  // AA:BB:CC:DD:EE:FF
    std::string strAlias;    // the name the user sees in the desktop's settings
    bool bPaired = false;
    bool bConnected = false;
};

// What BlueZ says on the system bus, read with sd-bus.
struct BluezView {
    enum class EState { Read, NoSystemBus, NoBluez, Failed };
    EState state = EState::Failed;
    // Whether some adapter is powered; false when there is none.
    bool bAdapterPowered = false;
    // Paired boards first, each group by address.
    std::vector<BluezBoard> boards;
    // The bus's own words when it could not be read.
    std::string strProblem;
};

// The Serial Port profile's service class UUID.
inline constexpr const char* kSerialPortUuid = "00001101-0000-1000-8000-00805f9b34fb";

// Reads BlueZ's object tree (org.bluez, its ObjectManager) from the system
// bus that DBUS_SYSTEM_BUS_ADDRESS names, or the usual one. Blocks for one
// call; never fails the caller's port search.
BluezView ReadBluezBoards();

struct sd_bus_message;
// Reads one a{sv} of a device's or an adapter's properties from the message
// into the board (and the adapter's Powered, and whether the Serial Port
// profile is offered); sd-bus's result, negative on failure.
int ReadBluezProperties(sd_bus_message* pMessage, BluezBoard& board, bool& bPowered,
                        bool& bSerial);
