#include "shell/CListenerBridge.h"

void CListenerBridge::SetReceiver(QObject* pOwner, ILinkListener* pReceiver) {
    m_pOwner = pOwner;
    m_pReceiver = pReceiver;
}

void CListenerBridge::Post(std::function<void(ILinkListener&)> report) {
    QMetaObject::invokeMethod(
        this,
        [this, report = std::move(report)] {
            if (m_pOwner != nullptr && m_pReceiver != nullptr) {
                report(*m_pReceiver);
            }
        },
        Qt::QueuedConnection);
}

void CListenerBridge::OnLinkState(bool bConnected) {
    Post([=](ILinkListener& receiver) { receiver.OnLinkState(bConnected); });
}
void CListenerBridge::OnLinkError(int nKind, std::string strText) {
    Post([=](ILinkListener& receiver) { receiver.OnLinkError(nKind, strText); });
}
void CListenerBridge::OnLockState(bool bShowLock) {
    Post([=](ILinkListener& receiver) { receiver.OnLockState(bShowLock); });
}
void CListenerBridge::OnPosterText(int nCode, bool bCodeMode, std::string strText) {
    Post([=](ILinkListener& receiver) { receiver.OnPosterText(nCode, bCodeMode, strText); });
}
void CListenerBridge::OnPowerState(bool bOn) {
    Post([=](ILinkListener& receiver) { receiver.OnPowerState(bOn); });
}
void CListenerBridge::OnConfigLoaded(bool bOk) {
    Post([=](ILinkListener& receiver) { receiver.OnConfigLoaded(bOk); });
}
void CListenerBridge::OnOverclockRefreshed(bool bOk) {
    Post([=](ILinkListener& receiver) { receiver.OnOverclockRefreshed(bOk); });
}
void CListenerBridge::OnApplied(bool bOk) {
    Post([=](ILinkListener& receiver) { receiver.OnApplied(bOk); });
}
void CListenerBridge::OnArrayRefreshed(int nArray, bool bOk) {
    Post([=](ILinkListener& receiver) { receiver.OnArrayRefreshed(nArray, bOk); });
}
void CListenerBridge::OnPowerCommandDone(bool bOk, int nDetail) {
    Post([=](ILinkListener& receiver) { receiver.OnPowerCommandDone(bOk, nDetail); });
}
void CListenerBridge::OnProgress(EProgress step, int n, int nOf) {
    Post([=](ILinkListener& receiver) { receiver.OnProgress(step, n, nOf); });
}
void CListenerBridge::OnBoardChoice(std::vector<std::string> boards) {
    Post([boards = std::move(boards)](ILinkListener& receiver) { receiver.OnBoardChoice(boards); });
}
void CListenerBridge::OnMessageModeDone(bool bOk) {
    Post([=](ILinkListener& receiver) { receiver.OnMessageModeDone(bOk); });
}
