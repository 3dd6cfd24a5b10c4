#pragma once
// MP2 recordings: the engine's PCM encoded while recording into a bare MPEG-1 Layer II file.

#include <string>
#include <vector>

#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "stream/jstream_file.h"

namespace mora {

// The file an MP2 writer fills. In append mode the file is reopened for every block and closed
// again, so that it is complete on disk after each one.
class JStreamWrMP2File : public JStreamFile {
  public:
    void Create(const std::string& path, bool appendMode);
    void Put(const uint8_t* data, uint32_t count);
    const std::string& FilePath() const { return path_; }
    bool AppendMode() const { return append_; }

  private:
    std::string path_;
    bool append_ = false;
};

// Interleaved PCM of the engine (16 or 24 bits) as 16-bit frames for the encoder.
void ToPcm16(const uint8_t* pcm, uint32_t bytes, int sampleBits, std::vector<int16_t>& out);

// Kind 2: an MP2 recording in the project folder.
class JStreamAudioWriteMP2File : public JStreamAudioWrite,
                                 public JStreamWrMP2File,
                                 public JStreamWrMP2 {
  public:
    JStreamAudioWriteMP2File(const AudioWriteFormat& format, std::string projectFolder,
                             bool appendMode = false);
    ~JStreamAudioWriteMP2File() override;

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Close() override;
    void FlushEncoder() override { FinishEncoder(); }
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

  private:
    const AudioWriteFormat& format_;
    std::string folder_;
    bool appendMode_;
    std::vector<int16_t> samples_;
};

}  // namespace mora
