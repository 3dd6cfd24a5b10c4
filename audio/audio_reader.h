#pragma once
// Readers of recordings: WAV (16/24-bit PCM, mono or stereo, 44100 to 96000 Hz) and MP2
// (MPEG-1 Layer II at 48000 Hz, bare or inside a RIFF/Broadcast Wave file).
//
// A reader validates its file against the engine's format state (and sets that state from the
// file), reports the length in level units, seeks by level unit and delivers one level unit of
// 16-bit PCM per call, converted to the player's output rate and channel count.
//
// Refusals show the error box and return a length of 0. A reader that is not good delivers
// nothing, which ends playback.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/engine_format.h"
#include "audio/mp2_decoder.h"
#include "audio/playback_converter.h"
#include "platform/riff.h"
#include "stream/jstream_file.h"
#include "stream/jstream_memory.h"

namespace mora {

class JStreamAudioReadFile : public JStreamFile {
  public:
    explicit JStreamAudioReadFile(EngineFormat& format) : format_(format) {}

    // Opens the file if needed, seeks to `unit` and restarts the rate conversion.
    virtual void StartAt(int32_t unit) = 0;
    virtual void CloseFile() = 0;
    // Length in level units; 0 when the file is refused (the reason was shown).
    virtual uint32_t Validate() = 0;
    virtual void Seek(int32_t unit) = 0;
    // A seek for fast forward and rewind, cheaper where the reader can make it so.
    virtual void SeekFast(int32_t unit) = 0;
    // Fills `buffer` with one level unit at the output rate: OutputFramesPerUnit(format) frames
    // of format.outputChannels interleaved samples. Past the end of the audio it gives silence.
    virtual void GetUnit(int16_t* buffer) = 0;

    // Opens `name` for reading, validates it and closes it; the length (0 when the file cannot
    // be opened or is refused).
    uint32_t ReadLength(const std::string& name);

    // The file StartAt opens.
    void SetFileName(const std::string& name) { fileName_ = name; }
    const std::string& FileName() const { return fileName_; }
    // Reads `bytes` instead of a file, for tests and fuzzing.
    void UseMemory(std::vector<uint8_t> bytes);

    int32_t CurrentUnit() const { return currentUnit_; }
    uint32_t DataStart() const { return dataStart_; }
    uint32_t DataSize() const { return dataSize_; }

  protected:
    JStream& Source() { return memory_ ? static_cast<JStream&>(*memory_) : *this; }
    uint32_t SourceSize() { return memory_ ? memory_->GetSize() : GetSize(); }
    // Opens the file when it is not open and validates it; false when that failed.
    bool OpenForReading();
    void CloseSource();

    EngineFormat& format_;
    std::string fileName_;
    std::unique_ptr<JStreamMemory> memory_;
    int32_t currentUnit_ = -1;
    uint32_t dataStart_ = 0;
    uint32_t dataSize_ = 0;
    PlaybackConverter converter_;
};

class JStreamAudioReadWavFile : public JStreamAudioReadFile {
  public:
    using JStreamAudioReadFile::JStreamAudioReadFile;
    ~JStreamAudioReadWavFile() override;

    void StartAt(int32_t unit) override;
    void CloseFile() override;
    uint32_t Validate() override;
    void Seek(int32_t unit) override;
    void SeekFast(int32_t unit) override { Seek(unit); }
    void GetUnit(int16_t* buffer) override;

  private:
    // Reads `frames` input frames (silence past the data) as 16-bit samples into the converter.
    void Feed(uint32_t frames);

    uint32_t readPos_ = 0;  // offset within the data of the next frame to read
    std::vector<uint8_t> raw_;
    std::vector<int16_t> samples_;
};

class JStreamAudioReadMP2File : public JStreamAudioReadFile {
  public:
    using JStreamAudioReadFile::JStreamAudioReadFile;
    ~JStreamAudioReadMP2File() override;

    void StartAt(int32_t unit) override;
    void CloseFile() override;
    uint32_t Validate() override;
    void Seek(int32_t unit) override;
    void SeekFast(int32_t unit) override;
    void GetUnit(int16_t* buffer) override;

    uint32_t Frames() const { return frames_; }
    uint32_t CurrentFrame() const { return currentFrame_; }
    uint32_t FrameLength() const { return frameLength_; }
    Mp2Decoder& Decoder() { return decoder_; }

  private:
    void Position(int32_t unit, bool restartDecoder);

    Mp2Decoder decoder_;
    uint32_t frames_ = 0;
    uint32_t currentFrame_ = 0;
    uint32_t frameLength_ = 0;
    std::vector<uint8_t> frame_;
    std::vector<int16_t> decoded_;
};

// Level units of a recording: `unit` * 125 / (3 * units per second) is its first MP2 frame.
uint32_t Mp2FrameOfUnit(const EngineFormat& format, int32_t unit);

// The chunk walk over a stream of `fileSize` bytes.
RiffLayout WalkRiff(JStream& stream, uint64_t fileSize);

// The first MP2 frame header of a file (after its RIFF headers when it has them).
std::optional<Mp2Header> FirstMp2Header(const std::string& path);
// Sets format.mp2BitrateIndex from the first frame header of an MP2 file; false (nothing
// changed) when the file has no usable header.
bool AdoptBitrate(const std::string& path, EngineFormat& format);

}  // namespace mora
