#include "platform/audio/soft_device.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/audio/buffer_queue.h"
#include "platform/event_loop.h"

namespace mora {
namespace {

constexpr int kTickMs = 10;

int NextTimerId() {
    static std::atomic<int> next{0};
    return kSoftTimerBase + (next++ & 0xFFFF);
}

// The state the timer and the posted pump reach through a weak pointer, so that neither touches
// a device that was closed in between.
struct SoftCore : std::enable_shared_from_this<SoftCore> {
    SoftCore(EventLoop& loop, const PcmFormat& f, BufferDone done, Pace p)
        : queue(loop, std::move(done)), format(f), pace(p), timerId(NextTimerId()) {}

    BufferQueue queue;
    PcmFormat format;
    Pace pace;
    int timerId;
    bool input = false;
    std::unique_ptr<SampleSource> source;
    std::unique_ptr<SampleSink> sink;
    std::shared_ptr<std::atomic<uint32_t>> volume;
    bool open = true;
    bool running = false;
    bool ended = false;        // input: the source has no more samples
    bool endReported = false;  // input: a buffer came back short to say so
    bool pumpPosted = false;   // fast pace: a pump is already on its way
    uint64_t ticks = 0;        // real-time pace: ticks since the device last started running
    uint64_t framesUsed = 0;
    uint32_t frontOffset = 0;  // output: bytes of the first buffer already played
    std::vector<uint8_t> scratch;

    EventLoop& Loop() { return queue.Loop(); }

    void RunLocked(bool on) {
        if (on == running) return;
        running = on;
        if (pace == Pace::kFast) {
            if (on) SchedulePumpLocked();
            return;
        }
        if (on) {
            ticks = framesUsed = 0;
            std::weak_ptr<SoftCore> weak = shared_from_this();
            Loop().StartTimer(timerId, kTickMs, [weak] {
                if (auto core = weak.lock()) core->Tick();
            });
        } else {
            Loop().StopTimer(timerId);
        }
    }

    void SchedulePumpLocked() {
        if (pace != Pace::kFast || !running || pumpPosted) return;
        pumpPosted = true;
        std::weak_ptr<SoftCore> weak = shared_from_this();
        Loop().Post([weak] {
            if (auto core = weak.lock()) core->Pump();
        });
    }

    void Tick() {
        std::lock_guard lock(queue.mutex);
        if (!running) return;
        ++ticks;
        const uint64_t granted = ticks * format.rate / (1000 / kTickMs);
        const uint64_t frames = granted - framesUsed;
        framesUsed = granted;
        ProcessLocked(frames * format.BlockAlign());
    }

    void Pump() {
        std::lock_guard lock(queue.mutex);
        pumpPosted = false;
        if (running) ProcessLocked(std::numeric_limits<size_t>::max());
    }

    void ProcessLocked(size_t budget) {
        if (input) {
            FillLocked(budget);
        } else {
            PlayLocked(budget);
        }
    }

    void FillLocked(size_t budget) {
        if (ended) {
            // The first buffer after the end comes back empty, so the caller learns of it.
            if (!endReported && !queue.EmptyLocked()) {
                endReported = true;
                queue.CompleteFrontLocked();
            }
            return;
        }
        while (budget > 0 && !queue.EmptyLocked()) {
            AudioBuffer& b = queue.FrontLocked();
            const size_t want = std::min<size_t>(budget, b.length - b.bytesRecorded);
            const size_t got = source->Read(b.data + b.bytesRecorded, want);
            b.bytesRecorded += static_cast<uint32_t>(got);
            budget -= got;
            if (got < want) {
                ended = endReported = true;
                queue.CompleteFrontLocked();
                return;
            }
            if (b.bytesRecorded == b.length) queue.CompleteFrontLocked();
        }
        // Time passes for the source even when no buffer is there to take its samples.
        if (pace == Pace::kRealTime && budget > 0) {
            scratch.resize(budget);
            if (source->Read(scratch.data(), budget) < budget) ended = true;
        }
    }

    void PlayLocked(size_t budget) {
        while (budget > 0 && !queue.EmptyLocked()) {
            AudioBuffer& b = queue.FrontLocked();
            const size_t n = std::min<size_t>(budget, b.length - frontOffset);
            const uint32_t gain = volume ? volume->load() : 0xFFFFFFFFu;
            if (gain == 0xFFFFFFFFu) {
                sink->Write(b.data + frontOffset, n);
            } else {
                scratch.assign(b.data + frontOffset, b.data + frontOffset + n);
                ApplyVolume(scratch.data(), n, format, gain);
                sink->Write(scratch.data(), n);
            }
            frontOffset += static_cast<uint32_t>(n);
            budget -= n;
            if (frontOffset == b.length) {
                frontOffset = 0;
                queue.CompleteFrontLocked();
            }
        }
    }

    int EnqueueLocked(AudioBuffer& buffer) {
        if (!open) return kAudioError;
        const int rc = queue.EnqueueLocked(buffer);
        if (rc == kAudioOk) SchedulePumpLocked();
        return rc;
    }

    void ResetLocked() {
        queue.CompleteAllLocked();
        frontOffset = 0;
    }

    int CloseLocked() {
        if (!open) return kAudioOk;
        RunLocked(false);
        ResetLocked();
        open = false;
        source.reset();
        sink.reset();
        return kAudioOk;
    }

    int Message(uint32_t, uintptr_t, uintptr_t, uint32_t&) { return kAudioNotSupported; }
};

class SoftInput : public AudioInput {
  public:
    explicit SoftInput(std::shared_ptr<SoftCore> core) : core_(std::move(core)) {}
    ~SoftInput() override { Close(); }

    int Prepare(AudioBuffer& b) override { return core_->queue.Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return core_->queue.Unprepare(b); }
    int AddBuffer(AudioBuffer& b) override {
        std::lock_guard lock(core_->queue.mutex);
        return core_->EnqueueLocked(b);
    }
    int Start() override {
        std::lock_guard lock(core_->queue.mutex);
        if (!core_->open) return kAudioError;
        core_->RunLocked(true);
        return kAudioOk;
    }
    int Stop() override {
        std::lock_guard lock(core_->queue.mutex);
        core_->RunLocked(false);
        if (!core_->queue.EmptyLocked() && core_->queue.FrontLocked().bytesRecorded > 0)
            core_->queue.CompleteFrontLocked();
        return kAudioOk;
    }
    int Reset() override {
        std::lock_guard lock(core_->queue.mutex);
        core_->RunLocked(false);
        core_->ResetLocked();
        return kAudioOk;
    }
    int Close() override {
        std::lock_guard lock(core_->queue.mutex);
        return core_->CloseLocked();
    }
    int Message(uint32_t m, uintptr_t p1, uintptr_t p2, uint32_t& r) override {
        return core_->Message(m, p1, p2, r);
    }
    PcmFormat Format() const override { return core_->format; }

  private:
    std::shared_ptr<SoftCore> core_;
};

class SoftOutput : public AudioOutput {
  public:
    explicit SoftOutput(std::shared_ptr<SoftCore> core) : core_(std::move(core)) {}
    ~SoftOutput() override { Close(); }

    int Prepare(AudioBuffer& b) override { return core_->queue.Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return core_->queue.Unprepare(b); }
    int Write(AudioBuffer& b) override {
        std::lock_guard lock(core_->queue.mutex);
        return core_->EnqueueLocked(b);
    }
    int Pause() override {
        std::lock_guard lock(core_->queue.mutex);
        core_->RunLocked(false);
        return kAudioOk;
    }
    int Restart() override {
        std::lock_guard lock(core_->queue.mutex);
        if (!core_->open) return kAudioError;
        core_->RunLocked(true);
        return kAudioOk;
    }
    int Reset() override {
        std::lock_guard lock(core_->queue.mutex);
        core_->ResetLocked();
        return kAudioOk;
    }
    int Close() override {
        std::lock_guard lock(core_->queue.mutex);
        return core_->CloseLocked();
    }
    int Message(uint32_t m, uintptr_t p1, uintptr_t p2, uint32_t& r) override {
        return core_->Message(m, p1, p2, r);
    }
    PcmFormat Format() const override { return core_->format; }

  private:
    std::shared_ptr<SoftCore> core_;
};

}  // namespace

std::unique_ptr<AudioInput> MakeSoftInput(EventLoop& loop, const PcmFormat& format, BufferDone done,
                                          std::unique_ptr<SampleSource> source, Pace pace) {
    auto core = std::make_shared<SoftCore>(loop, format, std::move(done), pace);
    core->input = true;
    core->source = std::move(source);
    return std::make_unique<SoftInput>(std::move(core));
}

std::unique_ptr<AudioOutput> MakeSoftOutput(EventLoop& loop, const PcmFormat& format,
                                            BufferDone done, std::unique_ptr<SampleSink> sink,
                                            Pace pace,
                                            std::shared_ptr<std::atomic<uint32_t>> volume) {
    auto core = std::make_shared<SoftCore>(loop, format, std::move(done), pace);
    core->sink = std::move(sink);
    core->volume = std::move(volume);
    auto output = std::make_unique<SoftOutput>(std::move(core));
    output->Restart();
    return output;
}

}  // namespace mora
