#include "audio/eq_audition.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "audio/rate_measurement.h"

namespace mora {
namespace {
constexpr long kSampleStart = 44;
constexpr int kMonitorBuffers = 8;
constexpr int kFileBuffers = 4;
}  // namespace

bool LoopingSampleReader::Open(const std::string& path, std::string& error) {
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t probe[2];
    if (std::fseek(file_.get(), kSampleStart, SEEK_SET) != 0 ||
        std::fread(probe, 1, 2, file_.get()) != 2) {
        file_.reset();
        error = path + ": the file holds no samples";
        return false;
    }
    std::fseek(file_.get(), kSampleStart, SEEK_SET);
    return true;
}

void LoopingSampleReader::Fill(uint8_t* data, uint32_t length) {
    uint32_t filled = 0;
    bool wrapped = false;
    while (filled < length && file_) {
        const size_t got = std::fread(data + filled, 1, length - filled, file_.get());
        filled += static_cast<uint32_t>(got);
        if (filled == length) break;
        // A second wrap without a byte read means the file went away or shrank.
        if (got == 0 && wrapped) break;
        wrapped = got == 0;
        std::fseek(file_.get(), kSampleStart, SEEK_SET);
    }
    std::memset(data + filled, 0, length - filled);
}

struct EqAudition::Session {
    std::unique_ptr<AudioInput> input;
    std::unique_ptr<AudioOutput> output;
    std::unique_ptr<LoopingSampleReader> reader;
    InputDsp* dsp = nullptr;
    std::vector<uint8_t> memory;
    std::vector<AudioBuffer> inBuffers;
    std::vector<AudioBuffer> outBuffers;
    std::vector<AudioBuffer*> freeOut;  // output buffers not queued (monitoring)
    bool stopping = false;

    void Allocate(int in, int out) {
        memory.assign(static_cast<size_t>(in + out) * kToolBufferBytes, 0);
        inBuffers.resize(in);
        outBuffers.resize(out);
        for (int i = 0; i < in + out; ++i) {
            AudioBuffer& b = i < in ? inBuffers[i] : outBuffers[i - in];
            b = AudioBuffer{memory.data() + static_cast<size_t>(i) * kToolBufferBytes,
                            kToolBufferBytes, 0, static_cast<uintptr_t>(i), 0};
        }
    }
};

int EqAudition::StartMonitor(InputDsp& dsp) {
    Stop();
    auto s = std::make_shared<Session>();
    s->dsp = &dsp;
    s->Allocate(kMonitorBuffers, kMonitorBuffers);
    ResetInputState(dsp);
    // Handlers hold the session: buffers returned by a reset may still be on their way after
    // Stop, and must find their memory. Stop breaks the cycle by dropping the devices.
    auto inputDone = [s](AudioBuffer& in) {
        if (s->stopping) return;
        if (!s->freeOut.empty()) {
            AudioBuffer* out = s->freeOut.back();
            s->freeOut.pop_back();
            std::memcpy(out->data, in.data, in.bytesRecorded);
            std::memset(out->data + in.bytesRecorded, 0, out->length - in.bytesRecorded);
            EqualiseBuffer(*s->dsp, out->data, out->length);
            if (s->output->Write(*out) != kAudioOk) s->freeOut.push_back(out);
        }
        s->input->AddBuffer(in);
    };
    auto outputDone = [s](AudioBuffer& out) {
        if (!s->stopping) s->freeOut.push_back(&out);
    };
    int rc = system_.OpenOutput(kDefaultDevice, ToolFormat(), outputDone, s->output);
    if (rc == kAudioOk) rc = system_.OpenInput(kDefaultDevice, ToolFormat(), inputDone, s->input);
    session_ = s;
    for (auto& b : s->outBuffers) {
        if (rc == kAudioOk) rc = s->output->Prepare(b);
        s->freeOut.push_back(&b);
    }
    for (auto& b : s->inBuffers) {
        if (rc == kAudioOk) rc = s->input->Prepare(b);
        if (rc == kAudioOk) rc = s->input->AddBuffer(b);
    }
    if (rc == kAudioOk) rc = s->input->Start();
    if (rc != kAudioOk) Stop();
    return rc;
}

int EqAudition::StartFile(std::unique_ptr<LoopingSampleReader> reader, InputDsp& dsp) {
    Stop();
    auto s = std::make_shared<Session>();
    s->dsp = &dsp;
    s->reader = std::move(reader);
    s->Allocate(0, kFileBuffers);
    ResetInputState(dsp);
    auto refill = [](Session& session, AudioBuffer& out) {
        session.reader->Fill(out.data, out.length);
        EqualiseBuffer(*session.dsp, out.data, out.length);
        return session.output->Write(out);
    };
    auto outputDone = [s, refill](AudioBuffer& out) {
        if (!s->stopping) refill(*s, out);
    };
    int rc = system_.OpenOutput(kDefaultDevice, ToolFormat(), outputDone, s->output);
    session_ = s;
    if (rc == kAudioOk) s->output->Pause();  // all four queued before the first is heard
    for (auto& b : s->outBuffers) {
        if (rc == kAudioOk) rc = s->output->Prepare(b);
        if (rc == kAudioOk) rc = refill(*s, b);
    }
    if (rc == kAudioOk) rc = s->output->Restart();
    if (rc != kAudioOk) Stop();
    return rc;
}

void EqAudition::Stop() {
    auto s = std::move(session_);
    session_.reset();
    if (!s) return;
    s->stopping = true;
    for (AudioDevice* device :
         {static_cast<AudioDevice*>(s->input.get()), static_cast<AudioDevice*>(s->output.get())}) {
        if (!device) continue;
        device->Reset();
        device->Close();
    }
    s->input.reset();
    s->output.reset();
    s->reader.reset();
}

}  // namespace mora
