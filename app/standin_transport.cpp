#include "app/standin_transport.h"

#include "app/not_built.h"
#include "audio/input_processing.h"
#include "audio/output_volume.h"

namespace mora {

namespace {

// The output-volume call of the program's sound devices.
class DeviceVolume : public OutputVolumeDevice {
  public:
    explicit DeviceVolume(AudioSystem& audio) : audio_(audio) {}
    bool SetOutputVolume(uint32_t volume) override {
        return audio_.SetOutputVolume(volume) == kAudioOk;
    }

  private:
    AudioSystem& audio_;
};

}  // namespace

bool StandInTransport::StartInput() {
    NotBuilt("monitoring the input");
    return true;
}

void StandInTransport::StartSaving() {
    markers_ = 0;
    NotBuilt("saving the recording");
}

int StandInTransport::RecordGain() const {
    return static_cast<int>(state_.lastState.RecordGain);
}

void StandInTransport::StepGain(int delta) {
    GainStep(state_.inputDsp, state_.settings, state_.lastState.RecordGain, delta);
}

int StandInTransport::PlayVolume() const {
    return static_cast<int>(state_.lastState.PlayVolume);
}

void StandInTransport::StepVolume(int delta) {
    if (!state_.audio) return;
    DeviceVolume device(*state_.audio);
    VolumeStep(device, state_.settings, state_.lastState.PlayVolume, delta);
}

}  // namespace mora
