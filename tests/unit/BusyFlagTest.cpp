#include <gtest/gtest.h>

#include "link/CBusyFlag.h"
#include "platform/CVirtualClock.h"

namespace {

using namespace std::chrono_literals;

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
