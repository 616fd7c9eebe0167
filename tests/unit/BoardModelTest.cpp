#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "sim/CBoardModel.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(BoardModel, AnswersTheOpenFrameWithItsChunkCount) {
    CBoardModel board(3);
    auto replies = board.Feed(BuildOpenFrame());
    ASSERT_EQ(replies.size(), 1u);
    // 53^05^01^03 = 54, worked by hand.
    EXPECT_EQ(replies[0].bytes, (Bytes{0x53, 0x05, 0x01, 0x03, 0, 0, 0, 0x54}));
}

TEST(BoardModel, EchoesTheLetterOfOtherRequests) {
    CBoardModel board;
    auto replies = board.Feed(BuildCommandFrame(0xD3, 's'));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, (Bytes{0x53, 0x05, 0x73, 0, 0, 0, 0, 0x25}));
}

TEST(BoardModel, AssemblesFramesThatArriveInPiecesAndSkipsNoise) {
    CBoardModel board;
    const Bytes frame = BuildCommandFrame(0xD3, 'p');
    EXPECT_TRUE(board.Feed(Bytes{0x00, 0x42, frame[0], frame[1], frame[2]}).empty());
    auto replies = board.Feed(std::span(frame).subspan(3));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes[2], 'p');
    EXPECT_EQ(board.Requests(), std::vector<Bytes>{frame});
}

TEST(BoardModel, IgnoresARequestWithABadChecksumAndResynchronises) {
    CBoardModel board;
    Bytes bad = BuildCommandFrame(0xD3, 's');
    bad.back() ^= 0xFF;
    Bytes stream = bad;
    const Bytes good = BuildCommandFrame(0xD3, 'r');
    stream.insert(stream.end(), good.begin(), good.end());
    auto replies = board.Feed(stream);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes[2], 'r');
}

TEST(BoardModel, PacesRepliesAtTheLineSpeed) {
    // 8 bytes of 10 bits at 57600 baud.
    EXPECT_EQ(CBoardModel::LineTime(8).count(), 1388);
    CBoardModel board;
    auto replies = board.Feed(BuildOpenFrame());
    EXPECT_EQ(replies[0].delay, CBoardModel::kTurnaround + CBoardModel::LineTime(8));
}

TEST(BoardModel, InjectsEachFault) {
    const Bytes request = BuildCommandFrame(0xD3, 's');
    CBoardModel board;

    board.SetFault(EBoardFault::NoReply);
    EXPECT_TRUE(board.Feed(request).empty());

    board.SetFault(EBoardFault::WrongChecksum);
    EXPECT_EQ(IsValidReply(board.Feed(request)[0].bytes, 's'), EReplyCheck::ChecksumFailure);

    board.SetFault(EBoardFault::WrongLetter);
    Bytes wrongLetter = board.Feed(request)[0].bytes;
    EXPECT_EQ(IsValidReply(wrongLetter, 's'), EReplyCheck::Malformed);
    EXPECT_TRUE(HasValidChecksum(wrongLetter));

    board.SetFault(EBoardFault::Garbage);
    EXPECT_NE(board.Feed(request)[0].bytes[0], 0x53);

    board.SetFault(EBoardFault::LateReply);
    auto late = board.Feed(request);
    EXPECT_EQ(IsValidReply(late[0].bytes, 's'), EReplyCheck::Valid);
    EXPECT_GT(late[0].delay, std::chrono::milliseconds(100));
}

}  // namespace
