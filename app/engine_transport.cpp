#include "app/engine_transport.h"

#include "audio/output_volume.h"

namespace mora {

namespace {

class DeviceVolume : public OutputVolumeDevice {
  public:
    explicit DeviceVolume(AudioSystem& audio) : audio_(audio) {}
    bool SetOutputVolume(uint32_t volume) override {
        return audio_.SetOutputVolume(volume) == kAudioOk;
    }

  private:
    AudioSystem& audio_;
};

// Runs a command of the screen with the end reports held back.
class Commanding {
  public:
    explicit Commanding(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Commanding() { flag_ = was_; }

  private:
    bool& flag_;
    bool was_;
};

}  // namespace

EngineTransport::EngineTransport(AppState& state, Engine& engine) : state_(state), engine_(engine) {
    engine_.events.stateChanged = [this] { OnStateChanged(); };
    engine_.events.marker = [this](uint32_t number) { lastMarker_ = static_cast<int>(number); };
    engine_.events.level = [this](uint8_t level) {
        if (!view_) return;
        view_->ShowLevels(level, level);
        if (engine_.Saving()) view_->ShowTime(UnitsToMs(engine_.SavedBuffers()));
    };
    engine_.events.position = [this](int32_t shown) {
        // The editor's cursor is the play position.
        state_.project.edit.cursor = static_cast<uint32_t>(std::max(shown, 0));
        if (!view_) return;
        if (engine_.Playing()) view_->ShowTime(UnitsToMs(std::max(shown, 0)));
        view_->ShowPosition(shown);
    };
}

EngineTransport::~EngineTransport() {
    engine_.events.stateChanged = nullptr;
    engine_.events.marker = nullptr;
    engine_.events.level = nullptr;
    engine_.events.position = nullptr;
}

uint64_t EngineTransport::UnitsToMs(uint64_t units) const {
    const uint32_t perSecond = LevelUnitsPerSecond(state_.project.format);
    return perSecond ? units * 1000 / perSecond : 0;
}

void EngineTransport::Bind(TransportView* view) {
    view_ = view;
}

void EngineTransport::OnStateChanged() {
    if (commanding_ || !view_) return;
    const TransportState shown = state_.transportState;
    const bool inputEnded =
        (shown == TransportState::Armed || shown == TransportState::Recording) &&
        !engine_.InputRunning();
    const bool playEnded =
        (shown == TransportState::Playing || shown == TransportState::FastForward ||
         shown == TransportState::Rewind) &&
        !engine_.Playing();
    if (playEnded) RememberStop();
    if (inputEnded || playEnded) view_->TransportEnded();
}

void EngineTransport::RememberStop() {
    remembered_.stop = engine_.ShownPosition();
    swapToStart_ = true;
}

void EngineTransport::SwapPosition() {
    if (engine_.Playing() || (remembered_.start < 0 && remembered_.stop < 0)) return;
    int32_t target = swapToStart_ ? remembered_.start : remembered_.stop;
    if (target < 0) target = swapToStart_ ? remembered_.stop : remembered_.start;
    swapToStart_ = !swapToStart_;
    engine_.RestartPlaying(target);
}

bool EngineTransport::StartInput() {
    Commanding c(commanding_);
    engine_.SetTransport(kArmed);
    if (engine_.StartInput() == 0) return true;
    engine_.SetTransport(kStopped);
    return false;
}

void EngineTransport::StopInput() {
    Commanding c(commanding_);
    engine_.StopInput();
    engine_.SetTransport(kStopped);
}

void EngineTransport::StartSaving() {
    Commanding c(commanding_);
    lastMarker_ = 0;
    engine_.SetTransport(kRecording);
    engine_.RequestSaving();
}

void EngineTransport::StopSaving() {
    // Saving ends, and the recording joins the project, when the last buffer is back.
    Commanding c(commanding_);
    engine_.StopInput();
    engine_.SetTransport(kStopped);
}

int EngineTransport::InsertMarker() {
    Commanding c(commanding_);
    const int before = lastMarker_;
    engine_.InsertMarker();
    return lastMarker_ != before ? lastMarker_ : 0;
}

bool EngineTransport::CanPlay() {
    const ProjectState& project = state_.project;
    return project.reader && !engine_.InputRunning() && project.edit.cursor < engine_.PlayEnd();
}

bool EngineTransport::StartPlaying() {
    Commanding c(commanding_);
    if (engine_.Playing()) engine_.StopPlaying();
    engine_.SetTransport(kPlaying);
    // The clip list and "Open clip" move the cursor without the engine: play from the cursor.
    const auto cursor = static_cast<int32_t>(state_.project.edit.cursor);
    if (engine_.ReadPosition() != cursor) engine_.RestartPlaying(cursor);
    remembered_.start = engine_.ReadPosition();
    StepVolume(0);
    if (engine_.StartPlaying(state_.project.format.channels) == 0) return true;
    engine_.SetTransport(kStopped);
    return false;
}

bool EngineTransport::StartPlayingClips(uint32_t from) {
    Commanding c(commanding_);
    if (engine_.Playing()) engine_.StopPlaying();
    if (!state_.project.reader || engine_.InputRunning()) return false;
    engine_.RestartPlaying(static_cast<int32_t>(from));
    // Play-all asks the clip list for the next clip at the end of each one.
    engine_.SetTransport(kPlayAll);
    StepVolume(0);
    // Nothing left to play (an empty clip) ends at once: that is no start.
    if (engine_.StartPlaying(state_.project.format.channels) == 0 && engine_.Playing()) return true;
    engine_.SetTransport(kStopped);
    return false;
}

void EngineTransport::StopPlaying() {
    Commanding c(commanding_);
    engine_.StopPlaying();
    engine_.SetTransport(kStopped);
    RememberStop();
}

bool EngineTransport::StartWinding(int direction) {
    Commanding c(commanding_);
    engine_.Wind(direction > 0);
    if (engine_.Playing() || engine_.StartPlaying(state_.project.format.channels) == 0) return true;
    engine_.SetTransport(kStopped);
    return false;
}

int EngineTransport::RecordGain() const {
    return static_cast<int>(state_.lastState.RecordGain);
}

void EngineTransport::StepGain(int delta) {
    engine_.GainStep(delta);
}

int EngineTransport::PlayVolume() const {
    return static_cast<int>(state_.lastState.PlayVolume);
}

void EngineTransport::StepVolume(int delta) {
    DeviceVolume device(*state_.audio);
    VolumeStep(device, state_.settings, state_.lastState.PlayVolume, delta);
}

}  // namespace mora
