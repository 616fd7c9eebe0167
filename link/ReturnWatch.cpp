#include "link/ReturnWatch.h"

#include <optional>

#include "link/BoardAddress.h"
#include "platform/CBluezConnectWatch.h"
#include "platform/CPathWatch.h"
#include "platform/CTcpServerWatch.h"

std::unique_ptr<IReturnWatch> WatchForReturn(const std::string& strPort) {
    std::string strError;
    const std::optional<BoardAddress> address = ParseBoardAddress(strPort, strError);
    if (!address) {
        return nullptr;
    }
    std::unique_ptr<IReturnWatch> pWatch;
    switch (address->kind) {
        case BoardAddress::EKind::Device:
            pWatch = std::make_unique<CPathWatch>(address->strPath);
            break;
        case BoardAddress::EKind::Tcp:
            pWatch = std::make_unique<CTcpServerWatch>(address->strHost, address->nTcpPort);
            break;
        case BoardAddress::EKind::Rfcomm: {
            const std::string strText = address->Text();  // AA:BB:CC:DD:EE:FF/channel
            pWatch = std::make_unique<CBluezConnectWatch>(strText.substr(0, strText.find('/')));
            break;
        }
    }
    if (!pWatch->IsWatching()) {
        pWatch.reset();
    }
    return pWatch;
}
