#include "link/CNamedBoardOpener.h"

#include "data/LastBoard.h"
#include "platform/CSerialPort.h"

std::unique_ptr<ISerialPort> CNamedBoardOpener::Open(int nPort, bool& bHeld) {
    bHeld = false;
    if (nPort != 0) {
        return nullptr;
    }
    EConnectError error = EConnectError::None;
    std::string strWhy;
    std::unique_ptr<ISerialPort> pPort;
    switch (m_address.kind) {
        case BoardAddress::EKind::Device:
            pPort = CSerialPort::Open(m_address.strPath, bHeld);
            break;
        case BoardAddress::EKind::Tcp:
            pPort = CSocketPort::ConnectTcp(m_address.strHost, m_address.nTcpPort, error, strWhy);
            break;
        case BoardAddress::EKind::Rfcomm:
            pPort =
                CSocketPort::ConnectRfcomm(m_address.bluetooth, m_address.nChannel, error, strWhy);
            break;
    }
    const std::lock_guard lock(m_mutex);
    m_lastError = error;
    m_strLastError = strWhy;
    return pPort;
}

EConnectError CNamedBoardOpener::LastConnectError() const {
    const std::lock_guard lock(m_mutex);
    return m_lastError;
}

std::string CNamedBoardOpener::LastErrorText() const {
    const std::lock_guard lock(m_mutex);
    return m_strLastError;
}

void CNamedBoardOpener::Answered(int) {
    if (m_remember == ERemember::Yes) {
        RememberLastBoard(m_address.Text());
    }
}
