#include <gtest/gtest.h>

#include <algorithm>

#include "link/FrameCodec.h"
#include "platform/CVirtualClock.h"
#include "sim/CBoardModel.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The one reply to one request, or nothing.
Bytes Ask(CBoardModel& board, const Bytes& request) {
    auto replies = board.Feed(request);
    return replies.size() == 1 ? replies[0].bytes : Bytes{};
}

// Power actions are acknowledged at once and take effect after their delay;
// a power-on walks the poster through the start-up codes until it settles.
TEST(BoardModel, PowerActionsTakeEffectLaterAndAPowerOnWalksThePoster) {
    auto pClock = std::make_shared<CVirtualClock>();
    CBoardModel board(CBoardDescription::Demo(), pClock);
    const std::vector<int>& codes = CBoardModel::StartupCodes();
    EXPECT_EQ(board.PosterCode(), codes.back());
    const Bytes status = BuildCommandFrame(0xD3, 'p');
    // 53^05^70 = 26, then the state byte: 15 on, 0 off.
    EXPECT_EQ(Ask(board, status), (Bytes{0x53, 0x05, 0x70, 0x0F, 0, 0, 0, 0x29}));
    EXPECT_EQ(Ask(board, BuildCommandFrame(0x53, 0x04, 0x02)),
              (Bytes{0x53, 0x05, 0x04, 0, 0, 0, 0, 0x52}));
    EXPECT_TRUE(board.IsPoweredOn());
    pClock->SleepFor(CBoardModel::kPowerOffDelay, {});
    EXPECT_EQ(Ask(board, status), (Bytes{0x53, 0x05, 0x70, 0x00, 0, 0, 0, 0x26}));
    // Off, a reset changes nothing and a mask that is no action is not acknowledged.
    EXPECT_FALSE(Ask(board, BuildCommandFrame(0x53, 0x04, 0x10)).empty());
    EXPECT_TRUE(Ask(board, BuildCommandFrame(0x53, 0x04, 0x03)).empty());
    EXPECT_FALSE(Ask(board, BuildCommandFrame(0x53, 0x04, 0x01)).empty());
    pClock->SleepFor(CBoardModel::kPowerOnDelay - std::chrono::milliseconds(1), {});
    EXPECT_FALSE(board.IsPoweredOn());
    pClock->SleepFor(std::chrono::milliseconds(1), {});
    EXPECT_TRUE(board.IsPoweredOn());
    EXPECT_EQ(board.PosterCode(), codes.at(0));
    pClock->SleepFor(CBoardModel::kPostCodeStep * 2, {});
    // The "r" reply: mode, then the code little-endian.
    const uint8_t nCode = static_cast<uint8_t>(codes.at(2));
    EXPECT_EQ(Ask(board, BuildCommandFrame(0xD3, 'r')),
              (Bytes{0x53, 0x05, 0x72, 0x01, nCode, 0, 0, static_cast<uint8_t>(0x25 ^ nCode)}));
    pClock->SleepFor(CBoardModel::kPostCodeStep * static_cast<int>(codes.size()), {});
    EXPECT_EQ(board.PosterCode(), codes.back());
    // A held code wins over the walk; "q" chooses the mode.
    board.HoldPosterCode(0x1F0);
    EXPECT_FALSE(Ask(board, BuildCommandFrame(0x53, 'q', 0x10)).empty());
    EXPECT_EQ(Ask(board, BuildCommandFrame(0xD3, 'r')),
              (Bytes{0x53, 0x05, 0x72, 0x00, 0xF0, 0x01, 0, 0xD5}));
}

TEST(BoardModel, AnswersWholeCheckedRequestsAtLineSpeedAndSkipsNoise) {
    CBoardModel board;
    board.SetChunkCount(3);
    // 53^05^01^03 = 54, worked by hand; an unknown letter is echoed.
    auto replies = board.Feed(BuildOpenFrame());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, (Bytes{0x53, 0x05, 0x01, 0x03, 0, 0, 0, 0x54}));
    EXPECT_EQ(Ask(board, BuildCommandFrame(0xD3, '~')),
              (Bytes{0x53, 0x05, 0x7E, 0, 0, 0, 0, 0x28}));
    // 8 bytes of 10 bits at 57600 baud.
    EXPECT_EQ(CBoardModel::LineTime(8).count(), 1388);
    EXPECT_EQ(replies[0].delay, CBoardModel::kTurnaround + CBoardModel::LineTime(8));
    // In pieces, after noise and a request with a bad checksum.
    const Bytes frame = BuildCommandFrame(0xD3, 'p');
    Bytes bad = BuildCommandFrame(0xD3, 's');
    bad.back() ^= 0xFF;
    bad.insert(bad.end(), {0x00, 0x42, frame[0], frame[1], frame[2]});
    EXPECT_TRUE(board.Feed(bad).empty());
    replies = board.Feed(std::span(frame).subspan(3));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes[2], 'p');
    EXPECT_EQ(board.Requests().back(), frame);
}

// Each fault on its own is met by the link's tests that need it; noise
// spoils about its share of replies, each in one way.
TEST(BoardModel, NoiseSpoilsItsShareOfReplies) {
    const Bytes request = BuildCommandFrame(0xD3, 's');
    const Bytes good = CBoardModel().Feed(request)[0].bytes;
    CBoardModel board;
    board.SetNoise(30, 3);
    int nSpoiled = 0;
    for (int i = 0; i < 1000; ++i) {
        auto replies = board.Feed(request);
        nSpoiled += replies.empty() || replies[0].bytes != good ||
                    replies[0].delay > std::chrono::milliseconds(100);
    }
    EXPECT_GT(nSpoiled, 250);
    EXPECT_LT(nSpoiled, 350);
}

CBoardDescription Describe(const std::string& strText) {
    CBoardDescription description;
    std::string strError;
    EXPECT_TRUE(description.Parse(strText, strError)) << strError;
    return description;
}

TEST(BoardModel, ServesItsDescriptionInChunksAndItsItemsInTheirEncoding) {
    CBoardModel board(Describe("AB"));
    EXPECT_EQ(board.ChunkCount(), 1);
    // 53^00^41^42 = 50.
    EXPECT_EQ(Ask(board, BuildChunkRequest(0)), (Bytes{0x53, 0x00, 0x41, 0x42, 0x50}));
    EXPECT_TRUE(board.Feed(BuildChunkRequest(1)).empty());  // no such chunk

    // Split as asked; every reply fits the 100 ms an exchange waits.
    CBoardModel demo;
    EXPECT_GE(demo.ChunkCount(), 8);
    std::string strJoined;
    for (int i = 0; i < demo.ChunkCount(); ++i) {
        Bytes reply = Ask(demo, BuildChunkRequest(static_cast<uint8_t>(i)));
        ASSERT_GE(reply.size(), 3u);
        strJoined.append(reply.begin() + 2, reply.end() - 1);
        EXPECT_LT(demo.Feed(BuildChunkRequest(static_cast<uint8_t>(i)))[0].delay,
                  std::chrono::milliseconds(60));
    }
    EXPECT_EQ(strJoined, demo.Description().Bytes());

    // Range and value reads in the item's encoding.
    CBoardModel items(
        Describe("[Over_Volt]\nCount=2\n1=idx,1,1,10,20,12,1,1,0,0,65,97,12,1\n"
                 "2=plain,2,1,0,65535,4660,1,1,0,0,66,98,4660,1\n"));
    // Index-based: positions 1..11, value 12 is position 3. 53^05^61^01^0B = 3D.
    EXPECT_EQ(Ask(items, BuildCommandFrame(0xD3, 'a')),
              (Bytes{0x53, 0x05, 0x61, 0x01, 0x00, 0x0B, 0x00, 0x3D}));
    EXPECT_EQ(Ask(items, BuildCommandFrame(0xD3, 'A')),
              (Bytes{0x53, 0x05, 0x41, 0x03, 0x00, 0x00, 0x00, 0x14}));
    // Plain: 0x1234 little-endian.
    EXPECT_EQ(Ask(items, BuildCommandFrame(0xD3, 'B')),
              (Bytes{0x53, 0x05, 0x42, 0x34, 0x12, 0x00, 0x00, 0x32}));
    EXPECT_EQ(Ask(items, BuildCommandFrame(0xD3, 'b')),
              (Bytes{0x53, 0x05, 0x62, 0x00, 0x00, 0xFF, 0xFF, 0x34}));
}

TEST(BoardModel, AMonitoredValueHeldByHandIsAnsweredUntilReleased) {
    auto pClock = std::make_shared<CVirtualClock>();
    CBoardModel board(CBoardDescription::Demo(), pClock);
    const auto& items = board.Description().Items();
    const SimItem pump = *std::ranges::find(items, std::string("Pump"), &SimItem::strName);
    // The CPU sensor (letter 81) held past its range of 0..125: 200 is C8,
    // checksum 53^05^51^C8 = CF.
    ASSERT_TRUE(board.HoldValue("CPU", 200));
    ASSERT_TRUE(board.HoldValue("Pump", 0));
    pClock->SleepFor(std::chrono::seconds(30), {});
    EXPECT_EQ(Ask(board, BuildCommandFrame(0xD3, 81)),
              (Bytes{0x53, 0x05, 0x51, 0xC8, 0x00, 0x00, 0x00, 0xCF}));
    ASSERT_TRUE(board.HoldValue("Pump", std::nullopt));
    EXPECT_GT(board.CurrentValue(pump), 1000) << "the pump runs again";
    // Over-clock items are set by writes, not held; unknown names are refused.
    EXPECT_FALSE(board.HoldValue("CPU Vcore", 1300));
    EXPECT_FALSE(board.HoldValue("No Such Fan", 0));
}

// A start-up that begins with a voltage past its second threshold stops in
// memory training for good; one begun with the values back in range ends ready.
TEST(BoardModel, AStartUpWithAVoltagePastItsLimitStopsInMemoryTraining) {
    auto pClock = std::make_shared<CVirtualClock>();
    CBoardModel board(CBoardDescription::Demo(), pClock);
    const auto setVcore = [&board](uint16_t nRaw) {
        // The demo's Vcore is letter 65; 1401 is one step past its 1400.
        EXPECT_FALSE(Ask(board, BuildCommandFrame(0x53, 65, nRaw & 0xFF, nRaw >> 8)).empty());
    };
    const auto startUp = [&] {
        EXPECT_FALSE(Ask(board, BuildCommandFrame(0x53, 0x04, 0x10)).empty());  // reset
        pClock->SleepFor(CBoardModel::kResetDelay + std::chrono::seconds(60), {});
        return board.PosterCode();
    };
    setVcore(1400);
    EXPECT_EQ(startUp(), 0x00);
    setVcore(1401);
    EXPECT_EQ(board.PosterCode(), 0x00) << "a running PC is not touched by a write";
    EXPECT_EQ(startUp(), CBoardModel::kStallCode);
    setVcore(1250);
    EXPECT_EQ(startUp(), 0x00);
}

}  // namespace
