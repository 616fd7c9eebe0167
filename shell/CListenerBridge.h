#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "link/ILinkListener.h"

// Carries the link's reports from its worker threads to the main thread, in
// order, and hands each to whichever screen receives them when it arrives.
// A report whose receiver has gone by then is dropped. Must outlive the link.
class CListenerBridge final : public QObject, public ILinkListener {
    Q_OBJECT
public:
    explicit CListenerBridge(QObject* pParent = nullptr) : QObject(pParent) {}

    // Main thread. pOwner is the receiver's QObject, watched for its deletion.
    void SetReceiver(QObject* pOwner, ILinkListener* pReceiver);

    // Any thread: each queues the report for the main thread.
    void OnLinkState(bool bConnected) override;
    void OnLinkError(int nKind, std::string strText) override;
    void OnLockState(bool bShowLock) override;
    void OnPosterText(int nCode, bool bCodeMode, std::string strText) override;
    void OnPowerState(bool bOn) override;
    void OnConfigLoaded(bool bOk) override;
    void OnOverclockRefreshed(bool bOk) override;
    void OnApplied(bool bOk) override;
    void OnArrayRefreshed(int nArray, bool bOk) override;
    void OnPowerCommandDone(bool bOk, int nDetail) override;
    void OnMessageModeDone(bool bOk) override;
    void OnProgress(EProgress step, int n, int nOf) override;
    void OnBoardChoice(std::vector<std::string> boards) override;

private:
    void Post(std::function<void(ILinkListener&)> report);

    QPointer<QObject> m_pOwner;
    ILinkListener* m_pReceiver = nullptr;
};
