#pragma once
// Broadcast Wave publications sent over the network: uploaded by FTP (kind 6, resumable) or
// attached to an e-mail (kind 7). Both encode MPEG-1 Layer II; every size in the header is
// computed ahead because neither target can seek back.

#include <string>
#include <vector>

#include "audio/bwf_assembler.h"
#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "net/email_stream.h"
#include "net/ftp_stream.h"

namespace mora {

// What a publish job hands an MPEG publishing writer before Open.
struct BwfPublication {
    BwfMetadata metadata;
    uint32_t frames = 0;          // MP2 frames the audio data will hold
    bool stereoEncoding = false;  // PCM sources encoded in stereo
};

class JStreamAudioWriteBWFFTP : public JStreamAudioWrite, public JStreamWrFTP, public JStreamWrMP2 {
  public:
    JStreamAudioWriteBWFFTP(const Settings& settings, InternetState& internet,
                            const AudioWriteFormat& format);
    ~JStreamAudioWriteBWFFTP() override;

    void SetPublication(BwfPublication publication) { publication_ = std::move(publication); }

    bool IsReady() override;
    void Prepare() override;
    void OpenExtraFile(const std::string& name) override;
    ResumeResult Resume(const std::string& name, uint32_t offset) override;
    ResumeResult ResumeSame(uint32_t offset) override;
    void ResendLast() override;
    void Open(const std::string& name) override;
    void Close() override;
    void Finish() override;
    void FlushEncoder() override { FinishEncoder(); }
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

    // Bytes of the current remote file the connection accepted so far.
    uint64_t BytesSent() const { return sent_; }
    uint32_t DataStart() const { return dataStart_; }
    uint32_t WaveChecksum() const { return assembler_.WaveChecksum(); }

    // Audio bytes kept to correct the checksum when a resume restarts before what was handed
    // over (the server may hold less than the connection accepted).
    static constexpr size_t kHistoryBytes = 8u << 20;

  private:
    void StartEncoding();
    void Remember(const uint8_t* data, uint32_t count);
    // Takes back the checksum of the audio bytes from `offset` on; false when they are no
    // longer known.
    bool RollBackTo(uint64_t offset);

    struct Block {
        uint64_t position;
        std::vector<uint8_t> bytes;
    };

    const AudioWriteFormat& format_;
    BwfPublication publication_;
    BwfAssembler assembler_;
    std::string name_;
    std::vector<uint8_t> last_;
    std::vector<int16_t> samples_;
    std::vector<Block> history_;
    size_t historyBytes_ = 0;
    uint64_t handed_ = 0;  // position after the last byte handed to the upload
    uint64_t sent_ = 0;
    uint32_t dataStart_ = 0;
    bool tooLarge_ = false;
};

class JStreamAudioWriteBWFEMAIL : public JStreamAudioWrite,
                                  public JStreamWrEMAIL,
                                  public JStreamWrMP2 {
  public:
    JStreamAudioWriteBWFEMAIL(const Settings& settings, const MailValues& values,
                              const AudioWriteFormat& format, std::string bodyText);
    ~JStreamAudioWriteBWFEMAIL() override;

    void SetPublication(BwfPublication publication) { publication_ = std::move(publication); }

    bool IsReady() override;
    void OpenExtraFile(const std::string& name) override;
    void Open(const std::string& name) override;
    void Close() override;
    void Finish() override;
    void FlushEncoder() override { FinishEncoder(); }
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

  private:
    const Settings& settings_;
    const AudioWriteFormat& format_;
    std::string body_;
    BwfPublication publication_;
    BwfAssembler assembler_;
    std::vector<int16_t> samples_;
    bool tooLarge_ = false;
};

}  // namespace mora
