#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "link/Protocol.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A read buffer as the link has it: zero-filled past what arrived.
Bytes Buffer(Bytes received, size_t nSize = Protocol::kReplyBufferSize) {
    received.resize(nSize, 0);
    return received;
}

TEST(FrameCodec, BuildsTheWorkedQueryFramesByteForByte) {
    EXPECT_EQ(BuildCommandFrame(0xD3, 's'), (Bytes{0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5}));
    EXPECT_EQ(BuildCommandFrame(0xD3, 'r'), (Bytes{0xD3, 0x05, 0x72, 0, 0, 0, 0, 0xA4}));
    EXPECT_EQ(BuildCommandFrame(0xD3, 'p'), (Bytes{0xD3, 0x05, 0x70, 0, 0, 0, 0, 0xA6}));
}

TEST(FrameCodec, BuildsTheOpenFrameAndChunkRequests) {
    EXPECT_EQ(BuildOpenFrame(), (Bytes{0xD3, 0x01, 0x01, 0xD3}));
    EXPECT_EQ(BuildChunkRequest(0), (Bytes{0xD3, 0x02, 0x7A, 0x00, 0xAB}));
    EXPECT_EQ(BuildChunkRequest(5), (Bytes{0xD3, 0x02, 0x7A, 0x05, 0xAE}));
    EXPECT_EQ(BuildChunkRequest(0xAB), (Bytes{0xD3, 0x02, 0x7A, 0xAB, 0x00}));
}

TEST(FrameCodec, BuildsChangeFramesWithParameters) {
    // Clear CMOS and reset actions, checksums worked by hand.
    EXPECT_EQ(BuildCommandFrame(0x53, 0x04, 0x08), (Bytes{0x53, 0x05, 0x04, 0x08, 0, 0, 0, 0x5A}));
    EXPECT_EQ(BuildCommandFrame(0x53, 0x04, 0x10), (Bytes{0x53, 0x05, 0x04, 0x10, 0, 0, 0, 0x42}));
    // An item write: value 0x1234 little-endian.
    EXPECT_EQ(BuildCommandFrame(0x53, 'A', 0x34, 0x12),
              (Bytes{0x53, 0x05, 0x41, 0x34, 0x12, 0, 0, 0x53 ^ 0x05 ^ 0x41 ^ 0x34 ^ 0x12}));
}

TEST(FrameCodec, AcceptsACheckedReplyToTheSameLetter) {
    // 53 05 73 01 00 00 00: lock reply; 53^05^73^01 = 24.
    const Bytes reply = Buffer({0x53, 0x05, 0x73, 0x01, 0, 0, 0, 0x24});
    EXPECT_EQ(IsValidReply(reply, 's'), EReplyCheck::Valid);
}

TEST(FrameCodec, TellsChecksumFailuresFromMalformedReplies) {
    EXPECT_EQ(IsValidReply(Buffer({0x53, 0x05, 0x73, 0x01, 0, 0, 0, 0x25}), 's'),
              EReplyCheck::ChecksumFailure);
    // Wrong start byte, wrong letter, nothing at all: malformed, not counted.
    EXPECT_EQ(IsValidReply(Buffer({0x54, 0x05, 0x73, 0x01, 0, 0, 0, 0x23}), 's'),
              EReplyCheck::Malformed);
    EXPECT_EQ(IsValidReply(Buffer({0x53, 0x05, 0x72, 0x01, 0, 0, 0, 0x25}), 's'),
              EReplyCheck::Malformed);
    EXPECT_EQ(IsValidReply(Buffer({}), 's'), EReplyCheck::Malformed);
}

TEST(FrameCodec, ChecksOnlyTheBytesTheLengthByteCovers) {
    // L = 1: 53 01 73 and checksum 21; what follows is not looked at.
    EXPECT_EQ(IsValidReply(Buffer({0x53, 0x01, 0x73, 0x21, 0xEE, 0xEE}), 's'), EReplyCheck::Valid);
}

TEST(FrameCodec, RefusesALengthByteAbove124) {
    // 125 + 3 does not fit a signed byte: the checksum cannot be located.
    for (uint8_t nLength : {uint8_t{125}, uint8_t{0x80}, uint8_t{0xFF}}) {
        Bytes reply = Buffer({0x53, nLength, 0x73});
        EXPECT_FALSE(HasValidChecksum(reply)) << int(nLength);
        EXPECT_NE(IsValidReply(reply, 's'), EReplyCheck::Valid) << int(nLength);
    }
    // 124 is the largest that can be checked: 127 bytes.
    Bytes longest(127, 0);
    longest[0] = 0x53;
    longest[1] = 124;
    longest[2] = 0x73;
    longest[126] = XorChecksum(std::span(longest).first(126));
    EXPECT_EQ(IsValidReply(Buffer(longest), 's'), EReplyCheck::Valid);
}

TEST(FrameCodec, NeverReadsPastAShortBuffer) {
    // A checksum position beyond the buffer is a failure, not a read past its end.
    EXPECT_FALSE(HasValidChecksum(Bytes{0x53, 0x05, 0x73}));
    EXPECT_FALSE(HasValidChecksum(Bytes{0x53}));
    EXPECT_EQ(IsValidReply(Bytes{0x53, 0x05}, 's'), EReplyCheck::Malformed);
}

}  // namespace
