#pragma once
// The program's audio engine and the transport commands the record and editor screens press:
// Record, Play, Stop, Mark, fast forward and rewind. The engine is made once the devices and
// settings are there and works on the program's project state.

#include <memory>

#include "app/app_state.h"
#include "platform/event_loop.h"

namespace mora {

// Makes the engine over `state` (the devices must be open and the settings loaded): the
// recorder's channels, the external-interface control block and the codecs' format.
void StartEngine(AppState& state, EngineHolder& holder, EventLoop& loop);
// Stops recording and playback for good; the devices close directly.
void StopEngine(EngineHolder& holder);

// The transport buttons. The state they move between is the engine's TransportState.
// Record: stopped -> armed (input monitored); recording -> a marker; otherwise stop.
void PressRecord(Engine& engine);
// Play: armed -> recording; otherwise play the current recording from the play position.
void PressPlay(Engine& engine, const ProjectState& project);
void PressStop(Engine& engine);
// Fast forward or rewind: winds while playing, or starts playing wound.
void PressWind(Engine& engine, const ProjectState& project, bool forward);

}  // namespace mora
