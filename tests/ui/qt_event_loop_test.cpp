#include <gtest/gtest.h>

#include <QThread>
#include <thread>
#include <vector>

#include "tests/ui/qt_test_app.h"
#include "ui/qt_event_loop.h"

namespace mora {
namespace {

TEST(QtEventLoop, CallbacksPostedFromAnotherThreadRunOnTheLoopThreadInOrder) {
    test::TestApp();
    QtEventLoop loop;
    std::vector<int> seen;
    bool allOnLoopThread = true;
    QThread* loopThread = QThread::currentThread();
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i) {
            loop.Post([&, i] {
                seen.push_back(i);
                allOnLoopThread = allOnLoopThread && QThread::currentThread() == loopThread;
            });
        }
    });
    poster.join();
    EXPECT_TRUE(seen.empty());  // nothing runs before the loop does
    ASSERT_TRUE(test::PumpUntil([&] { return seen.size() == 200; }));
    EXPECT_TRUE(allOnLoopThread);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(seen[i], i);
}

TEST(QtEventLoop, TimersRepeatUntilStoppedAndMayStopOrRestartThemselves) {
    test::TestApp();
    QtEventLoop loop;
    int ticks = 0;
    loop.StartTimer(1, 5, [&] {
        if (++ticks == 3) loop.StopTimer(1);
    });
    EXPECT_TRUE(loop.TimerActive(1));
    ASSERT_TRUE(test::PumpUntil([&] { return ticks == 3; }));
    test::PumpUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(loop.TimerActive(1));

    // Restarting from inside the callback replaces it; the old one never runs again.
    int oldTicks = 0;
    int newTicks = 0;
    loop.StartTimer(7, 5, [&] {
        ++oldTicks;
        loop.StartTimer(7, 5, [&] { ++newTicks; });
    });
    ASSERT_TRUE(test::PumpUntil([&] { return newTicks >= 3; }));
    EXPECT_EQ(oldTicks, 1);
    loop.StopTimer(7);
    loop.StopTimer(99);  // unknown: nothing happens
}

}  // namespace
}  // namespace mora
