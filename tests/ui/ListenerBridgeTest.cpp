#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QThread>
#include <thread>

#include "shell/CListenerBridge.h"
#include "tests/support/CRecordingListener.h"

namespace {

// A screen-like receiver: records the reports and whether each came on the main thread.
class Receiver final : public QObject, public ILinkListener {
public:
    CRecordingListener m_records;
    bool m_bAllOnMainThread = true;

    void OnLinkState(bool b) override { Note(), m_records.OnLinkState(b); }
    void OnLinkError(int n, std::string s) override { Note(), m_records.OnLinkError(n, s); }
    void OnLockState(bool b) override { Note(), m_records.OnLockState(b); }
    void OnPosterText(int n, bool b, std::string s) override {
        Note(), m_records.OnPosterText(n, b, s);
    }
    void OnPowerState(bool b) override { Note(), m_records.OnPowerState(b); }
    void OnConfigLoaded(bool b) override { Note(), m_records.OnConfigLoaded(b); }
    void OnOverclockRefreshed(bool b) override { Note(), m_records.OnOverclockRefreshed(b); }
    void OnApplied(bool b) override { Note(), m_records.OnApplied(b); }
    void OnArrayRefreshed(int n, bool b) override { Note(), m_records.OnArrayRefreshed(n, b); }
    void OnPowerCommandDone(bool b, int n) override { Note(), m_records.OnPowerCommandDone(b, n); }
    void OnMessageModeDone(bool b) override { Note(), m_records.OnMessageModeDone(b); }

private:
    void Note() {
        m_bAllOnMainThread = m_bAllOnMainThread &&
                             QThread::currentThread() == QCoreApplication::instance()->thread();
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
    EXPECT_TRUE(receiver.m_records.Reports().empty()) << "nothing may arrive off the main thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return receiver.m_records.Reports().size() == 203; }, 5000));

    auto reports = receiver.m_records.Reports();
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

TEST(ListenerBridge, AReportGoesToTheReceiverOfTheMomentItArrives) {
    CListenerBridge bridge;
    Receiver splash;
    Receiver mainWindow;
    bridge.SetReceiver(&splash, &splash);
    bridge.OnLinkState(true);
    QCoreApplication::processEvents();
    bridge.SetReceiver(&mainWindow, &mainWindow);
    bridge.OnLockState(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(splash.m_records.Count("OnLinkState", true), 1u);
    EXPECT_EQ(splash.m_records.Count("OnLockState"), 0u);
    EXPECT_EQ(mainWindow.m_records.Count("OnLockState", true), 1u);
}

TEST(ListenerBridge, AReportForAReceiverThatIsGoneIsDropped) {
    CListenerBridge bridge;
    auto pReceiver = std::make_unique<Receiver>();
    bridge.SetReceiver(pReceiver.get(), pReceiver.get());
    bridge.OnApplied(true);
    pReceiver.reset();
    // Delivery finds no receiver: nothing is called on freed memory (the
    // sanitizer build would catch it) and later reports are dropped as well.
    QCoreApplication::processEvents();
    bridge.OnApplied(false);
    QCoreApplication::processEvents();
    Receiver next;
    bridge.SetReceiver(&next, &next);
    QCoreApplication::processEvents();
    EXPECT_TRUE(next.m_records.Reports().empty());
}

}  // namespace
