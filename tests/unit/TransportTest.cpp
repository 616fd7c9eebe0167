// The socket port's contract, the same as the serial device's, over a socket
// pair and over TCP on the loopback; and how boards are named.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "data/LastBoard.h"
#include "link/BoardAddress.h"
#include "link/CBoardSearchOpener.h"
#include "link/FrameCodec.h"
#include "link/Transact.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSocketPort.h"
#include "platform/CSteadyClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(BoardAddress, EachWayOfNamingABoardParsesOrSaysWhatIsWrong) {
    const std::pair<const char*, const char*> named[] = {
        {"aa:bb:cc:dd:ee:0f", "AA:BB:CC:DD:EE:0F/1"},
        {"AA:BB:CC:DD:EE:FF/30", "AA:BB:CC:DD:EE:FF/30"},
        {"tcp:lab-server:3001", "tcp:lab-server:3001"},
        {"tcp:[::1]:2000", "tcp:[::1]:2000"},
        {"/dev/rfcomm0", "/dev/rfcomm0"}};
    std::string strError;
    for (const auto& [pszText, pszShown] : named) {
        const std::optional<BoardAddress> address = ParseBoardAddress(pszText, strError);
        ASSERT_TRUE(address) << pszText;
        EXPECT_EQ(address->Text(), pszShown);
    }
    EXPECT_EQ(ParseBoardAddress("tcp:[::1]:2000", strError)->strHost, "::1");
    for (const char* pszText :
         {"AA:BB:CC:DD:EE", "AA:BB:CC:DD:EE:FF/0", "AA:BB:CC:DD:EE:FF/31", "AA-BB-CC-DD-EE-FF",
          "tcp:host", "tcp::80", "tcp:host:70000", "rfcomm0", ""}) {
        EXPECT_FALSE(ParseBoardAddress(pszText, strError)) << pszText;
        EXPECT_FALSE(strError.empty()) << pszText;
    }
}

// Unnamed, the board used last is tried first, then BlueZ's boards (paired
// first, as listed), then the pattern's devices, each once.
TEST(BoardSearch, TriesTheLastBoardThenBluezsThenThePattern) {
    const std::vector<BluezBoard> bluez = {{"AA:BB:CC:00:00:01", "A", true, false},
                                           {"AA:BB:CC:00:00:02", "B", false, false}};
    std::vector<std::string> tried;
    for (const BoardAddress& board :
         CBoardSearchOpener::Candidates("AA:BB:CC:00:00:02/1", bluez, "/dev/x%d")) {
        tried.push_back(board.Text());
    }
    EXPECT_EQ(tried,
              (std::vector<std::string>{"AA:BB:CC:00:00:02/1", "AA:BB:CC:00:00:01/1", "/dev/x0",
                                        "/dev/x1", "/dev/x2", "/dev/x3", "/dev/x4", "/dev/x5",
                                        "/dev/x6", "/dev/x7", "/dev/x8"}));
    EXPECT_EQ(CBoardSearchOpener::Candidates("not an address", {}, "/dev/x%d").size(), 9u);
    // Offered by the names the desktop shows, with their addresses.
    const CBoardSearchOpener opener(CBoardSearchOpener::Candidates({}, bluez, "/dev/x%d"));
    EXPECT_EQ(opener.PortName(0), "A (AA:BB:CC:00:00:01/1)");
    EXPECT_EQ(opener.PortName(2), "/dev/x0");
}

// The board used last ends the search when it answers; without one, every
// board that answers is offered.
TEST(BoardSearch, OnlyTheBoardUsedLastIsTakenWithoutAChoice) {
    TempDir config;
    const ScopedEnv configHome("XDG_CONFIG_HOME", config.Path().c_str());
    const ScopedEnv noBus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    const ScopedEnv pattern(CDevicePortOpener::kPatternVariable, "/dev/x%d");
    EXPECT_TRUE(CBoardSearchOpener().OffersChoice());
    EXPECT_EQ(CBoardSearchOpener().SettledPort(), std::nullopt);
    ASSERT_TRUE(RememberLastBoard("/dev/x4"));
    const CBoardSearchOpener opener;
    EXPECT_EQ(opener.SettledPort(), 0);
    EXPECT_EQ(opener.PortName(0), "/dev/x4");
    EXPECT_EQ(opener.PortCount(), 9);
}

// A port on one end of a socket pair, the board's side on the other.
class SocketPortTest : public testing::Test {
protected:
    SocketPortTest() { Pair(m_pPort, m_nBoard); }
    ~SocketPortTest() override { close(m_nBoard); }
    static void Pair(std::unique_ptr<CSocketPort>& pPort, int& nBoard) {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        pPort = CSocketPort::Adopt(fds[0]);
        nBoard = fds[1];
    }
    void BoardSends(const Bytes& bytes) const {
        ASSERT_EQ(write(m_nBoard, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    std::unique_ptr<CSocketPort> m_pPort;
    int m_nBoard = -1;
    CSteadyClock m_clock;
};

TEST_F(SocketPortTest, AReplyInPiecesIsOneReplyAndStaleBytesAreDropped) {
    const Frame request = BuildOpenFrame();
    BoardSends({0x55, 0x55});  // left over from an earlier request
    m_pPort->DiscardInput();
    const Bytes reply = {0xD3, 0x05, 0x6F, 0x01, 0x02, 0x03, 0x04, 0xB3};
    std::thread board([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        BoardSends(Bytes(reply.begin(), reply.begin() + 3));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        BoardSends(Bytes(reply.begin() + 3, reply.end()));
    });
    const Exchange exchange = Transact(*m_pPort, m_clock, request, {});
    board.join();
    EXPECT_TRUE(exchange.bWritten);
    EXPECT_EQ(Bytes(exchange.Received().begin(), exchange.Received().end()), reply);
    Bytes sent(request.size());
    ASSERT_EQ(read(m_nBoard, sent.data(), sent.size()), ssize_t(sent.size()));
    EXPECT_EQ(sent, Bytes(request.begin(), request.end()));
}

TEST_F(SocketPortTest, ThePeerClosingIsAHangUpAndAnAbortEndsABlockedWrite) {
    // The board takes nothing: the write fills the socket and blocks until aborted.
    std::future<bool> written = std::async(
        std::launch::async, [&] { return m_pPort->Write(Bytes(4 * 1024 * 1024, 0xAA)); });
    EXPECT_EQ(written.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    m_pPort->Abort();
    ASSERT_EQ(written.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_FALSE(written.get());
    EXPECT_FALSE(m_pPort->Write(Bytes{1}));

    std::unique_ptr<CSocketPort> pOther;
    int nOtherBoard = -1;
    Pair(pOther, nOtherBoard);
    uint8_t buffer[8];
    EXPECT_FALSE(pOther->Read(buffer).bNotConnected);
    close(nOtherBoard);
    EXPECT_TRUE(pOther->Read(buffer).bNotConnected);
    EXPECT_FALSE(pOther->Write(Bytes{1})) << "a write to a closed peer fails, no SIGPIPE";
}

TEST(TcpPort, ConnectsOverTheLoopbackAndSaysWhenRefused) {
    const int nListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof(address);
    ASSERT_EQ(bind(nListener, reinterpret_cast<sockaddr*>(&address), nLength), 0);
    ASSERT_EQ(listen(nListener, 1), 0);
    ASSERT_EQ(getsockname(nListener, reinterpret_cast<sockaddr*>(&address), &nLength), 0);
    const uint16_t nPort = ntohs(address.sin_port);

    EConnectError error = EConnectError::Other;
    std::string strWhy;
    std::unique_ptr<CSocketPort> pPort = CSocketPort::ConnectTcp("localhost", nPort, error, strWhy);
    ASSERT_NE(pPort, nullptr) << strWhy;
    EXPECT_EQ(error, EConnectError::None);
    const int nBoard = accept(nListener, nullptr, nullptr);
    ASSERT_TRUE(pPort->Write(Bytes{0xD2, 0x05}));
    uint8_t buffer[2];
    EXPECT_EQ(read(nBoard, buffer, 2), 2);
    close(nBoard);
    close(nListener);
    EXPECT_EQ(CSocketPort::ConnectTcp("127.0.0.1", nPort, error, strWhy), nullptr);
    EXPECT_EQ(error, EConnectError::Refused);
}

}  // namespace
