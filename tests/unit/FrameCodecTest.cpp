#include <gtest/gtest.h>

#include "link/FrameCodec.h"
#include "link/Protocol.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(FrameCodec, BuildsTheWorkedFramesByteForByte) {
    // Checksums worked by hand.
    EXPECT_EQ(BuildCommandFrame(0xD3, 's'), (Bytes{0xD3, 0x05, 0x73, 0, 0, 0, 0, 0xA5}));
    EXPECT_EQ(BuildCommandFrame(0xD3, 'r'), (Bytes{0xD3, 0x05, 0x72, 0, 0, 0, 0, 0xA4}));
    EXPECT_EQ(BuildCommandFrame(0xD3, 'p'), (Bytes{0xD3, 0x05, 0x70, 0, 0, 0, 0, 0xA6}));
    EXPECT_EQ(BuildOpenFrame(), (Bytes{0xD3, 0x01, 0x01, 0xD3}));
    EXPECT_EQ(BuildChunkRequest(0), (Bytes{0xD3, 0x02, 0x7A, 0x00, 0xAB}));
    EXPECT_EQ(BuildChunkRequest(0xAB), (Bytes{0xD3, 0x02, 0x7A, 0xAB, 0x00}));
    // Clear CMOS, and an item write of 0x1234 little-endian.
    EXPECT_EQ(BuildCommandFrame(0x53, 0x04, 0x08), (Bytes{0x53, 0x05, 0x04, 0x08, 0, 0, 0, 0x5A}));
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

}  // namespace
