#include "platform/audio/audio_system.h"

#include <cstdlib>

#include "platform/audio/pulse_system.h"
#include "platform/audio/sample_io.h"
#include "platform/audio/simulated_devices.h"
#include "platform/trace.h"

namespace mora {
namespace {

constexpr int kServerTimeoutMs = 3000;

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// The software devices: one input and one output, reading and writing the given files.
class SoftSystem : public AudioSystem {
  public:
    SoftSystem(EventLoop& loop, std::string in, std::string out, Pace pace)
        : loop_(loop), in_(std::move(in)), out_(std::move(out)), pace_(pace) {}

    std::string Name() const override { return in_.empty() && out_.empty() ? "null" : "file"; }
    std::vector<std::string> InputDevices() override {
        return {in_.empty() ? "Silence" : "File " + in_};
    }
    std::vector<std::string> OutputDevices() override {
        return {out_.empty() ? "Discard" : "File " + out_};
    }

    int OpenInput(int device, const PcmFormat& format, BufferDone done,
                  std::unique_ptr<AudioInput>& out) override {
        if (device != kDefaultDevice && device != 0) return kAudioBadDevice;
        if (!format.Valid()) return kAudioBadFormat;
        std::unique_ptr<SampleSource> source;
        if (in_.empty()) {
            source = MakeSilenceSource();
        } else {
            int code = kAudioError;
            std::string error;
            source = OpenWavSource(in_, format, code, error);
            if (!source) {
                Trace("file input: %s", error.c_str());
                return code;
            }
        }
        out = MakeSoftInput(loop_, format, std::move(done), std::move(source), pace_);
        return kAudioOk;
    }

    int OpenOutput(int device, const PcmFormat& format, BufferDone done,
                   std::unique_ptr<AudioOutput>& out) override {
        if (device != kDefaultDevice && device != 0) return kAudioBadDevice;
        if (!format.Valid()) return kAudioBadFormat;
        std::unique_ptr<SampleSink> sink;
        if (out_.empty()) {
            sink = MakeDiscardSink();
        } else {
            std::string error;
            sink = CreateWavSink(out_, format, error);
            if (!sink) {
                Trace("file output: %s", error.c_str());
                return kAudioError;
            }
        }
        out = MakeSoftOutput(loop_, format, std::move(done), std::move(sink), pace_, volume_);
        return kAudioOk;
    }

  private:
    EventLoop& loop_;
    std::string in_;
    std::string out_;
    Pace pace_;
};

bool ParseCard(const std::string& options, PdAudioSimulation& sim, std::string& error) {
    for (const auto& option : Split(options, ',')) {
        if (option.empty()) continue;
        if (option == "nosignal") {
            sim.signal = false;
        } else if (option == "nodriver") {
            sim.driver = false;
        } else {
            char* end = nullptr;
            const unsigned long rate = std::strtoul(option.c_str(), &end, 10);
            if (*end || rate == 0 || rate > 1000000) {
                error = "pdaudio: \"" + option + "\" is neither a rate nor nosignal/nodriver";
                return false;
            }
            sim.rate = static_cast<uint32_t>(rate);
        }
    }
    return true;
}

}  // namespace

std::string AudioErrorText(int code) {
    switch (code) {
        case kAudioOk:
            return "No error.";
        case kAudioError:
            return "The audio device failed.";
        case kAudioBadDevice:
            return "There is no such audio device.";
        case kAudioNotEnabled:
            return "The audio device cannot be reached.";
        case kAudioNoDriver:
            return "No audio driver is available.";
        case kAudioNoMemory:
            return "Not enough memory for the audio device.";
        case kAudioNotSupported:
            return "The audio device does not support this operation.";
        case kAudioInvalidParam:
            return "An invalid value was passed to the audio device.";
        case kAudioBadFormat:
            return "The audio device cannot use this sample format.";
        case kAudioStillPlaying:
            return "The audio buffer is still queued.";
        case kAudioUnprepared:
            return "The audio buffer was not prepared.";
        default:
            return "Unknown audio error " + std::to_string(code) + ".";
    }
}

bool PcmFormat::Valid() const {
    return (bits == 16 || bits == 24) && channels >= 1 && channels <= 8 && rate >= 1000 &&
           rate <= 768000;
}

int AudioSystem::DeviceMessage(bool, int, uint32_t, uintptr_t, uintptr_t, uint32_t&) {
    return kAudioNotSupported;
}

int AudioSystem::GetOutputVolume(uint32_t& volume) {
    volume = volume_->load();
    return kAudioOk;
}

int AudioSystem::SetOutputVolume(uint32_t volume) {
    volume_->store(volume);
    return kAudioOk;
}

std::unique_ptr<AudioSystem> MakeNullAudioSystem(EventLoop& loop, Pace pace) {
    return std::make_unique<SoftSystem>(loop, "", "", pace);
}

std::unique_ptr<AudioSystem> MakeFileAudioSystem(EventLoop& loop, const std::string& inPath,
                                                 const std::string& outPath, Pace pace) {
    return std::make_unique<SoftSystem>(loop, inPath, outPath, pace);
}

AudioSystemChoice OpenAudioSystem(EventLoop& loop, const std::string& value) {
    AudioSystemChoice choice;
    auto items = Split(value, '+');
    const std::string& first = items.front();
    const bool simulatedOnly = first.rfind("maycom", 0) == 0 || first.rfind("pdaudio", 0) == 0;
    if (simulatedOnly) items.insert(items.begin(), "pulse");

    const std::string base = items.front();
    const auto colon = base.find(':');
    const std::string kind = base.substr(0, colon);
    const std::string options = colon == std::string::npos ? "" : base.substr(colon + 1);
    if (kind.empty() || kind == "pulse") {
        std::string error;
        choice.system = ConnectSoundServer(loop, kServerTimeoutMs, error);
        if (!choice.system) {
            Trace("sound server: %s", error.c_str());
            choice.notice = "No sound server answers (" + error +
                            "). Recording gives silence and playback is not heard.";
            choice.system = MakeNullAudioSystem(loop, Pace::kRealTime);
        }
    } else if (kind == "null") {
        if (!options.empty() && options != "fast") {
            choice.error = "null: unknown option \"" + options + "\"";
            return choice;
        }
        choice.system =
            MakeNullAudioSystem(loop, options == "fast" ? Pace::kFast : Pace::kRealTime);
    } else if (kind == "file") {
        auto parts = Split(options, ',');
        Pace pace = Pace::kRealTime;
        if (parts.size() > 1 && parts.back() == "fast") {
            pace = Pace::kFast;
            parts.pop_back();
        }
        if (parts.size() > 2 || (parts[0].empty() && (parts.size() < 2 || parts[1].empty()))) {
            choice.error = "file: expected file:IN.wav[,OUT.wav][,fast]";
            return choice;
        }
        choice.system = MakeFileAudioSystem(loop, parts[0], parts.size() > 1 ? parts[1] : "", pace);
    } else {
        choice.error = "unknown audio backend \"" + kind + "\" (pulse, null, file)";
        return choice;
    }

    for (size_t i = 1; i < items.size(); ++i) {
        const std::string& item = items[i];
        if (item == "maycom") {
            choice.system = AddSimulatedMaycom(std::move(choice.system));
        } else if (item.rfind("pdaudio", 0) == 0 && (item.size() == 7 || item[7] == ':')) {
            PdAudioSimulation sim;
            if (!ParseCard(item.size() > 8 ? item.substr(8) : "", sim, choice.error)) {
                choice.system.reset();
                return choice;
            }
            choice.system =
                AddPdAudioCard(std::move(choice.system), MakeSimulatedPdAudio(loop, sim));
        } else {
            choice.error = "unknown simulated device \"" + item + "\" (maycom, pdaudio)";
            choice.system.reset();
            return choice;
        }
    }
    return choice;
}

AudioSystemChoice OpenAudioSystemFromEnvironment(EventLoop& loop) {
    const char* value = std::getenv("MORA_AUDIO");
    return OpenAudioSystem(loop, value ? value : "");
}

}  // namespace mora
