#pragma once
// The transport the record screen drives until the recorder and player are part of the
// program: the buttons change state, gain and volume work on the settings and the devices, and
// recording and playback themselves are reported as not built.

#include "app/app_state.h"
#include "ui/transport.h"

namespace mora {

class StandInTransport : public TransportControl {
  public:
    explicit StandInTransport(AppState& state) : state_(state) {}

    void Bind(TransportView* view) override { view_ = view; }
    bool StartInput() override;
    void StopInput() override {}
    void StartSaving() override;
    void StopSaving() override {}
    int InsertMarker() override { return ++markers_; }
    bool CanPlay() override { return false; }
    bool StartPlaying() override { return false; }
    void StopPlaying() override {}
    bool StartWinding(int) override { return false; }

    int RecordGain() const override;
    void StepGain(int delta) override;
    int PlayVolume() const override;
    void StepVolume(int delta) override;
    bool HasInterface() const override { return state_.interfaceFound; }

  private:
    AppState& state_;
    TransportView* view_ = nullptr;
    int markers_ = 0;
};

}  // namespace mora
