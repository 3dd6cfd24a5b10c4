#include "platform/audio/pulse_system.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <set>
#include <thread>

#include "platform/audio/buffer_queue.h"
#include "platform/event_loop.h"
#include "platform/trace.h"

namespace mora {
namespace {

constexpr int kOpenTimeoutMs = 5000;
constexpr pa_usec_t kCompletionPollUs = 5000;  // how often played output buffers are looked for
// How finely the server hands recorded samples over: half a buffer, within these bounds, so a
// buffer fills within half its length of its due time without waking for every few samples.
constexpr pa_usec_t kInputFragmentUs = 10000;  // until the first buffer is known
constexpr pa_usec_t kMinFragmentUs = 5000;
constexpr pa_usec_t kMaxFragmentUs = 50000;
constexpr pa_usec_t kOutputLatencyUs = 40000;  // what the server holds ahead of the speaker

class MainloopLock {
  public:
    explicit MainloopLock(pa_threaded_mainloop* ml) : ml_(ml) { pa_threaded_mainloop_lock(ml_); }
    ~MainloopLock() { pa_threaded_mainloop_unlock(ml_); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

  private:
    pa_threaded_mainloop* ml_;
};

// With the mainloop lock held: waits, letting the server's thread run, until done() holds or
// the time is up. Only set-up steps wait; samples never do.
bool WaitFor(pa_threaded_mainloop* ml, int timeoutMs, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        pa_threaded_mainloop_unlock(ml);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pa_threaded_mainloop_lock(ml);
    }
    return true;
}

void Forget(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

struct PulseStream;

struct PulseConnection {
    pa_threaded_mainloop* ml = nullptr;
    pa_context* ctx = nullptr;
    std::set<PulseStream*> outputs;  // under the mainloop lock

    ~PulseConnection() {
        if (ml) pa_threaded_mainloop_stop(ml);
        if (ctx) {
            pa_context_disconnect(ctx);
            pa_context_unref(ctx);
        }
        if (ml) pa_threaded_mainloop_free(ml);
    }
};

pa_cvolume VolumeFor(uint32_t word, unsigned channels) {
    pa_cvolume cv;
    pa_cvolume_init(&cv);
    cv.channels = static_cast<uint8_t>(channels);
    for (unsigned c = 0; c < channels; ++c) {
        const uint32_t v = c == 1 ? word >> 16 : word & 0xFFFF;
        cv.values[c] = pa_sw_volume_from_linear(v / 65535.0);
    }
    return cv;
}

// One recording or playback stream and the caller's buffers queued on it. Everything here runs
// under the mainloop lock (the server's callbacks hold it); the buffer queue's own lock is
// taken inside it.
struct PulseStream {
    PulseStream(std::shared_ptr<PulseConnection> c, EventLoop& loop, const PcmFormat& f,
                BufferDone done, bool isInput)
        : conn(std::move(c)), queue(loop, std::move(done)), format(f), input(isInput) {}

    std::shared_ptr<PulseConnection> conn;
    BufferQueue queue;
    PcmFormat format;
    bool input;
    pa_stream* s = nullptr;
    bool running = false;  // input: recording; output: not paused

    // Output: buffers [0, writeIndex) of the queue are with the server; `ends` holds the
    // server's write index at the end of each, so a buffer is played once the read index
    // passes it.
    size_t writeIndex = 0;
    uint32_t writeOffset = 0;
    std::deque<int64_t> ends;
    int64_t written = 0;
    bool indexKnown = false;
    int64_t triggeredAt = -1;
    pa_time_event* poll = nullptr;
    pa_operation* timing = nullptr;

    int Open(const std::string& device, uint32_t volume) {
        pa_sample_spec spec{};
        spec.format = format.bits == 24 ? PA_SAMPLE_S24LE : PA_SAMPLE_S16LE;
        spec.rate = format.rate;
        spec.channels = static_cast<uint8_t>(format.channels);
        s = pa_stream_new(conn->ctx, input ? "Mora recording" : "Mora playback", &spec, nullptr);
        if (!s) return kAudioBadFormat;
        pa_buffer_attr attr;
        std::memset(&attr, 0xFF, sizeof attr);  // (uint32_t)-1: the server chooses
        const char* name = device.empty() ? nullptr : device.c_str();
        int rc;
        pa_stream_set_state_callback(s, &PulseStream::OnState, this);
        if (input) {
            attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kInputFragmentUs, &spec));
            pa_stream_set_read_callback(s, &PulseStream::OnRead, this);
            rc = pa_stream_connect_record(
                s, name, &attr,
                static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY));
        } else {
            attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kOutputLatencyUs, &spec));
            pa_stream_set_write_callback(s, &PulseStream::OnWrite, this);
            const pa_cvolume cv = VolumeFor(volume, format.channels);
            rc = pa_stream_connect_playback(s, name, &attr, PA_STREAM_ADJUST_LATENCY, &cv, nullptr);
        }
        const bool ready = rc == 0 && WaitFor(conn->ml, kOpenTimeoutMs, [this] {
                               auto st = pa_stream_get_state(s);
                               return st == PA_STREAM_READY || !PA_STREAM_IS_GOOD(st);
                           });
        if (!ready || pa_stream_get_state(s) != PA_STREAM_READY) {
            const int err = pa_context_errno(conn->ctx);
            Trace("sound server: opening the %s failed: %s", input ? "input" : "output",
                  pa_strerror(err));
            Detach();
            return err == PA_ERR_NOENTITY                                ? kAudioBadDevice
                   : err == PA_ERR_NOTSUPPORTED || err == PA_ERR_INVALID ? kAudioBadFormat
                                                                         : kAudioError;
        }
        if (!input) {
            running = true;
            conn->outputs.insert(this);
            RequestTiming();
            poll = pa_context_rttime_new(conn->ctx, pa_rtclock_now() + kCompletionPollUs,
                                         &PulseStream::OnPoll, this);
        }
        return kAudioOk;
    }

    // Takes the stream away from the server; every queued buffer comes back.
    void Detach() {
        if (poll) {
            pa_threaded_mainloop_get_api(conn->ml)->time_free(poll);
            poll = nullptr;
        }
        if (timing) {
            pa_operation_cancel(timing);
            pa_operation_unref(timing);
            timing = nullptr;
        }
        if (s) {
            pa_stream_set_state_callback(s, nullptr, nullptr);
            pa_stream_set_read_callback(s, nullptr, nullptr);
            pa_stream_set_write_callback(s, nullptr, nullptr);
            pa_stream_disconnect(s);
            pa_stream_unref(s);
            s = nullptr;
        }
        conn->outputs.erase(this);
        std::lock_guard lock(queue.mutex);
        ReturnAllLocked();
    }

    void ReturnAllLocked() {
        queue.CompleteAllLocked();
        ends.clear();
        writeIndex = 0;
        writeOffset = 0;
    }

    void FitFragments() {
        uint32_t length = 0;
        {
            std::lock_guard lock(queue.mutex);
            if (queue.EmptyLocked()) return;
            length = queue.FrontLocked().length;
        }
        const pa_sample_spec* spec = pa_stream_get_sample_spec(s);
        const pa_usec_t half = pa_bytes_to_usec(length / 2, spec);
        const pa_usec_t wanted = std::clamp(half, kMinFragmentUs, kMaxFragmentUs);
        const pa_buffer_attr* now = pa_stream_get_buffer_attr(s);
        const auto bytes = static_cast<uint32_t>(pa_usec_to_bytes(wanted, spec));
        if (now && now->fragsize == bytes) return;
        pa_buffer_attr attr;
        std::memset(&attr, 0xFF, sizeof attr);
        attr.fragsize = bytes;
        Forget(pa_stream_set_buffer_attr(s, &attr, nullptr, nullptr));
    }

    void Cork(bool cork) {
        if (s) Forget(pa_stream_cork(s, cork ? 1 : 0, nullptr, nullptr));
    }

    static void OnState(pa_stream* s, void* self) {
        // A stream the server dropped returns its buffers so that no caller waits forever.
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s))) {
            auto* me = static_cast<PulseStream*>(self);
            std::lock_guard lock(me->queue.mutex);
            me->ReturnAllLocked();
        }
    }

    static void OnRead(pa_stream* s, size_t, void* self) {
        auto* me = static_cast<PulseStream*>(self);
        while (pa_stream_readable_size(s) > 0) {
            const void* data = nullptr;
            size_t n = 0;
            if (pa_stream_peek(s, &data, &n) < 0 || n == 0) break;
            me->TakeInput(static_cast<const uint8_t*>(data), n);
            pa_stream_drop(s);
        }
    }

    void TakeInput(const uint8_t* data, size_t n) {
        std::lock_guard lock(queue.mutex);
        while (running && n > 0 && !queue.EmptyLocked()) {
            AudioBuffer& b = queue.FrontLocked();
            const size_t k = std::min<size_t>(n, b.length - b.bytesRecorded);
            if (data) {
                std::memcpy(b.data + b.bytesRecorded, data, k);
                data += k;
            } else {
                std::memset(b.data + b.bytesRecorded, 0, k);  // a hole in the stream
            }
            b.bytesRecorded += static_cast<uint32_t>(k);
            n -= k;
            if (b.bytesRecorded == b.length) queue.CompleteFrontLocked();
        }
    }

    static void OnWrite(pa_stream*, size_t, void* self) {
        auto* me = static_cast<PulseStream*>(self);
        std::lock_guard lock(me->queue.mutex);
        me->PumpLocked();
    }

    void PumpLocked() {
        if (!s || !indexKnown) return;
        size_t writable = pa_stream_writable_size(s);
        if (writable == static_cast<size_t>(-1)) return;
        const uint32_t align = format.BlockAlign();
        writable -= writable % align;
        while (writable > 0 && writeIndex < queue.SizeLocked()) {
            AudioBuffer& b = queue.AtLocked(writeIndex);
            const uint32_t whole = b.length - b.length % align;  // a ragged tail is not played
            const size_t n = std::min<size_t>(writable, whole - writeOffset);
            if (n > 0) {
                pa_stream_write(s, b.data + writeOffset, n, nullptr, 0, PA_SEEK_RELATIVE);
                writeOffset += static_cast<uint32_t>(n);
                written += static_cast<int64_t>(n);
                writable -= n;
            }
            if (writeOffset >= whole) {
                ends.push_back(written);
                ++writeIndex;
                writeOffset = 0;
            }
        }
        // With nothing more to give, the server must not wait for its pre-buffer to fill.
        if (running && writeIndex == queue.SizeLocked() && written != triggeredAt) {
            triggeredAt = written;
            Forget(pa_stream_trigger(s, nullptr, nullptr));
        }
    }

    void RequestTiming() {
        if (!s || timing) return;
        timing = pa_stream_update_timing_info(s, &PulseStream::OnTiming, this);
    }

    static void OnPoll(pa_mainloop_api*, pa_time_event* e, const struct timeval*, void* self) {
        auto* me = static_cast<PulseStream*>(self);
        me->RequestTiming();
        pa_context_rttime_restart(me->conn->ctx, e, pa_rtclock_now() + kCompletionPollUs);
    }

    static void OnTiming(pa_stream* s, int, void* self) {
        auto* me = static_cast<PulseStream*>(self);
        if (me->timing) {
            pa_operation_unref(me->timing);
            me->timing = nullptr;
        }
        const pa_timing_info* ti = pa_stream_get_timing_info(s);
        if (!ti) return;
        std::lock_guard lock(me->queue.mutex);
        if (!me->indexKnown) {
            if (ti->write_index_corrupt) return;
            me->written = ti->write_index;
            me->triggeredAt = -1;
            me->indexKnown = true;
            me->PumpLocked();
            return;
        }
        if (ti->read_index_corrupt) return;
        while (!me->ends.empty() && me->ends.front() <= ti->read_index) {
            me->ends.pop_front();
            --me->writeIndex;
            me->queue.CompleteFrontLocked();
        }
    }

    static void OnFlushed(pa_stream*, int, void* self) {
        // The server's write index moved back to its read index; learn it before writing on.
        static_cast<PulseStream*>(self)->RequestTiming();
    }

    void ResetOutputLocked() {
        std::lock_guard lock(queue.mutex);
        ReturnAllLocked();
        if (!s) return;
        indexKnown = false;
        if (timing) {
            pa_operation_cancel(timing);
            pa_operation_unref(timing);
            timing = nullptr;
        }
        Forget(pa_stream_flush(s, &PulseStream::OnFlushed, this));
    }
};

class PulseInput : public AudioInput {
  public:
    explicit PulseInput(std::unique_ptr<PulseStream> st) : st_(std::move(st)) {}
    ~PulseInput() override { Close(); }

    int Prepare(AudioBuffer& b) override { return st_->queue.Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return st_->queue.Unprepare(b); }
    int AddBuffer(AudioBuffer& b) override {
        MainloopLock ml(st_->conn->ml);
        if (!st_->s) return kAudioError;
        std::lock_guard lock(st_->queue.mutex);
        return st_->queue.EnqueueLocked(b);
    }
    int Start() override {
        MainloopLock ml(st_->conn->ml);
        if (!st_->s) return kAudioError;
        if (!st_->running) {
            st_->FitFragments();
            // Samples the server kept from before a stop belong to the past.
            Forget(pa_stream_flush(st_->s, nullptr, nullptr));
            st_->Cork(false);
            std::lock_guard lock(st_->queue.mutex);
            st_->running = true;
        }
        return kAudioOk;
    }
    int Stop() override {
        MainloopLock ml(st_->conn->ml);
        st_->Cork(true);
        std::lock_guard lock(st_->queue.mutex);
        st_->running = false;
        if (!st_->queue.EmptyLocked() && st_->queue.FrontLocked().bytesRecorded > 0)
            st_->queue.CompleteFrontLocked();
        return kAudioOk;
    }
    int Reset() override {
        MainloopLock ml(st_->conn->ml);
        st_->Cork(true);
        std::lock_guard lock(st_->queue.mutex);
        st_->running = false;
        st_->ReturnAllLocked();
        return kAudioOk;
    }
    int Close() override {
        MainloopLock ml(st_->conn->ml);
        st_->Detach();
        return kAudioOk;
    }
    int Message(uint32_t, uintptr_t, uintptr_t, uint32_t&) override { return kAudioNotSupported; }
    PcmFormat Format() const override { return st_->format; }

  private:
    std::unique_ptr<PulseStream> st_;
};

class PulseOutput : public AudioOutput {
  public:
    explicit PulseOutput(std::unique_ptr<PulseStream> st) : st_(std::move(st)) {}
    ~PulseOutput() override { Close(); }

    int Prepare(AudioBuffer& b) override { return st_->queue.Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return st_->queue.Unprepare(b); }
    int Write(AudioBuffer& b) override {
        MainloopLock ml(st_->conn->ml);
        if (!st_->s) return kAudioError;
        std::lock_guard lock(st_->queue.mutex);
        const int rc = st_->queue.EnqueueLocked(b);
        if (rc == kAudioOk) st_->PumpLocked();
        return rc;
    }
    int Pause() override {
        MainloopLock ml(st_->conn->ml);
        st_->Cork(true);
        std::lock_guard lock(st_->queue.mutex);
        st_->running = false;
        return kAudioOk;
    }
    int Restart() override {
        MainloopLock ml(st_->conn->ml);
        st_->Cork(false);
        std::lock_guard lock(st_->queue.mutex);
        st_->running = true;
        st_->triggeredAt = -1;
        st_->PumpLocked();
        return kAudioOk;
    }
    int Reset() override {
        MainloopLock ml(st_->conn->ml);
        st_->ResetOutputLocked();
        return kAudioOk;
    }
    int Close() override {
        MainloopLock ml(st_->conn->ml);
        st_->Detach();
        return kAudioOk;
    }
    int Message(uint32_t, uintptr_t, uintptr_t, uint32_t&) override { return kAudioNotSupported; }
    PcmFormat Format() const override { return st_->format; }

  private:
    std::unique_ptr<PulseStream> st_;
};

struct DeviceEntry {
    std::string name;
    std::string description;
};

class PulseSystem : public AudioSystem {
  public:
    PulseSystem(EventLoop& loop, std::shared_ptr<PulseConnection> conn)
        : loop_(loop), conn_(std::move(conn)) {}

    std::string Name() const override { return "sound server"; }

    std::vector<std::string> InputDevices() override { return Descriptions(List(true)); }
    std::vector<std::string> OutputDevices() override { return Descriptions(List(false)); }

    int OpenInput(int device, const PcmFormat& format, BufferDone done,
                  std::unique_ptr<AudioInput>& out) override {
        std::string name;
        if (int rc = Resolve(true, device, format, name); rc != kAudioOk) return rc;
        auto st = std::make_unique<PulseStream>(conn_, loop_, format, std::move(done), true);
        MainloopLock ml(conn_->ml);
        if (int rc = st->Open(name, 0); rc != kAudioOk) return rc;
        out = std::make_unique<PulseInput>(std::move(st));
        return kAudioOk;
    }

    int OpenOutput(int device, const PcmFormat& format, BufferDone done,
                   std::unique_ptr<AudioOutput>& out) override {
        std::string name;
        if (int rc = Resolve(false, device, format, name); rc != kAudioOk) return rc;
        auto st = std::make_unique<PulseStream>(conn_, loop_, format, std::move(done), false);
        MainloopLock ml(conn_->ml);
        if (int rc = st->Open(name, volume_->load()); rc != kAudioOk) return rc;
        out = std::make_unique<PulseOutput>(std::move(st));
        return kAudioOk;
    }

    int SetOutputVolume(uint32_t volume) override {
        volume_->store(volume);
        MainloopLock ml(conn_->ml);
        for (PulseStream* st : conn_->outputs) {
            const pa_cvolume cv = VolumeFor(volume, st->format.channels);
            Forget(pa_context_set_sink_input_volume(conn_->ctx, pa_stream_get_index(st->s), &cv,
                                                    nullptr, nullptr));
        }
        return kAudioOk;
    }

  private:
    int Resolve(bool input, int device, const PcmFormat& format, std::string& name) {
        if (!format.Valid()) return kAudioBadFormat;
        if (device == kDefaultDevice) return kAudioOk;
        auto list = List(input);
        if (device < 0 || static_cast<size_t>(device) >= list.size()) return kAudioBadDevice;
        name = list[static_cast<size_t>(device)].name;
        return kAudioOk;
    }

    static std::vector<std::string> Descriptions(const std::vector<DeviceEntry>& list) {
        std::vector<std::string> out;
        for (const auto& e : list) out.push_back(e.description);
        return out;
    }

    struct Listing {
        std::vector<DeviceEntry> entries;
        bool done = false;
    };

    template <typename Info>
    static void Collect(pa_context*, const Info* info, int eol, void* data) {
        auto* listing = static_cast<Listing*>(data);
        if (eol || !info) {
            listing->done = true;
            return;
        }
        listing->entries.push_back(
            {info->name ? info->name : "", info->description ? info->description : info->name});
    }

    std::vector<DeviceEntry> List(bool input) {
        Listing listing;
        MainloopLock ml(conn_->ml);
        pa_operation* op =
            input ? pa_context_get_source_info_list(conn_->ctx, &Collect<pa_source_info>, &listing)
                  : pa_context_get_sink_info_list(conn_->ctx, &Collect<pa_sink_info>, &listing);
        if (!op) return {};
        if (!WaitFor(conn_->ml, kOpenTimeoutMs, [&] { return listing.done; })) {
            pa_operation_cancel(op);
        }
        pa_operation_unref(op);
        return listing.entries;
    }

    EventLoop& loop_;
    std::shared_ptr<PulseConnection> conn_;
};

}  // namespace

std::unique_ptr<AudioSystem> ConnectSoundServer(EventLoop& loop, int timeoutMs,
                                                std::string& error) {
    auto conn = std::make_shared<PulseConnection>();
    conn->ml = pa_threaded_mainloop_new();
    if (!conn->ml) {
        error = "cannot create the sound server's thread";
        return nullptr;
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Mora");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
    conn->ctx = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(conn->ml), "Mora", props);
    pa_proplist_free(props);
    if (!conn->ctx) {
        error = "cannot create a sound server context";
        return nullptr;
    }
    if (pa_context_connect(conn->ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = pa_strerror(pa_context_errno(conn->ctx));
        return nullptr;
    }
    if (pa_threaded_mainloop_start(conn->ml) < 0) {
        error = "cannot start the sound server's thread";
        return nullptr;
    }
    {
        MainloopLock ml(conn->ml);
        const bool answered = WaitFor(conn->ml, timeoutMs, [&] {
            auto st = pa_context_get_state(conn->ctx);
            return st == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(st);
        });
        if (!answered || pa_context_get_state(conn->ctx) != PA_CONTEXT_READY) {
            error = answered ? pa_strerror(pa_context_errno(conn->ctx)) : "no answer in time";
            return nullptr;
        }
    }
    return std::make_unique<PulseSystem>(loop, std::move(conn));
}

}  // namespace mora
