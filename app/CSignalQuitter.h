#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Turns SIGINT and SIGTERM into a quit of the event loop, so that an
// interrupted program still tears the link down and cleans up after itself.
class CSignalQuitter final : public QObject {
    Q_OBJECT
public:
    explicit CSignalQuitter(QObject* pParent = nullptr);
    ~CSignalQuitter() override;

signals:
    void Quit();

private:
    static void OnSignal(int nSignal);

    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
