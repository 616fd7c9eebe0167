#include "platform/CBluezConnectWatch.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <utility>

#include "platform/BluezBoards.h"

CBluezConnectWatch::CBluezConnectWatch(const std::string& strAddress)
    : m_strPathEnd("/dev_" + strAddress) {
    std::replace(m_strPathEnd.begin(), m_strPathEnd.end(), ':', '_');
    if (sd_bus_open_system(&m_pBus) < 0) {
        m_pBus = nullptr;
        return;
    }
    const char* pszRule =
        "type='signal',sender='org.bluez',interface='org.freedesktop.DBus.Properties',"
        "member='PropertiesChanged',arg0='org.bluez.Device1',path_namespace='/org/bluez'";
    const sd_bus_message_handler_t handler = [](sd_bus_message* pMessage, void* pWatch,
                                                sd_bus_error* /*pError*/) {
        static_cast<CBluezConnectWatch*>(pWatch)->OnPropertiesChanged(pMessage);
        return 0;
    };
    if (sd_bus_add_match(m_pBus, &m_pSlot, pszRule, handler, this) < 0) {
        m_pSlot = nullptr;
    }
}

CBluezConnectWatch::~CBluezConnectWatch() {
    sd_bus_slot_unref(m_pSlot);
    sd_bus_flush_close_unref(m_pBus);
}

int CBluezConnectWatch::Fd() const {
    return m_pBus != nullptr ? sd_bus_get_fd(m_pBus) : -1;
}

void CBluezConnectWatch::OnPropertiesChanged(sd_bus_message* pMessage) {
    const char* pszPath = sd_bus_message_get_path(pMessage);
    if (pszPath == nullptr || !std::string(pszPath).ends_with(m_strPathEnd) ||
        sd_bus_message_skip(pMessage, "s") < 0) {
        return;
    }
    // Connected stays false unless the message names it.
    BluezBoard board;
    bool bPowered = false;
    bool bSerial = false;
    if (ReadBluezProperties(pMessage, board, bPowered, bSerial) >= 0 && board.bConnected) {
        m_bConnected = true;
    }
}

bool CBluezConnectWatch::TakeAppeared() {
    if (!IsWatching()) {
        return false;
    }
    while (sd_bus_process(m_pBus, nullptr) > 0) {
    }
    return std::exchange(m_bConnected, false);
}
