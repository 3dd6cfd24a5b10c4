#pragma once
// The program's one event loop as the core sees it: posted callbacks and interval timers.
// Everything the core does runs on the loop's thread; only Post may be called from another
// thread (the sound server's callbacks hand buffers over that way).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace mora {

class EventLoop {
  public:
    virtual ~EventLoop() = default;
    // Queues fn to run on the loop's thread, after the callback now running returns; callbacks
    // run in the order they were posted. Safe to call from any thread.
    virtual void Post(std::function<void()> fn) = 0;
    // Starts timer `id` (or restarts it with the new interval and callback): fn runs every
    // intervalMs milliseconds on the loop's thread until StopTimer(id).
    virtual void StartTimer(int id, int intervalMs, std::function<void()> fn) = 0;
    virtual void StopTimer(int id) = 0;
};

// A loop whose clock moves only when a test says so, so timing-driven code runs the same way
// every time.
class ManualEventLoop : public EventLoop {
  public:
    void Post(std::function<void()> fn) override;
    void StartTimer(int id, int intervalMs, std::function<void()> fn) override;
    void StopTimer(int id) override;

    // Runs posted callbacks, including those they post, until none is left. Returns how many ran.
    int RunPending();
    // Moves the clock forward by ms, firing due timers in time order (posted callbacks run
    // before each timer and at the end).
    void Advance(int64_t ms);
    int64_t NowMs() const { return now_; }
    bool TimerActive(int id) const { return timers_.count(id) != 0; }
    size_t PendingCount();

  private:
    struct Timer {
        int64_t interval;
        int64_t due;
        std::function<void()> fn;
    };
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
    std::map<int, Timer> timers_;
    int64_t now_ = 0;
};

// A real-time loop for programs without a window system (mora-cli): Run() blocks, running
// posted callbacks and timers, until Quit().
class BlockingEventLoop : public EventLoop {
  public:
    void Post(std::function<void()> fn) override;
    void StartTimer(int id, int intervalMs, std::function<void()> fn) override;
    void StopTimer(int id) override;
    void Run();
    // Ends Run() after the callback now running; safe from any thread.
    void Quit();

  private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Clock::duration interval;
        Clock::time_point due;
        std::function<void()> fn;
    };
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    std::map<int, Timer> timers_;
    bool quit_ = false;
};

}  // namespace mora
