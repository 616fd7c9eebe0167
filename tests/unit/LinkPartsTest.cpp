// The link's parts on their own: frames, the port's busy flag, the port search and the request
// dispatcher.

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <semaphore>
#include <thread>

#include "link/CBusyFlag.h"
#include "link/CRequestDispatcher.h"
#include "link/FrameCodec.h"
#include "link/PortSearch.h"
#include "link/Protocol.h"
#include "link/Transact.h"
#include "platform/CVirtualClock.h"
#include "sim/CBoardDescription.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPort.h"
#include "sim/CMemoryPortOpener.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// The link's tests check the frames it sends against bytes worked by hand;
// these are the cases they do not meet.
TEST(FrameCodec, BuildsTheWorkedFramesByteForByte) {
    EXPECT_EQ(BuildChunkRequest(0xAB), (Bytes{0xD3, 0x02, 0x7A, 0xAB, 0x00}));
    EXPECT_EQ(BuildCommandFrame(0x53, 'A', 0x34, 0x12),
              (Bytes{0x53, 0x05, 0x41, 0x34, 0x12, 0, 0, 0x31}));
}

TEST(FrameCodec, AcceptsExactlyOneCheckedFrameAnsweringTheLetter) {
    // 53 05 73 01 00 00 00 24: a lock reply (53^05^73^01 = 24).
    const Bytes good = {0x53, 0x05, 0x73, 0x01, 0, 0, 0, 0x24};
    Bytes twice = good;
    twice.insert(twice.end(), good.begin(), good.end());
    Bytes longest(127, 0);  // L = 124, the largest whose size fits a signed byte
    longest[0] = 0x53;
    longest[1] = 124;
    longest[2] = 0x73;
    longest[126] = XorChecksum(std::span(longest).first(126));
    const struct {
        Bytes received;
        EReplyCheck expected;
    } cases[] = {
        {good, EReplyCheck::Valid},
        {longest, EReplyCheck::Valid},
        {{0x53, 0x05, 0x73, 0x01, 0, 0, 0, 0x25}, EReplyCheck::ChecksumFailure},
        {{0x54, 0x05, 0x73, 0x01, 0, 0, 0, 0x23}, EReplyCheck::Malformed},  // start byte
        {{0x53, 0x05, 0x72, 0x01, 0, 0, 0, 0x25}, EReplyCheck::Malformed},  // another letter
        {{}, EReplyCheck::Malformed},
        {{0x53, 0x05}, EReplyCheck::Malformed},
        // Cut short: the zeros a read buffer holds past it would check.
        {{0x53, 0x05, 0x73, 0x00}, EReplyCheck::Malformed},
        {twice, EReplyCheck::Malformed},  // a late reply, then this one
        {{0x53, 0x01, 0x73, 0x21, 0xEE}, EReplyCheck::Malformed},
        {{0x53, 125, 0x73}, EReplyCheck::Malformed},  // 125 + 3 is no signed byte
        {{0x53, 0xFF, 0x73}, EReplyCheck::Malformed},
    };
    // The frame test alone looks at length and checksum, not start or letter.
    EXPECT_TRUE(HasValidChecksum(Bytes{0x54, 0x05, 0x73, 0x01, 0, 0, 0, 0x23}));
    EXPECT_FALSE(HasValidChecksum(twice));
    EXPECT_FALSE(HasValidChecksum(Bytes{0x53, 0x05, 0x73, 0x00}));
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidReply(c.received, 's'), c.expected) << testing::PrintToString(c.received);
    }
}

class BusyFlagTest : public testing::Test {
protected:
    CBusyFlag::Hold Take(EBusyDiscipline discipline) {
        return m_flag.Take(discipline, m_clock, m_stop.get_token());
    }

    CBusyFlag m_flag;
    CVirtualClock m_clock;
    std::stop_source m_stop;
};

// Only the holder frees the flag: not a refused take, not an unflagged use,
// and a moved hold frees it once.
TEST_F(BusyFlagTest, OnlyTheHolderFreesTheFlagAndWaitingGivesUpAfterAHundredLooks) {
    CBusyFlag::Hold first = Take(EBusyDiscipline::Skip);
    ASSERT_TRUE(first);
    EXPECT_FALSE(Take(EBusyDiscipline::Skip));
    EXPECT_TRUE(Take(EBusyDiscipline::None));
    EXPECT_TRUE(m_flag.IsSet());
    CBusyFlag::Hold second = std::move(first);
    first = CBusyFlag::Hold();
    EXPECT_TRUE(m_flag.IsSet());
    second = CBusyFlag::Hold();
    EXPECT_FALSE(m_flag.IsSet());
    EXPECT_TRUE(Take(EBusyDiscipline::Skip));
    EXPECT_TRUE(m_clock.Sleeps().empty());
    CBusyFlag::Hold holder = Take(EBusyDiscipline::Skip);
    EXPECT_FALSE(Take(EBusyDiscipline::WaitShort));
    EXPECT_EQ(m_clock.Sleeps(), std::vector<std::chrono::milliseconds>(100, 20ms));
    EXPECT_FALSE(Take(EBusyDiscipline::WaitLong));
    EXPECT_EQ(m_clock.Elapsed(), 100 * 20ms + 100 * 50ms);
    m_stop.request_stop();
    EXPECT_FALSE(Take(EBusyDiscipline::WaitLong));
    EXPECT_EQ(m_clock.Sleeps().size(), 200u);
}

// One exchange with the board over the in-memory line, in both timings: the
// same bytes come back; fast timing ends as soon as the reply is whole, and
// never later than fixed timing's 100 ms. A chunk is taken early only at the
// size expected: one of unknown size, or one that stops where its start
// happens to pass the checksum, is read over the whole window.
TEST(TransactTest, FastTimingTakesTheSameReplyAsSoonAsItIsWhole) {
    struct Case {
        const char* pszName;
        EBoardFault fault;
        int nLatencyMs;
        int nPieces;
        EReplyShape shape;
        bool bSizeKnown;  // a chunk: its size is passed, as the download knows it
        bool bWhole;
        bool bEarly;  // fast timing ends before the window
    };
    // clang-format off
    const Case cases[] = {
        {"framed, at once",              EBoardFault::None,         0,  1, EReplyShape::Framed, false, true,  true},
        {"framed, in three pieces",      EBoardFault::None,         20, 3, EReplyShape::Framed, false, true,  true},
        {"framed, cut short",            EBoardFault::ShortReply,   0,  1, EReplyShape::Framed, false, false, false},
        {"framed, stray bytes after it", EBoardFault::DoubledReply, 0,  1, EReplyShape::Framed, false, false, true},
        {"chunk of known size, pieces",  EBoardFault::None,         20, 3, EReplyShape::Chunk,  true,  true,  true},
        {"chunk of unknown size",        EBoardFault::None,         0,  3, EReplyShape::Chunk,  false, true,  false},
        {"chunk pausing at a checksum",  EBoardFault::ChunkPausesAtChecksum, 0, 1, EReplyShape::Chunk, true, true, true},
        // Two whole chunks pass the checksum together: the download's check finds them.
        {"chunk glued to another",       EBoardFault::DoubledReply, 0,  1, EReplyShape::Chunk,  true,  true,  false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::map<ELinkTiming, Exchange> exchanges;
        std::map<ELinkTiming, std::chrono::microseconds> took;
        for (const ELinkTiming timing : {ELinkTiming::Fixed, ELinkTiming::Fast}) {
            auto pClock = std::make_shared<CVirtualClock>();
            auto pBoard = std::make_shared<CBoardModel>(CBoardDescription::Demo(), pClock);
            pBoard->SetFault(c.fault);
            pBoard->SetRadio(std::chrono::milliseconds(c.nLatencyMs), c.nPieces);
            CMemoryPort port(std::make_shared<CMemoryLine>(pBoard, pClock));
            const Frame request = c.shape == EReplyShape::Chunk
                                      ? BuildChunkRequest(0)
                                      : BuildCommandFrame(0xD3, Protocol::kLetterLockStatus);
            // The size of chunk 0 when whole, as the board cuts its text.
            const size_t nChunkSize =
                c.bSizeKnown ? (pBoard->Description().Bytes().size() + pBoard->ChunkCount() - 1) /
                                       pBoard->ChunkCount() +
                                   3
                             : 0;
            const IClock::TimePoint start = pClock->Now();
            exchanges[timing] = Transact(port, *pClock, request, {}, Protocol::kReplyBufferSize,
                                         timing, c.shape, nChunkSize);
            took[timing] =
                std::chrono::duration_cast<std::chrono::microseconds>(pClock->Now() - start);
            if (c.fault == EBoardFault::ChunkPausesAtChecksum) {
                EXPECT_EQ(pBoard->ChunkPauses(), 1) << "the reply was not stopped";
            }
        }
        const Exchange& fast = exchanges[ELinkTiming::Fast];
        const Exchange& fixed = exchanges[ELinkTiming::Fixed];
        EXPECT_GT(fixed.nCount, 0u);
        EXPECT_EQ(std::vector<uint8_t>(fast.Received().begin(), fast.Received().end()),
                  std::vector<uint8_t>(fixed.Received().begin(), fixed.Received().end()));
        EXPECT_EQ(fast.bWhole, c.bWhole);
        EXPECT_EQ(fixed.bWhole, c.bWhole);
        EXPECT_EQ(took[ELinkTiming::Fixed], 100ms);
        if (c.bEarly) {
            EXPECT_LT(took[ELinkTiming::Fast], 100ms);
        } else {
            EXPECT_EQ(took[ELinkTiming::Fast], 100ms) << "the rest might still come";
        }
    }
}

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
        return FindBoardPort(fixedRadio, *m_pOpener, *m_pClock, m_stop.get_token(), m_bHeldSeen);
    }

    bool m_bHeldSeen = false;

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
    const std::unique_ptr<ISerialPort> pPort = Search();
    ASSERT_NE(pPort, nullptr);
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(pLine->Sent().size(), 1u);
    EXPECT_EQ(pLine->Sent()[0], BuildOpenFrame());
    // Absent ports cost nothing; the one exchange costs its 100 ms wait.
    EXPECT_EQ(m_pClock->Sleeps(), (Ms{100ms}));
    // The returned port is the board's line, still open.
    EXPECT_TRUE(pPort->Write(BuildCommandFrame(0xD3, 's')));
    EXPECT_EQ(pLine->Sent().size(), 2u);
}

// Boards on ports 2 and 5: which ones each plan returns, and which ports it asks.
TEST_F(PortSearchTest, APlanTakesTheFirstEveryOneTheSettledOneAloneOrAsksOnePort) {
    struct Case {
        const char* pszName;
        SearchPlan plan;
        std::vector<int> found;
        std::vector<int> tried;
    };
    const std::vector<int> all = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    const Case cases[] = {
        {"first", {false, {}, {}}, {2}, {0, 1, 2}},
        {"every one", {true, {}, {}}, {2, 5}, all},
        {"settled", {true, 5, {}}, {5}, {0, 1, 2, 3, 4, 5}},
        {"settled, silent", {true, 7, {}}, {2, 5}, all},
        {"only", {false, {}, 5}, {5}, {5}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.pszName);
        m_pOpener = std::make_unique<CMemoryPortOpener>();
        Board(2);
        Board(5);
        CFixedRadio radio(CFixedRadio::EAnswer::On);
        const std::vector<FoundBoard> found = FindBoardPorts(
            radio, *m_pOpener, *m_pClock, m_stop.get_token(), m_bHeldSeen, {}, each.plan);
        std::vector<int> ports;
        for (const FoundBoard& board : found) {
            ASSERT_NE(board.pPort, nullptr);
            ports.push_back(board.nPort);
        }
        EXPECT_EQ(ports, each.found);
        EXPECT_EQ(m_pOpener->Tried(), each.tried);
        EXPECT_TRUE(m_pOpener->AnsweredPorts().empty()) << "the caller says which one is used";
    }
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

// A port that writes nothing is passed at once; one that answers with a bad
// checksum is asked three times, with a pause after each; a board whose first
// two handshakes were lost is still found.
TEST_F(PortSearchTest, AsksEachPortThreeTimesButPassesAPortWhoseWriteFails) {
    auto pBroken = Board(1);
    pBroken->SetWriteFails(true);
    auto pBad = Board(3, EBoardFault::WrongChecksum);
    auto pGood = Board(5);
    EXPECT_NE(Search(), nullptr);
    EXPECT_EQ(pBad->Sent().size(), 3u);
    EXPECT_EQ(pGood->Sent().size(), 1u);
    // Exchange (failed write), three times exchange and pause, exchange.
    EXPECT_EQ(m_pClock->Sleeps(), (Ms{100ms, 100ms, 100ms, 100ms, 100ms, 100ms, 100ms, 100ms}));
    EXPECT_FALSE(m_bHeldSeen);

    m_pOpener = std::make_unique<CMemoryPortOpener>();
    auto pNoisy = std::make_shared<CBoardModel>();
    pNoisy->DropNextReplies(2);
    m_pOpener->Attach(0, std::make_shared<CMemoryLine>(pNoisy, m_pClock));
    EXPECT_NE(Search(), nullptr);
    EXPECT_EQ(m_pOpener->Tried(), (std::vector<int>{0}));
}

class RequestDispatcherTest : public testing::Test {
protected:
    // The poster-read request serves as a marker: once it has run,
    // everything posted before it has run too.
    RequestDispatcherTest() {
        m_dispatcher.SetHandler(ERequest::PosterRead, [this] { m_markerRan.release(); });
    }
    void Run() {
        m_thread = std::jthread([this](std::stop_token stop) { m_dispatcher.Run(stop); });
    }
    void Drain() {
        m_dispatcher.Post(ERequest::PosterRead);
        m_markerRan.acquire();
    }

    CRequestDispatcher m_dispatcher;
    std::binary_semaphore m_markerRan{0};
    std::jthread m_thread;
};

TEST_F(RequestDispatcherTest, WhileOneRunsItsOwnKindIsDroppedAndAnotherKindWaits) {
    std::binary_semaphore entered{0};
    std::binary_semaphore open{0};
    std::atomic<int> nRuns{0};
    std::atomic<int> nPowerRuns{0};
    m_dispatcher.SetHandler(ERequest::Refresh, [&] {
        ++nRuns;
        entered.release();
        open.acquire();
    });
    m_dispatcher.SetHandler(ERequest::Power, [&] { ++nPowerRuns; });
    Run();
    m_dispatcher.Post(ERequest::Refresh);
    entered.acquire();
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.Post(ERequest::Power);
    EXPECT_EQ(nPowerRuns.load(), 0);
    open.release();
    Drain();
    EXPECT_EQ(nRuns.load(), 1);
    EXPECT_EQ(nPowerRuns.load(), 1);
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Refresh));
}

TEST_F(RequestDispatcherTest, ARequestMadeInAnswerToTheFinalReportIsKept) {
    std::atomic<int> nRuns{0};
    // The handler's final report, whose receiver asks for the next refresh at once.
    m_dispatcher.SetHandler(ERequest::Refresh, [&] {
        if (++nRuns < 3) {
            m_dispatcher.EndRun(ERequest::Refresh);
            m_dispatcher.Post(ERequest::Refresh);
        }
    });
    // From another thread, ending a run does nothing.
    m_dispatcher.Post(ERequest::Refresh);
    m_dispatcher.EndRun(ERequest::Refresh);
    EXPECT_TRUE(m_dispatcher.IsPending(ERequest::Refresh));
    Run();
    Drain();
    EXPECT_EQ(nRuns.load(), 3);
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Refresh));
}

// Pending requests run in the order of the events, whatever order they were
// posted in; a stop ends the loop, and a request without a handler is consumed.
TEST_F(RequestDispatcherTest, PendingRequestsRunInTheEventOrderAndAStopEndsTheLoop) {
    std::vector<ERequest> order;
    for (ERequest request : {ERequest::Apply, ERequest::Refresh, ERequest::MessageMode}) {
        m_dispatcher.SetHandler(request, [&order, request] { order.push_back(request); });
    }
    for (ERequest request :
         {ERequest::MessageMode, ERequest::Power, ERequest::Refresh, ERequest::Apply}) {
        m_dispatcher.Post(request);
    }
    Run();
    Drain();
    EXPECT_EQ(order,
              (std::vector<ERequest>{ERequest::Apply, ERequest::Refresh, ERequest::MessageMode}));
    EXPECT_FALSE(m_dispatcher.IsPending(ERequest::Power));
    m_thread.request_stop();
    m_thread.join();
}

}  // namespace
