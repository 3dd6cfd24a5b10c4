#pragma once
// How much of real time the buffer handlers take: each handler's run time against the audio time
// its buffer holds, over a window of the most recent buffers. The about screen shows the
// share; the benchmark reads the worst handler times.

#include <array>
#include <chrono>
#include <cstdint>

namespace mora {

class ProcessorLoad {
  public:
    static constexpr int kWindow = 100;  // buffers: five seconds at 20 buffers a second

    // One handler run of `busy` for a buffer of `audio` length.
    void Add(std::chrono::nanoseconds busy, std::chrono::nanoseconds audio);
    // Busy time over audio time across the window (0 before the first buffer).
    double Share() const;
    // The longest handler run since the last Reset, and the 99th percentile of the window.
    std::chrono::nanoseconds Max() const { return max_; }
    std::chrono::nanoseconds Percentile99() const;
    void Reset();

  private:
    std::array<int64_t, kWindow> busy_{};
    std::array<int64_t, kWindow> audio_{};
    int next_ = 0;
    int count_ = 0;
    std::chrono::nanoseconds max_{0};
};

// The monotonic clock. A handler's run time on it is what decides whether buffers come back in
// time, and reading it costs no system call, which matters at twenty handlers a second.
std::chrono::nanoseconds HandlerClock();

// Times one handler run into `load`.
class LoadTimer {
  public:
    LoadTimer(ProcessorLoad& load, std::chrono::nanoseconds audio)
        : load_(load), audio_(audio), start_(HandlerClock()) {}
    ~LoadTimer() { load_.Add(HandlerClock() - start_, audio_); }
    LoadTimer(const LoadTimer&) = delete;
    LoadTimer& operator=(const LoadTimer&) = delete;

  private:
    ProcessorLoad& load_;
    std::chrono::nanoseconds audio_;
    std::chrono::nanoseconds start_;
};

}  // namespace mora
