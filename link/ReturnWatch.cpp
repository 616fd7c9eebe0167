#include "link/ReturnWatch.h"

#include <optional>

#include "link/BoardAddress.h"
#include "platform/CBluezConnectWatch.h"
#include "platform/CPathWatch.h"
#include "platform/CTcpServerWatch.h"

std::unique_ptr<IReturnWatch> WatchForReturn(const std::string& strPort) {
    std::unique_ptr<IReturnWatch> pWatch;
    std::string strError;
    const std::optional<BoardAddress> address = ParseBoardAddress(strPort, strError);
    if (strPort.starts_with('/')) {
        pWatch = std::make_unique<CPathWatch>(strPort);
    } else if (address && address->kind == BoardAddress::EKind::Tcp) {
        pWatch = std::make_unique<CTcpServerWatch>(address->strHost, address->nTcpPort);
    } else if (address && address->kind == BoardAddress::EKind::Rfcomm) {
        const std::string strText = address->Text();  // AA:BB:CC:DD:EE:FF/channel
        pWatch = std::make_unique<CBluezConnectWatch>(strText.substr(0, strText.find('/')));
    }
    if (pWatch && !pWatch->IsWatching()) {
        pWatch.reset();
    }
    return pWatch;
}
