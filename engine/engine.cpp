#include "engine/engine.h"

#include <algorithm>

#include "platform/audio/audio_device.h"
#include "platform/event_loop.h"
#include "platform/system_facts.h"
#include "platform/trace.h"
#include "stream/report.h"

namespace mora {

Engine::Engine(EngineContext context) : c_(std::move(context)), tables_(BuildLevelTables()) {
    if (!c_.freeBytes) c_.freeBytes = [](const std::string& path) { return FreeDiskBytes(path); };
    for (int i = 0; i < kEngineSlots; ++i) {
        slots_[i].index = i;
        slots_[i].data.assign(kSlotBytes, 0);
    }
    closingData_.assign(kClosingBufferBytes, 0);
    recordingMp2_ = c_.project.Mp2();
}

Engine::~Engine() {
    shuttingDown_ = true;
    // The devices' callbacks must not reach an engine that is gone: closing them returns every
    // buffer, and a device that is gone posts nothing more.
    if (input_) {
        input_->Reset();
        input_->Close();
    }
    if (output_) {
        output_->Reset();
        output_->Close();
    }
    if (cardOpen_ && c_.audio.DigitalCard()) c_.audio.DigitalCard()->Close();
}

void Engine::MaycomGainStep(int delta) {
    int32_t gain = std::clamp(static_cast<int32_t>(c_.lastState.InterfaceGain) + delta,
                              kMaycomGainMin, kMaycomGainMax);
    c_.lastState.InterfaceGain = static_cast<uint8_t>(gain);
    c_.interfaceControl.gain = gain;
    if (c_.interfaceDevice < 0) return;
    uint32_t result = 0;
    const int rc = input_ ? input_->Message(kMaycomMessage, kMaycomGain, gain, result)
                          : c_.audio.DeviceMessage(true, c_.interfaceDevice, kMaycomMessage,
                                                   kMaycomGain, gain, result);
    if (rc != kAudioOk) ReportError("waveinmessage");
}

void Engine::MaycomVolumeStep(int delta) {
    int32_t volume = std::clamp(static_cast<int32_t>(c_.lastState.InterfaceVolume) + delta,
                                kMaycomVolumeMin, kMaycomVolumeMax);
    c_.lastState.InterfaceVolume = static_cast<uint8_t>(volume);
    c_.interfaceControl.volume = volume;
    if (c_.interfaceDevice < 0) return;
    uint32_t result = 0;
    if (input_) {
        if (input_->Message(kMaycomMessage, kMaycomVolume, volume, result) != kAudioOk)
            ReportError("waveinmessage");
    } else if (output_) {
        if (output_->Message(kMaycomMessage, kMaycomVolume, volume, result) != kAudioOk)
            ReportError("waveoutmessage");
    }
}

uint32_t Engine::MaycomPeak() {
    if (c_.interfaceDevice < 0 || !input_) return maycomPeak_;
    uint32_t result = 0;
    if (input_->Message(kMaycomMessage, kMaycomPeak, 0, result) != kAudioOk) return maycomPeak_;
    const uint32_t high = result >> 16, low = result & 0xFFFF;
    const uint32_t peak = c_.format.stereo ? std::max(high, low) : high;
    // The meter rises at once and falls by an eighth of the way per reading.
    if (peak >= maycomPeak_) {
        maycomPeak_ = peak;
    } else {
        maycomPeak_ -= (maycomPeak_ - peak) / 8;
    }
    return maycomPeak_;
}

void Engine::GainStep(int delta) {
    mora::GainStep(c_.dsp, c_.settings, c_.lastState.RecordGain, delta);
}

void Engine::SetTransport(int state) {
    transport_ = state;
    if (state == kFastForward || state == kRewind) jump_ = 2;
}

void Engine::Wind(bool forward) {
    SetTransport(forward ? kFastForward : kRewind);
}

}  // namespace mora
