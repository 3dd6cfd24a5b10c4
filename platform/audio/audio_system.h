#pragma once
// Choosing the backend. MORA_AUDIO holds one base, optionally followed by simulated devices,
// joined with '+':
//   pulse                      the sound server (the default when MORA_AUDIO is unset or empty)
//   null[:fast]                silent input, discarded output
//   file:IN.wav[,OUT.wav][,fast]
//                              input read from IN.wav (empty: silence), output written to
//                              OUT.wav (absent or empty: discarded)
//   +maycom                    the simulated external interface
//   +pdaudio[:RATE][,nosignal][,nodriver]
//                              the simulated digital input card (rate 48000 unless given)
// Software devices keep the pace of real time unless "fast" asks for as fast as the caller
// queues. A value that begins with a simulated device stands on the sound server.

#include <memory>
#include <string>

#include "platform/audio/audio_device.h"
#include "platform/audio/soft_device.h"

namespace mora {

class EventLoop;

struct AudioSystemChoice {
    std::unique_ptr<AudioSystem> system;  // null only when the value could not be understood
    // Set when the sound server did not answer and the null device stands in; the program says
    // so once.
    std::string notice;
    std::string error;  // why the value was refused
};

AudioSystemChoice OpenAudioSystem(EventLoop& loop, const std::string& value);
// The same with MORA_AUDIO from the environment.
AudioSystemChoice OpenAudioSystemFromEnvironment(EventLoop& loop);

std::unique_ptr<AudioSystem> MakeNullAudioSystem(EventLoop& loop, Pace pace);
// Either path may be empty: silent input, discarded output.
std::unique_ptr<AudioSystem> MakeFileAudioSystem(EventLoop& loop, const std::string& inPath,
                                                 const std::string& outPath, Pace pace);

}  // namespace mora
