#include "audio/rate_measurement.h"

#include <cstdio>
#include <vector>

#include "platform/system_facts.h"

namespace mora {

PcmFormat ToolFormat() {
    return PcmFormat{44100, 1, 16};
}

void StartRateMeasurement(RateMeasurement& m, uint32_t storedRate) {
    m = RateMeasurement{};
    m.estimate = storedRate;
}

RateReport CountRateBuffer(RateMeasurement& m, uint32_t nowMs) {
    RateReport report;
    ++m.counter;
    if (m.counter <= kMeasureSettleBuffers) {
        m.startMs = nowMs;
        return report;
    }
    m.samples += kToolBufferSamples;
    // A clock that has not moved tells nothing (and would divide by zero).
    const uint32_t elapsed = nowMs - m.startMs;
    if (elapsed > 0) {
        const double rate = static_cast<double>(m.samples) * 1000.0 / elapsed;
        m.estimate += (rate - m.estimate) * 0.2;
    }
    if (m.counter % 4 == 0) {
        report.show = true;
        report.rate = m.estimate > 0 ? static_cast<uint32_t>(m.estimate) : 0;
        report.countdown = 100 - static_cast<int>((m.counter - kMeasureSettleBuffers) / 4);
    }
    return report;
}

std::string CountdownText(int countdown) {
    char text[32];
    std::snprintf(text, sizeof text, "Wait... %3d", countdown);
    return text;
}

struct SampleRateMeter::Session {
    std::unique_ptr<AudioOutput> output;
    std::vector<uint8_t> memory = std::vector<uint8_t>(4 * kToolBufferBytes);
    AudioBuffer buffers[4];
    RateMeasurement measurement;
    uint32_t total = kMeasureBuffers;
    bool stopping = false;
};

SampleRateMeter::SampleRateMeter(AudioSystem& system, Clock clock)
    : system_(system), clock_(clock ? std::move(clock) : Clock(TickCountMs)) {}

SampleRateMeter::~SampleRateMeter() {
    Stop();
}

int SampleRateMeter::Start(uint32_t storedRate, uint32_t totalBuffers, OnReport onReport,
                           OnFinished onFinished) {
    Stop();
    auto session = std::make_shared<Session>();
    session->total = totalBuffers;
    StartRateMeasurement(session->measurement, storedRate);
    // The handler holds the session: buffers returned by a reset may still be on their way
    // after Stop, and must find their memory. Stop breaks the cycle by dropping the device.
    auto done = [this, session, onReport, onFinished](AudioBuffer& buffer) {
        if (session->stopping) return;
        const RateReport report = CountRateBuffer(session->measurement, clock_());
        if (report.show && onReport) onReport(report);
        if (session->measurement.counter >= session->total) {
            Stop();
            if (onFinished) onFinished();
            return;
        }
        session->output->Write(buffer);
    };
    int rc = system_.OpenOutput(kDefaultDevice, ToolFormat(), done, session->output);
    if (rc != kAudioOk) return rc;
    for (int i = 0; i < 4 && rc == kAudioOk; ++i) {
        session->buffers[i] = AudioBuffer{session->memory.data() + i * kToolBufferBytes,
                                          kToolBufferBytes, 0, static_cast<uintptr_t>(i), 0};
        rc = session->output->Prepare(session->buffers[i]);
        if (rc == kAudioOk) rc = session->output->Write(session->buffers[i]);
    }
    session_ = session;
    if (rc != kAudioOk) Stop();
    return rc;
}

void SampleRateMeter::Stop() {
    auto s = std::move(session_);
    session_.reset();
    if (!s) return;
    s->stopping = true;
    if (s->output) {
        s->output->Reset();
        s->output->Close();
        s->output.reset();
    }
}

}  // namespace mora
