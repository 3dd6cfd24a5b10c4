#include "platform/event_loop.h"

#include <algorithm>

namespace mora {

void ManualEventLoop::Post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(fn));
}

void ManualEventLoop::StartTimer(int id, int intervalMs, std::function<void()> fn) {
    int64_t interval = std::max(1, intervalMs);
    timers_[id] = Timer{interval, now_ + interval, std::move(fn)};
}

void ManualEventLoop::StopTimer(int id) {
    timers_.erase(id);
}

size_t ManualEventLoop::PendingCount() {
    std::lock_guard lock(mutex_);
    return posted_.size();
}

int ManualEventLoop::RunPending() {
    int count = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty()) return count;
            fn = std::move(posted_.front());
            posted_.pop_front();
        }
        fn();
        ++count;
    }
}

void ManualEventLoop::Advance(int64_t ms) {
    const int64_t end = now_ + ms;
    RunPending();
    for (;;) {
        // The earliest due timer; ties go to the lower identifier.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due <= end &&
                (next == timers_.end() || it->second.due < next->second.due))
                next = it;
        }
        if (next == timers_.end()) break;
        now_ = next->second.due;
        next->second.due += next->second.interval;
        auto fn = next->second.fn;  // the callback may stop or restart its own timer
        fn();
        RunPending();
    }
    now_ = end;
}

void BlockingEventLoop::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    wake_.notify_one();
}

void BlockingEventLoop::StartTimer(int id, int intervalMs, std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    auto interval = std::chrono::milliseconds(std::max(1, intervalMs));
    timers_[id] = Timer{interval, Clock::now() + interval, std::move(fn)};
}

void BlockingEventLoop::StopTimer(int id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

void BlockingEventLoop::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
}

void BlockingEventLoop::Run() {
    std::unique_lock lock(mutex_);
    quit_ = false;
    while (!quit_) {
        if (!posted_.empty()) {
            auto fn = std::move(posted_.front());
            posted_.pop_front();
            lock.unlock();
            fn();
            lock.lock();
            continue;
        }
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (next == timers_.end() || it->second.due < next->second.due) next = it;
        }
        if (next != timers_.end() && next->second.due <= Clock::now()) {
            next->second.due += next->second.interval;
            auto fn = next->second.fn;
            lock.unlock();
            fn();
            lock.lock();
            continue;
        }
        if (next == timers_.end()) {
            wake_.wait(lock);
        } else {
            const Clock::time_point due = next->second.due;
            wake_.wait_until(lock, due);
        }
    }
}

}  // namespace mora
