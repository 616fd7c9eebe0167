#include "link/ReturnWatch.h"

#include <optional>

#include "link/BoardAddress.h"
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
    }
    if (pWatch && !pWatch->IsWatching()) {
        pWatch.reset();
    }
    return pWatch;
}
