// The link against the simulated board over real pseudo-terminals.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <filesystem>
#include <thread>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "link/FrameCodec.h"
#include "link/Transact.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSerialPort.h"
#include "platform/CSteadyClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Bytes = std::vector<uint8_t>;

class PtyLinkTest : public testing::Test {
protected:
    std::unique_ptr<CDeviceLink> MakeLink() {
        auto pLink = std::make_unique<CDeviceLink>(CDeviceLink::Environment{
            std::make_shared<CDevicePortOpener>(m_dir.Path() + "/rfcomm%d"),
            std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()});
        pLink->SetListener(&m_listener);
        return pLink;
    }

    // Starts tunevo-board linked at port n and waits for its link to appear.
    std::unique_ptr<CChildProcess> StartBoardProgram(int nPort, const char* pszFault = "none") {
        const std::string strLink = m_dir.Path() + "/rfcomm" + std::to_string(nPort);
        auto pBoard = std::make_unique<CChildProcess>(
            TUNEVO_BOARD_PROGRAM, std::vector<std::string>{"--link", strLink, "--fault", pszFault});
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::is_symlink(strLink); }));
        return pBoard;
    }

    // Serves the model at rfcomm0 in-process and opens the line to it.
    std::unique_ptr<ISerialPort> ServeAndOpen(std::shared_ptr<CBoardModel> pModel) {
        m_pServer = std::make_unique<CPtyBoardServer>(std::move(pModel));
        std::string strError;
        EXPECT_TRUE(m_pServer->Start(LinePath(), strError)) << strError;
        return CSerialPort::Open(LinePath());
    }
    std::string LinePath() const { return m_dir.Path() + "/rfcomm0"; }

    TempDir m_dir;
    std::unique_ptr<CPtyBoardServer> m_pServer;
    CRecordingListener m_listener;
    CSteadyClock m_clock;
    std::stop_source m_stop;
};

TEST_F(PtyLinkTest, TheLinkFindsTunevoBoardOnPort5AndPollsIt) {
    auto pBoard = StartBoardProgram(5);
    auto pLink = MakeLink();
    pLink->StartPortSearch();
    ASSERT_TRUE(m_listener.WaitForCount("OnLinkState", 1));
    EXPECT_EQ(m_listener.Count("OnLinkState", true), 1u);

    // The simulated PC starts switched on.
    pLink->PollPowerStatus();
    EXPECT_EQ(m_listener.Count("OnPowerState", true), 1u);
    pLink.reset();

    // The board program ends cleanly and removes its link.
    int nStatus = pBoard->Terminate();
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/rfcomm5"));
}

TEST_F(PtyLinkTest, ABoardThatAnswersGarbageIsNotTaken) {
    auto pBoard = StartBoardProgram(2, "garbage");
    auto pLink = MakeLink();
    pLink->StartPortSearch();
    ASSERT_TRUE(m_listener.WaitForCount("OnLinkState", 1));
    EXPECT_EQ(m_listener.Count("OnLinkState", false), 1u);
}

TEST_F(PtyLinkTest, AnExchangeCarriesExactBytesAndALateReplyNeverReachesTheNextOne) {
    auto pModel = std::make_shared<CBoardModel>();
    pModel->SetChunkCount(7);
    pModel->SetFault(EBoardFault::LateReply);
    auto pPort = ServeAndOpen(pModel);
    ASSERT_NE(pPort, nullptr);
    Exchange exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    EXPECT_EQ(exchange.nCount, 0u) << "past the 100 ms wait";

    // The late reply has arrived by now; the next exchange drops it first.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pModel->SetFault(EBoardFault::None);
    exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    // 53^05^01^07 = 50.
    EXPECT_EQ(Bytes(exchange.reply.begin(), exchange.reply.begin() + exchange.nCount),
              (Bytes{0x53, 0x05, 0x01, 0x07, 0, 0, 0, 0x50}));
    EXPECT_EQ(pModel->Requests(), (std::vector<Bytes>{BuildOpenFrame(), BuildOpenFrame()}));

    // A terminal that disappears reports the line gone and refuses writes.
    m_pServer.reset();
    exchange = Transact(*pPort, m_clock, BuildOpenFrame(), m_stop.get_token());
    EXPECT_FALSE(exchange.bWritten);
    EXPECT_TRUE(exchange.bNotConnected);
}

TEST_F(PtyLinkTest, ASecondProgramCannotOpenAHeldLine) {
    auto pFirst = ServeAndOpen(std::make_shared<CBoardModel>());
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(CSerialPort::Open(LinePath()), nullptr);
    pFirst.reset();
    EXPECT_NE(CSerialPort::Open(LinePath()), nullptr);
}

TEST_F(PtyLinkTest, TheServerNeverReplacesARegularFile) {
    const std::string strPath = m_dir.WriteFile("rfcomm0", "precious");
    CPtyBoardServer server(std::make_shared<CBoardModel>());
    std::string strError;
    EXPECT_FALSE(server.Start(strPath, strError));
    EXPECT_NE(strError.find("not a symbolic link"), std::string::npos);
    EXPECT_EQ(m_dir.ReadFile("rfcomm0"), "precious");
}

}  // namespace
