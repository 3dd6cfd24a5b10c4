#pragma once
// The sound-server backend: libpulse against the user's PulseAudio (or PipeWire's PulseAudio
// service). The server's own thread moves samples in and out of the caller's buffers; every
// buffer that comes back is handed to the program's event loop.

#include <memory>
#include <string>

#include "platform/audio/audio_device.h"

namespace mora {

class EventLoop;

// Connects to the sound server; gives nullptr with the reason in `error` when none answers
// within `timeoutMs`. Devices opened from it may outlive the returned object.
std::unique_ptr<AudioSystem> ConnectSoundServer(EventLoop& loop, int timeoutMs, std::string& error);

}  // namespace mora
