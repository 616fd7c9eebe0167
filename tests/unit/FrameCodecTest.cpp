// Frames and the port's busy flag.

#include <gtest/gtest.h>

#include "link/CBusyFlag.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "platform/CVirtualClock.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

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

class BusyFlagTest : public testing::Test {
protected:
    CBusyFlag::Hold Take(EBusyDiscipline discipline) {
        return m_flag.Take(discipline, m_clock, m_stop.get_token());
    }

    CBusyFlag m_flag;
    CVirtualClock m_clock;
    std::stop_source m_stop;
};

TEST_F(BusyFlagTest, SkipTakesAFreeFlagAndRefusesAHeldOneWithoutWaiting) {
    {
        CBusyFlag::Hold first = Take(EBusyDiscipline::Skip);
        ASSERT_TRUE(first);
        EXPECT_TRUE(m_flag.IsSet());
        EXPECT_FALSE(Take(EBusyDiscipline::Skip));
        EXPECT_TRUE(m_flag.IsSet()) << "a refused take must not clear the holder's flag";
    }
    EXPECT_FALSE(m_flag.IsSet());
    EXPECT_TRUE(Take(EBusyDiscipline::Skip));
    EXPECT_TRUE(m_clock.Sleeps().empty());
}

TEST_F(BusyFlagTest, WaitingGivesUpAfterAHundredLooksOrAtOnceOnStop) {
    CBusyFlag::Hold holder = Take(EBusyDiscipline::Skip);
    EXPECT_FALSE(Take(EBusyDiscipline::WaitShort));
    EXPECT_EQ(m_clock.Sleeps(), std::vector<std::chrono::milliseconds>(100, 20ms));
    EXPECT_FALSE(Take(EBusyDiscipline::WaitLong));
    EXPECT_EQ(m_clock.Elapsed(), 100 * 20ms + 100 * 50ms);
    m_stop.request_stop();
    EXPECT_FALSE(Take(EBusyDiscipline::WaitLong));
    EXPECT_EQ(m_clock.Sleeps().size(), 200u);
}

TEST_F(BusyFlagTest, OnlyTheHolderFreesTheFlagAndAMovedHoldFreesItOnce) {
    CBusyFlag::Hold first = Take(EBusyDiscipline::Skip);
    {
        CBusyFlag::Hold unflagged = Take(EBusyDiscipline::None);
        EXPECT_TRUE(unflagged);
    }
    EXPECT_TRUE(m_flag.IsSet()) << "ending an unflagged use must not free the holder's flag";
    CBusyFlag::Hold second = std::move(first);
    EXPECT_TRUE(m_flag.IsSet());
    second = CBusyFlag::Hold();
    EXPECT_FALSE(m_flag.IsSet());
}

}  // namespace
