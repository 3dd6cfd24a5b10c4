#pragma once
// Recording writers that send the MP2 stream live to an FTP server while recording: FTP only
// (kind 3), with a local WAV recording (kind 4), or with the same MP2 kept locally (kind 5).

#include <string>
#include <vector>

#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "audio/mp2_file_writer.h"
#include "audio/wav_file_writer.h"
#include "net/ftp_stream.h"

namespace mora {

class JStreamAudioWriteFTP : public JStreamAudioWrite, public JStreamWrFTP, public JStreamWrMP2 {
  public:
    JStreamAudioWriteFTP(const Settings& settings, InternetState& internet,
                         const AudioWriteFormat& format);
    ~JStreamAudioWriteFTP() override;

    bool IsReady() override;
    // Connects with the FTP settings unless connected.
    void Prepare() override;
    void Open(const std::string& name) override;
    void Close() override;
    void FlushEncoder() override { FinishEncoder(); }
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

  protected:
    bool FtpReady() { return JStreamWrFTP::IsReady(); }
    // The remote file and the encoder, after whatever the kind opens locally.
    void OpenRemote(const std::string& name);
    void EncodePcm(const uint8_t* pcm, uint32_t bytes);
    void CloseRemote();

    const AudioWriteFormat& format_;

  private:
    std::vector<int16_t> samples_;
};

class JStreamAudioWriteWavFTP : public JStreamAudioWriteFTP {
  public:
    JStreamAudioWriteWavFTP(const Settings& settings, InternetState& internet,
                            const AudioWriteFormat& format, std::string projectFolder);
    ~JStreamAudioWriteWavFTP() override;

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Close() override;
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;

  private:
    JStreamAudioWriteWavFile wav_;
};

class JStreamAudioWriteMP2FTP : public JStreamAudioWriteFTP {
  public:
    JStreamAudioWriteMP2FTP(const Settings& settings, InternetState& internet,
                            const AudioWriteFormat& format, std::string projectFolder);
    ~JStreamAudioWriteMP2FTP() override;

    bool IsReady() override;
    void Open(const std::string& name) override;
    void Close() override;
    void WriteSamples(const uint8_t* pcm, uint32_t bytes) override;
    void WriteEncoded(const uint8_t* data, uint32_t count) override;

  private:
    std::string folder_;
    JStreamWrMP2File local_;
};

}  // namespace mora
