#include "app/transport.h"

namespace mora {

void StartEngine(AppState& state, EngineHolder& holder, EventLoop& loop) {
    if (!state.audio) return;
    ProjectState& project = state.project;
    TakeSettings(project.format, state.settings);
    project.format.externalInterface = state.interfaceFound;
    project.format.stereo = state.settings.RecordStereo != 0;
    project.format.levelShift = project.shift;

    MaycomControl control;
    control.sensitivity = state.settings.InputSensitivity;
    control.phantom = state.settings.Phantom;
    control.limiter = state.settings.Limiter;
    control.agc = state.settings.Agc;
    control.balanced = state.settings.StereoUnbalanced ? 0 : 1;
    control.bias = state.settings.MicBias ? 1 : 0;

    holder.link = std::make_unique<ProjectLink>(project);
    EngineContext context{loop,
                          *state.audio,
                          state.settings,
                          state.lastState,
                          project.format,
                          state.inputDsp,
                          project.edit.rec,
                          project.reader,
                          *holder.link,
                          holder.internet,
                          state.interfaceFound ? state.interfaceDevice : -1,
                          control,
                          {}};
    holder.engine = std::make_unique<Engine>(context);
}

void StopEngine(EngineHolder& holder) {
    if (!holder.engine) return;
    holder.engine->SetShuttingDown();
    holder.engine->StopInput();
    holder.engine->ExitPlaying();
    holder.engine->CloseInput();
    holder.engine.reset();
}

void PressRecord(Engine& engine) {
    switch (engine.TransportState()) {
        case kStopped:
            engine.SetTransport(kArmed);
            if (engine.StartInput() != 0) engine.SetTransport(kStopped);
            return;
        case kRecording:
            engine.InsertMarker();
            return;
        default:
            PressStop(engine);
    }
}

void PressPlay(Engine& engine, const ProjectState& project) {
    if (engine.TransportState() == kArmed) {
        engine.SetTransport(kRecording);
        engine.RequestSaving();
        return;
    }
    if (engine.InputRunning() || engine.Playing()) {
        if (engine.Playing()) engine.SetTransport(kPlaying);
        return;
    }
    if (static_cast<uint32_t>(engine.ReadPosition()) >= engine.PlayEnd()) return;
    engine.SetTransport(kPlaying);
    if (engine.StartPlaying(project.format.channels) != 0) engine.SetTransport(kStopped);
}

void PressStop(Engine& engine) {
    const int state = engine.TransportState();
    if (state == kArmed || state == kRecording) engine.StopInput();
    if (state >= kPlaying) engine.StopPlaying();
    engine.SetTransport(kStopped);
}

void PressWind(Engine& engine, const ProjectState& project, bool forward) {
    if (engine.InputRunning()) return;
    engine.Wind(forward);
    if (!engine.Playing() && engine.StartPlaying(project.format.channels) != 0)
        engine.SetTransport(kStopped);
}

}  // namespace mora
