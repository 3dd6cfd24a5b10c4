#pragma once
// The record screen's transport over the program's audio engine: the buttons start and stop
// the recorder and the player, and the engine's levels, saved buffers and play position reach
// the screen that is bound.

#include "app/app_state.h"
#include "engine/engine.h"
#include "ui/transport.h"

namespace mora {

class EngineTransport : public TransportControl {
  public:
    // The engine records into and plays from `state.project`; it must outlive this object.
    EngineTransport(AppState& state, Engine& engine);
    ~EngineTransport() override;

    void Bind(TransportView* view) override;
    bool StartInput() override;
    void StopInput() override;
    void StartSaving() override;
    void StopSaving() override;
    int InsertMarker() override;
    bool CanPlay() override;
    bool StartPlaying() override;
    void StopPlaying() override;
    bool StartPlayingClips(uint32_t from) override;
    bool StartWinding(int direction) override;
    void SwapPosition() override;
    void RestartPlaying(int32_t position) override { engine_.RestartPlaying(position); }
    RememberedPositions Remembered() const override { return remembered_; }

    int RecordGain() const override;
    void StepGain(int delta) override;
    int PlayVolume() const override;
    void StepVolume(int delta) override;

    bool HasInterface() const override { return state_.interfaceFound; }
    int InterfaceGain() const override { return state_.lastState.InterfaceGain; }
    int InterfaceVolume() const override { return state_.lastState.InterfaceVolume; }
    void StepInterfaceGain(int steps) override { engine_.MaycomGainStep(steps); }
    void StepInterfaceVolume(int steps) override { engine_.MaycomVolumeStep(steps); }
    int InterfaceInputLevel() override { return static_cast<int>(engine_.MaycomPeak()); }

  private:
    void OnStateChanged();
    void RememberStop();
    uint64_t UnitsToMs(uint64_t units) const;

    AppState& state_;
    Engine& engine_;
    TransportView* view_ = nullptr;
    int lastMarker_ = 0;
    // Where the last playback started and stopped; Stop's release goes to each in turn.
    RememberedPositions remembered_;
    bool swapToStart_ = true;
    // Set while the screen itself asks for a change, so only changes the engine makes by
    // itself (the end of playback, a recording limit) are reported as an end.
    bool commanding_ = false;
};

}  // namespace mora
