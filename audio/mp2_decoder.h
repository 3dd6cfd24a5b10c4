#pragma once
// MPEG audio frame headers and the frame-by-frame decoder over libmad.
//
// The decoder is given one frame at a time; it keeps libmad's synthesis state between frames so
// consecutive frames join seamlessly, and always returns 1152 sample frames per MPEG frame
// (silence for a frame that cannot be decoded), so positions stay tied to frame numbers.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/mp2_bitrate.h"

namespace mora {

struct Mp2Header {
    uint8_t bytes[4]{};

    // Sync word, MPEG-1, Layer II.
    bool IsMpeg1Layer2() const;
    // 4-bit fields as stored.
    int BitrateField() const { return bytes[2] >> 4; }
    int SamplingField() const { return (bytes[2] >> 2) & 3; }
    bool Padding() const { return (bytes[2] & 2) != 0; }
    bool IsMono() const { return (bytes[3] >> 6) == 3; }
    // Bitrate in bit/s; 0 for the free-format and the forbidden field values.
    uint32_t Bitrate() const;
    // 48000 Hz unless the sampling field is 0 (44100 Hz).
    uint32_t SampleRate() const { return SamplingField() == 0 ? 44100 : 48000; }
    // Bytes of the frame this header starts: bitrate * 1152 / rate / 8, plus the padding byte;
    // 0 when the bitrate is unknown.
    uint32_t FrameLength() const;
};

class Mp2Decoder {
  public:
    // What the error hook answers for an error libmad can recover from.
    enum class Flow { Continue, Stop, Break };

    Mp2Decoder();
    ~Mp2Decoder();
    Mp2Decoder(const Mp2Decoder&) = delete;
    Mp2Decoder& operator=(const Mp2Decoder&) = delete;

    // Sets up a fresh decoder for the stream that `header` starts; returns the frame length the
    // header gives (0 when it is not a usable header).
    uint32_t Start(const Mp2Header& header);
    // Decodes one frame and appends 1152 frames of 16-bit PCM with `channels` interleaved
    // channels to `out`. Starts the decoder first if it is not running.
    void DecodeFrame(const uint8_t* frame, uint32_t length, int channels,
                     std::vector<int16_t>& out);
    void Finish();
    bool IsStarted() const { return state_ != nullptr; }

    // Where decoding trouble is noted, one line each; empty: nowhere.
    std::string logPath;
    // The log moves to logPath + ".1" (replacing the one before) when it reaches this size.
    static constexpr long kMaxLogBytes = 1 << 20;
    // Asked for every error libmad can recover from; the default lets decoding go on with the
    // next frame.
    std::function<Flow(int error)> errorHook;

  private:
    // One line per damaged stretch; the file is rotated at kMaxLogBytes.
    void Log(const std::string& line);
    bool damaged_ = false;  // the last frame did not decode
    struct State;
    std::unique_ptr<State> state_;
    std::vector<uint8_t> feed_;
};

// libmad's fixed-point sample (28 fraction bits) to 16 bits, rounded and clamped.
int16_t ScaleMadSample(int32_t sample);

}  // namespace mora
