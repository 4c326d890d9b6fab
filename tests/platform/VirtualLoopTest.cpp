#include "platform/testing/VirtualLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace platform;
using platform::testing::TVirtualLoop;

TEST(VirtualLoop, TimersFireInOrderOfDueTime) {
    TVirtualLoop loop;
    std::vector<std::string> log;
    TTimer fast(10), slow(25);
    fast.OnTimer = [&] { log.push_back("fast@" + std::to_string(Now())); };
    slow.OnTimer = [&] { log.push_back("slow@" + std::to_string(Now())); };
    fast.SetEnabled(true);
    slow.SetEnabled(true);
    loop.Advance(30);
    EXPECT_EQ(log, (std::vector<std::string>{"fast@10", "fast@20", "slow@25", "fast@30"}));
    EXPECT_EQ(Now(), 30);
}

TEST(VirtualLoop, TimerThatStopsItselfFiresOnceAndRestartsFromNow) {
    TVirtualLoop loop;
    int fired = 0;
    TTimer t(10);
    t.OnTimer = [&] {
        ++fired;
        t.SetEnabled(false);
    };
    t.SetEnabled(true);
    loop.Advance(9);
    EXPECT_EQ(fired, 0);
    loop.Advance(50);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(loop.ActiveTimers(), 0);
    t.SetEnabled(true); // counts from now (59), not from the old due time
    loop.Advance(9);
    EXPECT_EQ(fired, 1);
    loop.Advance(1);
    EXPECT_EQ(fired, 2);
}

TEST(VirtualLoop, TimerDestroyedByAnotherTimerDoesNotFire) {
    TVirtualLoop loop;
    auto victim = std::make_unique<TTimer>(20);
    int victimFired = 0;
    victim->OnTimer = [&] { ++victimFired; };
    victim->SetEnabled(true);
    TTimer killer(20);
    killer.OnTimer = [&] { victim.reset(); };
    killer.SetEnabled(true);
    // Both fall due at 20; the victim started first and fires once, then goes.
    loop.Advance(100);
    EXPECT_EQ(victimFired, 1);
}

TEST(VirtualLoop, WorkPostedFromAnotherThreadRunsOnTheLoop) {
    TVirtualLoop loop;
    std::thread::id ranOn;
    std::thread worker([&] { Post([&] { ranOn = std::this_thread::get_id(); }); });
    worker.join();
    EXPECT_EQ(ranOn, std::thread::id());
    ProcessMessages();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}
