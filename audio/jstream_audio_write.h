#pragma once
// The audio writer family: every byte of audio the program stores or sends goes through one
// writer. A writer pairs this format interface with a byte-stream transport (file, FTP, e-mail).
// Callers test IsReady after each step, as with the streams.

#include <cstdint>
#include <string>

#include "stream/jstream.h"

namespace mora {

// The engine's format state that the writers read.
struct AudioWriteFormat {
    uint32_t recordingRate = 44100;  // 44100, or 48000 with the external interface
    bool stereo = false;
    int sampleBits = 16;           // 24 only from the digital input card
    uint32_t bufferBytes = 17640;  // one input buffer (0.05 s at the default shift)
    uint32_t levelValuesPerSecond = 20;
    // Input rate the MP2 resampler assumes: the measured rate when the codecs compensate for it
    // and the input is running, else 44100.
    uint32_t resampleRate = 44100;
    int Channels() const { return stereo ? 2 : 1; }
};

class JStreamAudioWrite {
  public:
    virtual ~JStreamAudioWrite() = default;
    // The target is open and usable.
    virtual bool IsReady() = 0;
    // FTP kinds connect; the others do nothing.
    virtual void Prepare() {}
    // Publishing kinds start a further file on the same transport (text, images).
    virtual void OpenExtraFile(const std::string& /*name*/) {}
    // Resuming an interrupted upload; only the FTP publishing writer can.
    virtual ResumeResult Resume(const std::string& /*name*/, uint32_t /*offset*/) {
        return ResumeResult::Refused;
    }
    virtual ResumeResult ResumeSame(uint32_t /*offset*/) { return ResumeResult::Resumed; }
    virtual void ResendLast() {}
    virtual void Open(const std::string& name) = 0;
    virtual void Close() = 0;
    // Broadcast Wave kinds write what follows the audio data.
    virtual void Finish() {}
    virtual void FlushEncoder() {}
    // One input buffer of the engine's interleaved little-endian PCM.
    virtual void WriteSamples(const uint8_t* pcm, uint32_t bytes) = 0;
    // Encoded bytes (MP2 frames, or a whole file's bytes) for the target.
    virtual void WriteEncoded(const uint8_t* /*data*/, uint32_t /*count*/) {}
};

}  // namespace mora
