#include "platform/BluezBoards.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kDevice = "org.bluez.Device1";
constexpr const char* kAdapter = "org.bluez.Adapter1";

struct BusUnref {
    void operator()(sd_bus* pBus) const { sd_bus_flush_close_unref(pBus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* pMessage) const { sd_bus_message_unref(pMessage); }
};

}  // namespace

int ReadBluezProperties(sd_bus_message* pReply, BluezBoard& board, bool& bPowered,
                        bool& bSerial) {
    int nResult = sd_bus_message_enter_container(pReply, 'a', "{sv}");
    while (nResult >= 0 && (nResult = sd_bus_message_enter_container(pReply, 'e', "sv")) > 0) {
        const char* pszName = nullptr;
        nResult = sd_bus_message_read(pReply, "s", &pszName);
        const std::string strName = pszName != nullptr ? pszName : "";
        const char* pszText = nullptr;
        int nFlag = 0;
        if (nResult < 0) {
            break;
        } else if (strName == "Address" || strName == "Alias") {
            nResult = sd_bus_message_read(pReply, "v", "s", &pszText);
            (strName == "Address" ? board.strAddress : board.strAlias) = pszText ? pszText : "";
        } else if (strName == "Paired" || strName == "Connected" || strName == "Powered") {
            nResult = sd_bus_message_read(pReply, "v", "b", &nFlag);
            (strName == "Paired"      ? board.bPaired
             : strName == "Connected" ? board.bConnected
                                      : bPowered) = nFlag != 0;
        } else if (strName == "UUIDs") {
            char** ppUuids = nullptr;
            nResult = sd_bus_message_enter_container(pReply, 'v', "as");
            if (nResult >= 0) {
                nResult = sd_bus_message_read_strv(pReply, &ppUuids);
            }
            for (char** pp = ppUuids; pp != nullptr && *pp != nullptr; ++pp) {
                bSerial = bSerial || strcasecmp(*pp, kSerialPortUuid) == 0;
                free(*pp);
            }
            free(ppUuids);
            if (nResult >= 0) {
                nResult = sd_bus_message_exit_container(pReply);
            }
        } else {
            nResult = sd_bus_message_skip(pReply, "v");
        }
        if (nResult >= 0) {
            nResult = sd_bus_message_exit_container(pReply);
        }
    }
    return nResult < 0 ? nResult : sd_bus_message_exit_container(pReply);
}

BluezView ReadBluezBoards() {
    BluezView view;
    sd_bus* pRawBus = nullptr;
    if (const int nResult = sd_bus_open_system(&pRawBus); nResult < 0) {
        view.state = BluezView::EState::NoSystemBus;
        view.strProblem = std::strerror(-nResult);
        return view;
    }
    const std::unique_ptr<sd_bus, BusUnref> bus(pRawBus);
    // A BlueZ that hangs must not hold up the start.
    constexpr uint64_t kCallTimeoutUs = 2'000'000;
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutUs);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* pRawReply = nullptr;
    int nResult =
        sd_bus_call_method(bus.get(), "org.bluez", "/", "org.freedesktop.DBus.ObjectManager",
                           "GetManagedObjects", &error, &pRawReply, "");
    if (nResult < 0) {
        const bool bAbsent = sd_bus_error_has_name(&error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                             sd_bus_error_has_name(&error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
        view.state = bAbsent ? BluezView::EState::NoBluez : BluezView::EState::NoSystemBus;
        view.strProblem = error.message != nullptr ? error.message : std::strerror(-nResult);
        sd_bus_error_free(&error);
        return view;
    }
    const std::unique_ptr<sd_bus_message, MessageUnref> reply(pRawReply);
    sd_bus_message* pReply = reply.get();
    nResult = sd_bus_message_enter_container(pReply, 'a', "{oa{sa{sv}}}");
    while (nResult >= 0 &&
           (nResult = sd_bus_message_enter_container(pReply, 'e', "oa{sa{sv}}")) > 0) {
        const char* pszPath = nullptr;
        nResult = sd_bus_message_read(pReply, "o", &pszPath);
        if (nResult >= 0) {
            nResult = sd_bus_message_enter_container(pReply, 'a', "{sa{sv}}");
        }
        while (nResult >= 0 &&
               (nResult = sd_bus_message_enter_container(pReply, 'e', "sa{sv}")) > 0) {
            const char* pszInterface = nullptr;
            nResult = sd_bus_message_read(pReply, "s", &pszInterface);
            const std::string strInterface = pszInterface != nullptr ? pszInterface : "";
            BluezBoard board;
            bool bPowered = false;
            bool bSerial = false;
            if (nResult >= 0 && (strInterface == kDevice || strInterface == kAdapter)) {
                nResult = ReadBluezProperties(pReply, board, bPowered, bSerial);
            } else if (nResult >= 0) {
                nResult = sd_bus_message_skip(pReply, "a{sv}");
            }
            if (strInterface == kDevice && bSerial && !board.strAddress.empty()) {
                view.boards.push_back(board);
            }
            view.bAdapterPowered = view.bAdapterPowered || (strInterface == kAdapter && bPowered);
            if (nResult >= 0) {
                nResult = sd_bus_message_exit_container(pReply);
            }
        }
        for (int i = 0; i < 2 && nResult >= 0; ++i) {
            nResult = sd_bus_message_exit_container(pReply);
        }
    }
    if (nResult < 0) {
        view.state = BluezView::EState::Failed;
        view.strProblem = std::strerror(-nResult);
        return view;
    }
    std::ranges::sort(view.boards, [](const BluezBoard& first, const BluezBoard& second) {
        return first.bPaired != second.bPaired ? first.bPaired
                                               : first.strAddress < second.strAddress;
    });
    view.state = BluezView::EState::Read;
    return view;
}
