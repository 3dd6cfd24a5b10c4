#pragma once
// Measuring the sound output's real sample rate: silent buffers of 8192 mono 16-bit samples at
// a nominal 44100 Hz are played and the time they take is counted. The first five buffers let
// the device settle; after that each buffer moves the running estimate a fifth of the way
// towards the rate measured since then.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/audio_device.h"

namespace mora {

// The setup program's audio: PCM, one channel, 16 bits, 44100 Hz, in buffers of 16384 bytes.
inline constexpr uint32_t kToolBufferBytes = 16384;
inline constexpr uint32_t kToolBufferSamples = kToolBufferBytes / 2;
PcmFormat ToolFormat();

inline constexpr uint32_t kMeasureBuffers = 405;
inline constexpr uint32_t kMeasureSettleBuffers = 5;

struct RateMeasurement {
    uint32_t counter = 0;  // buffers back so far
    uint32_t startMs = 0;
    uint64_t samples = 0;  // counted since startMs
    double estimate = 44100;
};

// What a returned buffer gives to show: every fourth buffer after the settling ones, the rate
// to store and the countdown (100 down to 1 over the default 405 buffers).
struct RateReport {
    bool show = false;
    uint32_t rate = 0;
    int countdown = 0;
};

void StartRateMeasurement(RateMeasurement& m, uint32_t storedRate);
RateReport CountRateBuffer(RateMeasurement& m, uint32_t nowMs);
// "Wait... %3d"
std::string CountdownText(int countdown);

// Runs the measurement on the default output of `system`: four silent buffers in flight, each
// queued again when it comes back, until `totalBuffers` have come back or Stop is called.
class SampleRateMeter {
  public:
    using Clock = std::function<uint32_t()>;
    using OnReport = std::function<void(const RateReport&)>;
    using OnFinished = std::function<void()>;

    // `clock` gives milliseconds (the monotonic tick count unless a test gives its own).
    explicit SampleRateMeter(AudioSystem& system, Clock clock = {});
    ~SampleRateMeter();
    SampleRateMeter(const SampleRateMeter&) = delete;
    SampleRateMeter& operator=(const SampleRateMeter&) = delete;

    // kAudioOk, or the device's error (nothing runs then). `onFinished` runs once the last
    // buffer is back and the device is closed; not after Stop. The meter must outlive the
    // device's pending callbacks only while it runs: Stop (and the destructor) detach them.
    int Start(uint32_t storedRate, uint32_t totalBuffers, OnReport onReport, OnFinished onFinished);
    // Resets and closes the device at once.
    void Stop();
    bool Running() const { return session_ != nullptr; }

  private:
    struct Session;
    AudioSystem& system_;
    Clock clock_;
    std::shared_ptr<Session> session_;
};

}  // namespace mora
