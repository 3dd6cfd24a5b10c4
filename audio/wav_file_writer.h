#pragma once
// Plain WAV recordings: a 44-byte header whose sizes are patched at close, and a 64 KiB
// write-behind buffer so that the file is written in large blocks.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/jstream_audio_write.h"
#include "platform/riff.h"
#include "stream/jstream_file.h"

namespace mora {

// A file stream with the write-behind buffer the PCM writers share.
class JStreamWrWavFile : public JStreamFile {
  public:
    static constexpr uint32_t kBufferSize = 65536;
    JStreamWrWavFile();

    // Appends to the buffer, writing it each time it is exactly full.
    void Buffered(const uint8_t* data, uint32_t count);
    // Writes what the buffer holds.
    void FlushBuffer();
    void ResetBuffer() { fill_ = 0; }
    // Bytes written to the file plus those still buffered.
    uint64_t BytesSoFar() const { return written_ + fill_; }
    void CountFrom(uint64_t bytes) { written_ = bytes; }

    // No file grows past what its 32-bit RIFF sizes can describe (smaller in tests).
    uint64_t sizeLimit = kMaxRiffFileBytes;

  protected:
    // Called with every block just before it is written (the Broadcast Wave checksum).
    virtual void OnBlock(const uint8_t*, uint32_t) {}

  private:
    std::unique_ptr<std::array<uint8_t, kBufferSize>> buffer_;
    uint32_t fill_ = 0;
    uint64_t written_ = 0;
};

// Kind 1: a PCM recording in the project folder.
class JStreamAudioWriteWavFile : public JStreamAudioWrite, public JStreamWrWavFile {
  public:
    JStreamAudioWriteWavFile(const AudioWriteFormat& format, std::string projectFolder);
    ~JStreamAudioWriteWavFile() override;

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Close() override;
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;

    const std::string& Path() const { return path_; }

  private:
    const AudioWriteFormat& format_;
    std::string folder_;
    std::string path_;
    bool full_ = false;  // the next buffer would pass the 32-bit sizes
};

}  // namespace mora
