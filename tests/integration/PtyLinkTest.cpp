// The link against the simulated board over real pseudo-terminals.

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "link/FrameCodec.h"
#include "link/Transact.h"
#include "platform/CSerialPort.h"
#include "platform/CSteadyClock.h"
#include "sim/CPtyBoardServer.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

class PtyLinkTest : public testing::Test {
protected:
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
    CSteadyClock m_clock;
    std::stop_source m_stop;
};

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
