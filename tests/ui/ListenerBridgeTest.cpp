#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <thread>

#include "link/CRecordingListener.h"
#include "shell/CListenerBridge.h"

namespace {

// A screen-like receiver: records the reports and whether each came on the main thread.
class Receiver final : public QObject, public CRecordingListener {
public:
    bool m_bAllOnMainThread = true;

protected:
    void Add(Report report) override {
        m_bAllOnMainThread = m_bAllOnMainThread &&
                             QThread::currentThread() == QCoreApplication::instance()->thread();
        CRecordingListener::Add(std::move(report));
    }
};

TEST(ListenerBridge, HandsWorkerReportsToTheMainThreadInTheirOrder) {
    CListenerBridge bridge;
    Receiver receiver;
    bridge.SetReceiver(&receiver, &receiver);
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) {
            bridge.OnArrayRefreshed(i, true);
        }
        bridge.OnLinkError(5, "Generate INIConfig fileerror \n");
        bridge.OnPosterText(0x1A2, true, "01A2");
        bridge.OnPowerCommandDone(false, 0);
    });
    worker.join();
    EXPECT_TRUE(receiver.Reports().empty()) << "nothing may arrive off the main thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.Reports().size() == 203; }, 5000));

    auto reports = receiver.Reports();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(reports[static_cast<size_t>(i)].nFirst, i);
    }
    EXPECT_EQ(reports[200].strText, "Generate INIConfig fileerror \n");
    EXPECT_EQ(reports[201].nFirst, 0x1A2);
    EXPECT_EQ(reports[201].strText, "01A2");
    EXPECT_EQ(reports[202].strOperation, "OnPowerCommandDone");
    EXPECT_EQ(reports[202].nSecond, 0);
    EXPECT_TRUE(receiver.m_bAllOnMainThread);
}

TEST(ListenerBridge, AReportGoesToTheReceiverOfTheMomentItArrivesAndIsDroppedWithoutOne) {
    CListenerBridge bridge;
    Receiver splash;
    auto pMainWindow = std::make_unique<Receiver>();
    bridge.SetReceiver(&splash, &splash);
    bridge.OnLinkState(true);
    QCoreApplication::processEvents();
    bridge.SetReceiver(pMainWindow.get(), pMainWindow.get());
    bridge.OnLockState(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(splash.Count("OnLinkState", true), 1u);
    EXPECT_EQ(splash.Count("OnLockState"), 0u);
    EXPECT_EQ(pMainWindow->Count("OnLockState", true), 1u);
    // A receiver that is gone: nothing is called on freed memory (the
    // sanitizer build would catch it) and later reports are dropped as well.
    bridge.OnApplied(true);
    pMainWindow.reset();
    QCoreApplication::processEvents();
    bridge.OnApplied(false);
    QCoreApplication::processEvents();
    bridge.SetReceiver(&splash, &splash);
    QCoreApplication::processEvents();
    EXPECT_EQ(splash.Count("OnApplied"), 0u);
}

}  // namespace
