#include "publish/live_ftp_writers.h"

namespace mora {

JStreamAudioWriteFTP::JStreamAudioWriteFTP(const Settings& settings, InternetState& internet,
                                           const AudioWriteFormat& format)
    : JStreamWrFTP(settings, internet), format_(format) {}

JStreamAudioWriteFTP::~JStreamAudioWriteFTP() {
    CloseRemote();
}

bool JStreamAudioWriteFTP::IsReady() {
    return FtpReady() && !EncoderRefused();
}

void JStreamAudioWriteFTP::Prepare() {
    if (!Connection() || !Connection()->IsConnected()) ConnectWithSettings();
}

void JStreamAudioWriteFTP::OpenRemote(const std::string& name) {
    if (!StartEncoder({format_.stereo, format_.recordingRate, format_.resampleRate})) return;
    OpenTarget(name);
}

void JStreamAudioWriteFTP::Open(const std::string& name) {
    OpenRemote(name);
}

void JStreamAudioWriteFTP::EncodePcm(const uint8_t* pcm, uint32_t bytes) {
    if (!Started()) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    EncodeSamples(samples_.data(), static_cast<uint32_t>(samples_.size()) /
                                       static_cast<uint32_t>(format_.Channels()));
}

void JStreamAudioWriteFTP::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (FtpReady()) EncodePcm(pcm, bytes);
}

void JStreamAudioWriteFTP::WriteEncoded(const uint8_t* data, uint32_t count) {
    if (FtpReady()) JStreamWrFTP::Write(data, count);
}

void JStreamAudioWriteFTP::CloseRemote() {
    if (Started()) FinishEncoder();
    CloseFile();
    JStreamWrFTP::Close();
}

void JStreamAudioWriteFTP::Close() {
    CloseRemote();
}

JStreamAudioWriteWavFTP::JStreamAudioWriteWavFTP(const Settings& settings, InternetState& internet,
                                                 const AudioWriteFormat& format,
                                                 std::string projectFolder)
    : JStreamAudioWriteFTP(settings, internet, format), wav_(format, std::move(projectFolder)) {}

JStreamAudioWriteWavFTP::~JStreamAudioWriteWavFTP() {
    Close();
}

// The recording lives in the local copy: a broken upload (already reported) stops only itself.
bool JStreamAudioWriteWavFTP::IsReady() {
    return wav_.IsReady();
}

void JStreamAudioWriteWavFTP::Open(const std::string& name) {
    wav_.Open(name);
    OpenRemote(name);
}

void JStreamAudioWriteWavFTP::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    wav_.WriteSamples(pcm, bytes);
    if (FtpReady()) EncodePcm(pcm, bytes);
}

void JStreamAudioWriteWavFTP::Close() {
    CloseRemote();
    wav_.Close();
}

JStreamAudioWriteMP2FTP::JStreamAudioWriteMP2FTP(const Settings& settings, InternetState& internet,
                                                 const AudioWriteFormat& format,
                                                 std::string projectFolder)
    : JStreamAudioWriteFTP(settings, internet, format), folder_(std::move(projectFolder)) {}

JStreamAudioWriteMP2FTP::~JStreamAudioWriteMP2FTP() {
    Close();
}

bool JStreamAudioWriteMP2FTP::IsReady() {
    return local_.IsGood() && !EncoderRefused();
}

void JStreamAudioWriteMP2FTP::Open(const std::string& name) {
    // The local copy is complete on disk after every block, whatever happens to the upload.
    if (!StartEncoder({format_.stereo, format_.recordingRate, format_.resampleRate})) return;
    local_.Create(folder_ + name + ".mp2", true);
    OpenRemote(name);
}

void JStreamAudioWriteMP2FTP::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (local_.IsGood()) EncodePcm(pcm, bytes);
}

void JStreamAudioWriteMP2FTP::WriteEncoded(const uint8_t* data, uint32_t count) {
    if (local_.IsGood()) local_.Put(data, count);
    if (FtpReady()) JStreamWrFTP::Write(data, count);
}

void JStreamAudioWriteMP2FTP::Close() {
    CloseRemote();
}

}  // namespace mora
