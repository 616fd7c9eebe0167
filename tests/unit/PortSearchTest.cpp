#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "link/PortSearch.h"
#include "platform/CVirtualClock.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"

namespace {

using namespace std::chrono_literals;
using Ms = std::vector<std::chrono::milliseconds>;

class PortSearchTest : public testing::Test {
protected:
    // Wires a board to port n and returns its line.
    std::shared_ptr<CMemoryLine> Board(int nPort, EBoardFault fault = EBoardFault::None) {
        auto pBoard = std::make_shared<CBoardModel>();
        pBoard->SetFault(fault);
        auto pLine = std::make_shared<CMemoryLine>(pBoard, m_pClock);
        m_pOpener->Attach(nPort, pLine);
        return pLine;
    }

    std::unique_ptr<ISerialPort> Search(CFixedRadio::EAnswer radio = CFixedRadio::EAnswer::On) {
        CFixedRadio fixedRadio(radio);
        return FindBoardPort(fixedRadio, *m_pOpener, *m_pClock, m_stop.get_token());
    }

    std::shared_ptr<CVirtualClock> m_pClock = std::make_shared<CVirtualClock>();
    std::unique_ptr<CMemoryPortOpener> m_pOpener = std::make_unique<CMemoryPortOpener>();
    std::stop_source m_stop;
};

TEST_F(PortSearchTest, ARadioThatIsOffOrAStopOpensNoPortWhileAFailedQuerySearches) {
    auto pLine = Board(0);
    EXPECT_EQ(Search(CFixedRadio::EAnswer::Off), nullptr);
    m_stop.request_stop();
    EXPECT_EQ(Search(), nullptr);
    EXPECT_TRUE(m_pOpener->Tried().empty());
    m_stop = std::stop_source();
    EXPECT_NE(Search(CFixedRadio::EAnswer::QueryFails), nullptr);
    EXPECT_EQ(pLine->Sent().size(), 1u);
}

TEST_F(PortSearchTest, FindsTheBoardOnPort5AfterFiveMissingPortsWithoutWaitingForThem) {
    auto pLine = Board(5);
    std::unique_ptr<ISerialPort> pPort = Search();
    ASSERT_NE(pPort, nullptr);
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(pLine->Sent().size(), 1u);
    EXPECT_EQ(pLine->Sent()[0].bytes, BuildOpenFrame());
    // Absent ports cost nothing; the one exchange costs its 100 ms wait.
    EXPECT_EQ(m_pClock->Sleeps(), (Ms{100ms}));
    // The returned port is the board's line, still open.
    EXPECT_TRUE(pPort->Write(BuildCommandFrame(0xD3, 's')));
    EXPECT_EQ(pLine->Sent().size(), 2u);
}

TEST_F(PortSearchTest, SkipsAPortThatAnswersWithAWrongChecksum) {
    auto pBad = Board(3, EBoardFault::WrongChecksum);
    auto pGood = Board(5);
    EXPECT_NE(Search(), nullptr);
    EXPECT_EQ(pBad->Sent().size(), 1u);
    EXPECT_EQ(pGood->Sent().size(), 1u);
    // Exchange, pause after the bad port, exchange.
    EXPECT_EQ(m_pClock->Sleeps(), (Ms{100ms, 100ms, 100ms}));
}

TEST_F(PortSearchTest, NeverReturnsASilentGarbledLateOrCutPortEvenAsTheLast) {
    EXPECT_EQ(Search(), nullptr);
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (EBoardFault fault : {EBoardFault::NoReply, EBoardFault::Garbage, EBoardFault::LateReply,
                              EBoardFault::ShortReply, EBoardFault::DoubledReply}) {
        m_pOpener = std::make_unique<CMemoryPortOpener>();
        Board(8, fault);
        EXPECT_EQ(Search(), nullptr) << static_cast<int>(fault);
        EXPECT_EQ(m_pOpener->Tried().back(), 8);
    }
    // Any checked frame will do, whatever its letter.
    m_pOpener = std::make_unique<CMemoryPortOpener>();
    Board(2, EBoardFault::WrongLetter);
    EXPECT_NE(Search(), nullptr);
}

TEST_F(PortSearchTest, SkipsAPortWhoseWriteFailsWithoutAPause) {
    auto pBroken = Board(1);
    pBroken->SetWriteFails(true);
    Board(2);
    EXPECT_NE(Search(), nullptr);
    // The failed write still waits out its exchange, but no pause follows.
    EXPECT_EQ(m_pClock->Sleeps(), (Ms{100ms, 100ms}));
}

}  // namespace
