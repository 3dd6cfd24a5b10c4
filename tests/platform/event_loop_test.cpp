#include <gtest/gtest.h>

#include <thread>

#include "platform/event_loop.h"

namespace mora {
namespace {

TEST(ManualEventLoop, PostsRunInOrderAndTimersFireOnTheVirtualClock) {
    ManualEventLoop loop;
    std::vector<std::string> log;
    loop.Post([&] {
        log.push_back("a");
        loop.Post([&] { log.push_back("c"); });  // runs after b, not inside a
    });
    loop.Post([&] { log.push_back("b"); });
    EXPECT_EQ(loop.RunPending(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));

    log.clear();
    int ticks = 0;
    loop.StartTimer(1, 100, [&] {
        log.push_back("t1@" + std::to_string(loop.NowMs()));
        if (++ticks == 3) loop.StopTimer(1);
    });
    loop.StartTimer(2, 250, [&] { log.push_back("t2@" + std::to_string(loop.NowMs())); });
    loop.Advance(99);
    EXPECT_TRUE(log.empty());
    loop.Advance(401);
    EXPECT_EQ(log, (std::vector<std::string>{"t1@100", "t1@200", "t2@250", "t1@300", "t2@500"}));
    EXPECT_FALSE(loop.TimerActive(1));
    EXPECT_TRUE(loop.TimerActive(2));
}

TEST(BlockingEventLoop, RunsPostsFromOtherThreadsAndTimersUntilQuit) {
    BlockingEventLoop loop;
    int ticks = 0;
    std::vector<int> order;
    loop.StartTimer(7, 5, [&] {
        if (++ticks == 3) {
            loop.StopTimer(7);
            std::thread([&] {
                loop.Post([&] { order.push_back(1); });
                loop.Post([&] {
                    order.push_back(2);
                    loop.Quit();
                });
            }).detach();
        }
    });
    loop.Run();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace mora
