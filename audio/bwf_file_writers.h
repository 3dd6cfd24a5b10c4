#pragma once
// Broadcast Wave publications saved as local files: 48 kHz PCM (kind 8) or MPEG-1 Layer II
// (kind 9), named "pub_" + name in the project folder.

#include <string>
#include <vector>

#include "audio/bwf_assembler.h"
#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "audio/mp2_file_writer.h"
#include "audio/pcm_stager.h"
#include "audio/wav_file_writer.h"

namespace mora {

// Kind 8. Input PCM at 44.1 kHz is converted to 48 kHz; sizes are patched when finished.
class JStreamAudioWriteBWFWavFile : public JStreamAudioWrite, public JStreamWrWavFile {
  public:
    JStreamAudioWriteBWFWavFile(const AudioWriteFormat& format, std::string projectFolder);
    ~JStreamAudioWriteBWFWavFile() override;

    // The metadata of the publication, built before Open.
    void SetMetadata(BwfMetadata metadata) { assembler_.SetupPcm(std::move(metadata)); }

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Finish() override;
    void Close() override;
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;

    const std::string& Path() const { return path_; }
    uint32_t WaveChecksum() const { return assembler_.WaveChecksum(); }

  protected:
    void OnBlock(const uint8_t* data, uint32_t count) override {
        assembler_.AddToChecksum(data, count);
    }

  private:
    void Put48k(const int16_t* left, const int16_t* right);

    const AudioWriteFormat& format_;
    std::string folder_;
    std::string path_;
    BwfAssembler assembler_;
    PcmStager48k stager_;
    PcmStager48k::Planes put_;
    std::vector<int16_t> samples_;
    std::vector<uint8_t> interleaved_;
    uint32_t dataStart_ = 0;
    bool full_ = false;
    bool finished_ = false;
};

// Kind 9. PCM sources are encoded; MP2 frames copied from recordings arrive via WriteEncoded.
class JStreamAudioWriteBWFMP2File : public JStreamAudioWrite,
                                    public JStreamWrMP2File,
                                    public JStreamWrMP2 {
  public:
    JStreamAudioWriteBWFMP2File(const AudioWriteFormat& format, std::string projectFolder,
                                std::string extension);
    ~JStreamAudioWriteBWFMP2File() override;

    // The metadata and the number of MP2 frames the publication will hold, before Open. The
    // encoder follows the bitrate set with SetBitrate; `stereoEncoding` false encodes mono.
    void SetMetadata(BwfMetadata metadata, uint32_t frames, bool stereoEncoding);

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Finish() override;
    void Close() override;
    void FlushEncoder() override { FinishEncoder(); }
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

    uint32_t WaveChecksum() const { return assembler_.WaveChecksum(); }

  private:
    const AudioWriteFormat& format_;
    std::string folder_;
    std::string extension_;
    BwfMetadata metadata_;
    uint32_t frames_ = 0;
    bool stereoEncoding_ = false;
    BwfAssembler assembler_;
    std::vector<int16_t> samples_;
    bool tooLarge_ = false;
    bool finished_ = false;
};

}  // namespace mora
