#pragma once

#include <string>

#include "platform/IReturnWatch.h"

struct sd_bus;
struct sd_bus_slot;
struct sd_bus_message;

// Notices a paired Bluetooth board connecting again: BlueZ says so on the
// system bus (DBUS_SYSTEM_BUS_ADDRESS, or the usual one) when the device's
// Connected property turns true.
class CBluezConnectWatch final : public IReturnWatch {
public:
    // The board's address as written, AA:BB:CC:DD:EE:FF. Asks the bus for
    // the signals, which blocks for one call.
    explicit CBluezConnectWatch(const std::string& strAddress);
    ~CBluezConnectWatch() override;
    CBluezConnectWatch(const CBluezConnectWatch&) = delete;
    CBluezConnectWatch& operator=(const CBluezConnectWatch&) = delete;

    bool IsWatching() const override { return m_pSlot != nullptr; }
    // The bus connection, readable when a message came.
    int Fd() const override;
    bool TakeAppeared() override;

private:
    // A device's properties changed: notes the board's connecting.
    void OnPropertiesChanged(sd_bus_message* pMessage);

    std::string m_strPathEnd;  // "/dev_AA_BB_CC_DD_EE_FF", as BlueZ names the device
    sd_bus* m_pBus = nullptr;
    sd_bus_slot* m_pSlot = nullptr;
    bool m_bConnected = false;
};
