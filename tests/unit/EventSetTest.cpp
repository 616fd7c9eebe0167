#include <gtest/gtest.h>

#include <thread>

#include "platform/CEventSet.h"

namespace {

TEST(EventSet, AWaitTakesTheLowestSetEventOnceHoweverOftenItWasSet) {
    CEventSet events(5);
    std::stop_source stop;
    events.Set(3);
    events.Set(1);
    events.Set(1);
    EXPECT_EQ(events.WaitAny(stop.get_token()), 1u);
    EXPECT_FALSE(events.IsSet(1));
    EXPECT_TRUE(events.IsSet(3));
    events.Reset(3);
    EXPECT_FALSE(events.IsSet(3));
    std::jthread setter([&] { events.Set(4); });
    EXPECT_EQ(events.WaitAny(stop.get_token()), 4u);
}

TEST(EventSet, AStopRequestInterruptsABlockedWait) {
    CEventSet events(5);
    std::optional<size_t> result = 99;
    std::jthread waiter([&](std::stop_token stop) { result = events.WaitAny(stop); });
    waiter.request_stop();
    waiter.join();
    EXPECT_EQ(result, std::nullopt);
}

}  // namespace
