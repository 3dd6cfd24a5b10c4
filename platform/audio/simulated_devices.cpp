#include "platform/audio/simulated_devices.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/audio/soft_device.h"

namespace mora {
namespace {

// Passes everything to the base system; the simulations override what they add.
class ForwardingSystem : public AudioSystem {
  public:
    explicit ForwardingSystem(std::unique_ptr<AudioSystem> base) : base_(std::move(base)) {}
    std::string Name() const override { return base_->Name(); }
    std::vector<std::string> InputDevices() override { return base_->InputDevices(); }
    std::vector<std::string> OutputDevices() override { return base_->OutputDevices(); }
    int OpenInput(int device, const PcmFormat& format, BufferDone done,
                  std::unique_ptr<AudioInput>& out) override {
        return base_->OpenInput(device, format, std::move(done), out);
    }
    int OpenOutput(int device, const PcmFormat& format, BufferDone done,
                   std::unique_ptr<AudioOutput>& out) override {
        return base_->OpenOutput(device, format, std::move(done), out);
    }
    int DeviceMessage(bool input, int device, uint32_t msg, uintptr_t p1, uintptr_t p2,
                      uint32_t& result) override {
        return base_->DeviceMessage(input, device, msg, p1, p2, result);
    }
    int GetOutputVolume(uint32_t& volume) override { return base_->GetOutputVolume(volume); }
    int SetOutputVolume(uint32_t volume) override { return base_->SetOutputVolume(volume); }
    PdAudioCard* DigitalCard() override { return base_->DigitalCard(); }

  protected:
    std::unique_ptr<AudioSystem> base_;
};

// What the interface's input and output share: its settings and the last peak.
struct MaycomState {
    MaycomControl control;
    uint16_t peakLeft = 0;
    uint16_t peakRight = 0;

    int Handle(uint32_t msg, uintptr_t command, uintptr_t value, uint32_t& result) {
        if (msg == kMaycomCheckMessage) {
            result = 1;
            return kAudioOk;
        }
        if (msg != kMaycomMessage) return kAudioNotSupported;
        switch (command) {
            case kMaycomControl: {
                if (!value) return kAudioInvalidParam;
                control = *reinterpret_cast<const MaycomControl*>(value);
                control.gain = std::clamp(control.gain, kMaycomGainMin, kMaycomGainMax);
                control.volume = std::clamp(control.volume, kMaycomVolumeMin, kMaycomVolumeMax);
                return kAudioOk;
            }
            case kMaycomGain:
                control.gain =
                    std::clamp(static_cast<int32_t>(value), kMaycomGainMin, kMaycomGainMax);
                return kAudioOk;
            case kMaycomVolume:
                control.volume =
                    std::clamp(static_cast<int32_t>(value), kMaycomVolumeMin, kMaycomVolumeMax);
                return kAudioOk;
            case kMaycomPeak:
                result = (static_cast<uint32_t>(peakLeft) << 16) | peakRight;
                return kAudioOk;
            default:
                return kAudioNotSupported;
        }
    }

    // The interface's preamplifier: gain in 0.5 dB steps around 192, clipped at full scale.
    void Amplify(AudioBuffer& b, unsigned channels) {
        const double factor = std::pow(10.0, (control.gain * 0.5 - 96.0) / 20.0);
        uint16_t peaks[2] = {0, 0};
        auto* s = reinterpret_cast<uint8_t*>(b.data);
        const uint32_t samples = b.bytesRecorded / 2;
        for (uint32_t i = 0; i < samples; ++i) {
            auto v = static_cast<int16_t>(s[2 * i] | (s[2 * i + 1] << 8));
            const long scaled = std::clamp(std::lround(v * factor), -32768L, 32767L);
            s[2 * i] = static_cast<uint8_t>(scaled);
            s[2 * i + 1] = static_cast<uint8_t>(scaled >> 8);
            const auto mag = static_cast<uint16_t>(std::min(std::labs(scaled), 32767L));
            uint16_t& peak = peaks[channels == 2 ? i % 2 : 0];
            peak = std::max(peak, mag);
        }
        peakLeft = peaks[0];
        peakRight = channels == 2 ? peaks[1] : peaks[0];
    }
};

class MaycomInput : public AudioInput {
  public:
    MaycomInput(std::unique_ptr<AudioInput> inner, std::shared_ptr<MaycomState> state)
        : inner_(std::move(inner)), state_(std::move(state)) {}
    int Prepare(AudioBuffer& b) override { return inner_->Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return inner_->Unprepare(b); }
    int AddBuffer(AudioBuffer& b) override { return inner_->AddBuffer(b); }
    int Start() override { return inner_->Start(); }
    int Stop() override { return inner_->Stop(); }
    int Reset() override { return inner_->Reset(); }
    int Close() override { return inner_->Close(); }
    int Message(uint32_t msg, uintptr_t p1, uintptr_t p2, uint32_t& result) override {
        return state_->Handle(msg, p1, p2, result);
    }
    PcmFormat Format() const override { return inner_->Format(); }

  private:
    std::unique_ptr<AudioInput> inner_;
    std::shared_ptr<MaycomState> state_;
};

class MaycomOutput : public AudioOutput {
  public:
    MaycomOutput(std::unique_ptr<AudioOutput> inner, std::shared_ptr<MaycomState> state)
        : inner_(std::move(inner)), state_(std::move(state)) {}
    int Prepare(AudioBuffer& b) override { return inner_->Prepare(b); }
    int Unprepare(AudioBuffer& b) override { return inner_->Unprepare(b); }
    int Write(AudioBuffer& b) override { return inner_->Write(b); }
    int Pause() override { return inner_->Pause(); }
    int Restart() override { return inner_->Restart(); }
    int Reset() override { return inner_->Reset(); }
    int Close() override { return inner_->Close(); }
    int Message(uint32_t msg, uintptr_t p1, uintptr_t p2, uint32_t& result) override {
        return state_->Handle(msg, p1, p2, result);
    }
    PcmFormat Format() const override { return inner_->Format(); }

  private:
    std::unique_ptr<AudioOutput> inner_;
    std::shared_ptr<MaycomState> state_;
};

class MaycomSystem : public ForwardingSystem {
  public:
    using ForwardingSystem::ForwardingSystem;

    std::vector<std::string> InputDevices() override {
        return WithInterface(base_->InputDevices());
    }
    std::vector<std::string> OutputDevices() override {
        return WithInterface(base_->OutputDevices());
    }

    int OpenInput(int device, const PcmFormat& format, BufferDone done,
                  std::unique_ptr<AudioInput>& out) override {
        if (!IsInterface(device, base_->InputDevices().size()))
            return base_->OpenInput(device, format, std::move(done), out);
        if (format.rate != kMaycomRate || format.bits != 16 || format.channels > 2)
            return kAudioBadFormat;
        const unsigned channels = format.channels;
        auto amplified = [state = state_, channels, done = std::move(done)](AudioBuffer& b) {
            state->Amplify(b, channels);
            done(b);
        };
        std::unique_ptr<AudioInput> inner;
        if (int rc = base_->OpenInput(kDefaultDevice, format, std::move(amplified), inner))
            return rc;
        out = std::make_unique<MaycomInput>(std::move(inner), state_);
        return kAudioOk;
    }

    int OpenOutput(int device, const PcmFormat& format, BufferDone done,
                   std::unique_ptr<AudioOutput>& out) override {
        if (!IsInterface(device, base_->OutputDevices().size()))
            return base_->OpenOutput(device, format, std::move(done), out);
        if (format.rate != kMaycomRate || format.bits != 16 || format.channels > 2)
            return kAudioBadFormat;
        std::unique_ptr<AudioOutput> inner;
        if (int rc = base_->OpenOutput(kDefaultDevice, format, std::move(done), inner)) return rc;
        out = std::make_unique<MaycomOutput>(std::move(inner), state_);
        return kAudioOk;
    }

    int DeviceMessage(bool input, int device, uint32_t msg, uintptr_t p1, uintptr_t p2,
                      uint32_t& result) override {
        const size_t count = input ? base_->InputDevices().size() : base_->OutputDevices().size();
        if (IsInterface(device, count)) return state_->Handle(msg, p1, p2, result);
        return base_->DeviceMessage(input, device, msg, p1, p2, result);
    }

  private:
    static bool IsInterface(int device, size_t baseCount) {
        return device == kDefaultDevice ||
               (device >= 0 && static_cast<size_t>(device) == baseCount);
    }
    static std::vector<std::string> WithInterface(std::vector<std::string> list) {
        list.push_back(kMaycomDeviceName);
        return list;
    }

    std::shared_ptr<MaycomState> state_ = std::make_shared<MaycomState>();
};

class SimulatedPdAudio : public PdAudioCard {
  public:
    SimulatedPdAudio(EventLoop& loop, const PdAudioSimulation& sim) : loop_(loop), sim_(sim) {}

    PdAudioStatus Open(int input) override {
        if (!sim_.driver) return PdAudioStatus::kNoDriver;
        if (input != 1 && input != 2) return PdAudioStatus::kCardMissing;
        open_ = true;
        return PdAudioStatus::kOk;
    }
    int RateCode() override {
        if (!open_) return -1;
        for (size_t i = 1; i < kPdAudioRates.size(); ++i)
            if (kPdAudioRates[i] == sim_.rate) return static_cast<int>(i);
        return static_cast<int>(kPdAudioRates.size());  // a rate the card has no code for
    }
    bool SignalPresent() override { return open_ && sim_.signal; }
    int OpenInput(const PcmFormat& format, BufferDone done,
                  std::unique_ptr<AudioInput>& out) override {
        if (!open_) return kAudioNotEnabled;
        if (!format.Valid() || format.rate != sim_.rate) return kAudioBadFormat;
        auto source = sim_.signal ? MakeToneSource(format, 1000.0, 0.25) : MakeSilenceSource();
        out = MakeSoftInput(loop_, format, std::move(done), std::move(source), Pace::kRealTime);
        return kAudioOk;
    }
    void Close() override { open_ = false; }

  private:
    EventLoop& loop_;
    PdAudioSimulation sim_;
    bool open_ = false;
};

class CardSystem : public ForwardingSystem {
  public:
    CardSystem(std::unique_ptr<AudioSystem> base, std::unique_ptr<PdAudioCard> card)
        : ForwardingSystem(std::move(base)), card_(std::move(card)) {}
    PdAudioCard* DigitalCard() override { return card_.get(); }

  private:
    std::unique_ptr<PdAudioCard> card_;
};

}  // namespace

uint32_t PdAudioRateOf(int code) {
    if (code < 0 || static_cast<size_t>(code) >= kPdAudioRates.size()) return 0;
    return kPdAudioRates[static_cast<size_t>(code)];
}

std::unique_ptr<AudioSystem> AddSimulatedMaycom(std::unique_ptr<AudioSystem> base) {
    return std::make_unique<MaycomSystem>(std::move(base));
}

std::unique_ptr<PdAudioCard> MakeSimulatedPdAudio(EventLoop& loop, const PdAudioSimulation& sim) {
    return std::make_unique<SimulatedPdAudio>(loop, sim);
}

std::unique_ptr<AudioSystem> AddPdAudioCard(std::unique_ptr<AudioSystem> base,
                                            std::unique_ptr<PdAudioCard> card) {
    return std::make_unique<CardSystem>(std::move(base), std::move(card));
}

}  // namespace mora
