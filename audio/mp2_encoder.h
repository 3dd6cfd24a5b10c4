#pragma once
// The MP2 encoding layer that every MPEG writer carries: input PCM at the recording rate is
// staged in 1152-frame blocks, converted to 48 kHz when it comes at 44.1 kHz, encoded one
// Layer II frame at a time, and handed on in 8192-byte blocks to the writer's WriteEncoded.

#include <array>
#include <cstdint>
#include <vector>

#include "audio/mp2_bitrate.h"
#include "audio/pcm_stager.h"

struct twolame_options_struct;

namespace mora {

struct Mp2EncoderSetup {
    bool stereo = false;
    uint32_t recordingRate = 44100;  // input at any other rate is taken as 48 kHz as it is
    uint32_t resampleRate = 44100;   // the measured rate when codecs compensate for it
};

// The rate the resampler takes the 44.1 kHz input to run at: the measured rate when the codecs
// compensate for it and the input is running, else 44100. A measurement more than 10 % off is a
// broken setting and is not used (at 0 the staging would never empty).
uint32_t EncoderInputRate(uint32_t measuredSampleRate, bool compensateInCodecs, bool inputRunning);

class JStreamWrMP2 {
  public:
    static constexpr uint32_t kBlockSize = 8192;

    JStreamWrMP2();
    virtual ~JStreamWrMP2();
    JStreamWrMP2(const JStreamWrMP2&) = delete;
    JStreamWrMP2& operator=(const JStreamWrMP2&) = delete;

    // Index into the bitrate table; above 11 shows "Illegal bitrate" and changes nothing.
    bool SetBitrate(int index, uint32_t levelValuesPerSecond = 20);
    const Mp2Bitrate& Bitrate() const { return bitrate_; }

    // Starts (or restarts) the encoder; false, with the reason shown once, when the bitrate is
    // not possible in the mode or the encoder library refuses the setup.
    bool StartEncoder(const Mp2EncoderSetup& setup);
    // The last StartEncoder failed: the writer is not ready until a start succeeds.
    bool EncoderRefused() const { return refused_; }
    // One input buffer of interleaved 16-bit frames (1 or 2 channels as started).
    void EncodeSamples(const int16_t* pcm, uint32_t frames);
    // Pads the last frame with silence, flushes the encoder and hands on what is left.
    void FinishEncoder();
    // Encodes one 1152-sample mono frame directly (re-encoding for publishing); the encoder must
    // have been started in mono.
    void EncodeMonoFrame(const int16_t* samples);

    uint32_t PendingFrames() const { return stager_.Pending(); }
    bool Started() const { return options_ != nullptr; }
    const Resampler& GetResampler() const { return stager_.GetResampler(); }

  protected:
    // Receives the encoded stream in blocks of 8192 bytes (the last one may be shorter).
    virtual void WriteEncoded(const uint8_t* data, uint32_t count) = 0;

  private:
    void EncodePlanes(const int16_t* left, const int16_t* right);
    void Output(const uint8_t* data, uint32_t count);
    void Release();

    Mp2Bitrate bitrate_;
    Mp2EncoderSetup setup_;
    int channels_ = 1;
    twolame_options_struct* options_ = nullptr;
    PcmStager48k stager_;
    PcmStager48k::Planes encode_;
    std::vector<uint8_t> frame_;  // one encoder call's output
    std::array<uint8_t, kBlockSize> block_{};
    uint32_t blockFill_ = 0;
    bool refused_ = false;
};

}  // namespace mora
