#pragma once
// Hearing the input equaliser before going out: the microphone through the equaliser to the
// output, live, or a recording played in a loop through it. Both run in the setup program's
// format (mono, 16 bits, 44100 Hz, buffers of 16384 bytes) and read the equaliser's state on
// every buffer, so a moved slider is heard at once.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/input_processing.h"
#include "platform/audio/audio_device.h"

namespace mora {

// Raw 16-bit samples from byte 44 of a file on (a plain WAV header is assumed, not checked),
// starting again at byte 44 whenever the file ends, so any non-empty file fills any buffer.
class LoopingSampleReader {
  public:
    // False with the reason in `error`; a file without a single sample after byte 44 is
    // refused, since it could never fill a buffer.
    bool Open(const std::string& path, std::string& error);
    void Fill(uint8_t* data, uint32_t length);

  private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, &std::fclose};
};

// The two tools share their life: Start opens the devices and queues buffers; every buffer
// coming back is refilled and queued again until Stop, which resets and closes the devices.
class EqAudition {
  public:
    explicit EqAudition(AudioSystem& system) : system_(system) {}
    ~EqAudition() { Stop(); }
    EqAudition(const EqAudition&) = delete;
    EqAudition& operator=(const EqAudition&) = delete;

    // The microphone through `dsp` to the output: eight input buffers in flight, each played
    // once equalised. kAudioOk or the device's error (nothing runs then).
    int StartMonitor(InputDsp& dsp);
    // `reader` looped through `dsp` to the output, four buffers in flight.
    int StartFile(std::unique_ptr<LoopingSampleReader> reader, InputDsp& dsp);
    void Stop();
    bool Running() const { return session_ != nullptr; }

  private:
    struct Session;
    AudioSystem& system_;
    std::shared_ptr<Session> session_;
};

}  // namespace mora
