#include "publish/bwf_net_writers.h"

#include "audio/mp2_file_writer.h"
#include "settings/settings.h"

namespace mora {
namespace {
// A stream that counts what passes on to another one (the bytes handed to the upload).
class CountingStream : public JStream {
  public:
    CountingStream(JStream& target, uint64_t& count) : target_(target), count_(count) {
        state = target.state;
    }
    int32_t Read(void*, uint32_t) override { return 0; }
    int32_t Write(const void* data, uint32_t n) override {
        int32_t r = target_.Write(data, n);
        if (r > 0) count_ += static_cast<uint32_t>(r);
        state = target_.state;
        return r;
    }

  private:
    JStream& target_;
    uint64_t& count_;
};
}  // namespace

JStreamAudioWriteBWFFTP::JStreamAudioWriteBWFFTP(const Settings& settings, InternetState& internet,
                                                 const AudioWriteFormat& format)
    : JStreamWrFTP(settings, internet), format_(format) {}

JStreamAudioWriteBWFFTP::~JStreamAudioWriteBWFFTP() {
    Close();
}

bool JStreamAudioWriteBWFFTP::IsReady() {
    return JStreamWrFTP::IsReady() && !tooLarge_;
}

void JStreamAudioWriteBWFFTP::Prepare() {
    if (!Connection() || !Connection()->IsConnected()) ConnectWithSettings();
}

void JStreamAudioWriteBWFFTP::StartEncoding() {
    StartEncoder({publication_.stereoEncoding, 44100, 44100});
}

void JStreamAudioWriteBWFFTP::Open(const std::string& name) {
    name_ = name;
    sent_ = handed_ = 0;
    last_.clear();
    history_.clear();
    historyBytes_ = 0;
    tooLarge_ = !assembler_.SetupMpeg(publication_.metadata, Bitrate(), publication_.frames);
    if (tooLarge_) return;
    OpenTarget(name);
    dataStart_ = 0;
    if (JStreamWrFTP::IsReady() && settings_.BwfHeader) {
        CountingStream counted(*this, sent_);
        dataStart_ = assembler_.WriteMpegHead(counted);
    }
    handed_ = dataStart_;
    StartEncoding();
}

void JStreamAudioWriteBWFFTP::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsReady() || !Started()) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    EncodeSamples(samples_.data(),
                  static_cast<uint32_t>(samples_.size()) / (publication_.stereoEncoding ? 2u : 1u));
}

void JStreamAudioWriteBWFFTP::Remember(const uint8_t* data, uint32_t count) {
    history_.push_back({handed_, std::vector<uint8_t>(data, data + count)});
    historyBytes_ += count;
    handed_ += count;
    while (historyBytes_ > kHistoryBytes && history_.size() > 1) {
        historyBytes_ -= history_.front().bytes.size();
        history_.erase(history_.begin());
    }
}

bool JStreamAudioWriteBWFFTP::RollBackTo(uint64_t offset) {
    if (offset >= handed_) return offset == handed_;
    if (history_.empty() || offset < history_.front().position) return false;
    while (!history_.empty() && history_.back().position + history_.back().bytes.size() > offset) {
        Block& block = history_.back();
        const size_t keep =
            offset > block.position ? static_cast<size_t>(offset - block.position) : 0;
        uint32_t sum = 0;
        for (size_t i = keep; i < block.bytes.size(); ++i) sum += block.bytes[i];
        assembler_.RemoveFromChecksum(sum);
        historyBytes_ -= block.bytes.size() - keep;
        block.bytes.resize(keep);
        if (keep == 0)
            history_.pop_back();
        else
            break;
    }
    handed_ = offset;
    return true;
}

void JStreamAudioWriteBWFFTP::WriteEncoded(const uint8_t* data, uint32_t count) {
    assembler_.AddToChecksum(data, count);
    last_.assign(data, data + count);
    Remember(data, count);
    if (!IsReady()) return;
    if (JStreamWrFTP::Write(data, count) > 0) sent_ += count;
}

// After a resume at the start of the last block, that block goes out again (and counts again,
// since the resume took it back).
void JStreamAudioWriteBWFFTP::ResendLast() {
    if (!IsReady() || last_.empty()) return;
    const std::vector<uint8_t> block = last_;
    WriteEncoded(block.data(), static_cast<uint32_t>(block.size()));
}

ResumeResult JStreamAudioWriteBWFFTP::Resume(const std::string& name, uint32_t offset) {
    CloseFile();  // a broken transfer is dropped before the restart
    // The caller re-sends everything from `offset` on; a restart before the audio bytes still
    // known would count some of them twice in the checksum.
    if (offset < dataStart_ || !RollBackTo(offset)) return ResumeResult::Refused;
    const ResumeResult result = OpenTargetAt(name, offset);
    if (result == ResumeResult::Resumed) {
        name_ = name;
        sent_ = offset;
        StartEncoding();
    }
    return result;
}

ResumeResult JStreamAudioWriteBWFFTP::ResumeSame(uint32_t offset) {
    return Resume(name_, offset);
}

void JStreamAudioWriteBWFFTP::OpenExtraFile(const std::string& name) {
    if (!Connection() || !Connection()->IsConnected()) return;
    CloseFile();
    sent_ = handed_ = 0;
    history_.clear();
    historyBytes_ = 0;
    OpenFile(FtpRemotePath(settings_.FtpDestDir, name), false);
}

void JStreamAudioWriteBWFFTP::Finish() {
    if (!IsReady()) return;
    if (Started()) FinishEncoder();
    if (dataStart_ > 0) {
        CountingStream counted(*this, sent_);
        assembler_.WriteTail(counted);
    }
}

void JStreamAudioWriteBWFFTP::Close() {
    if (Started()) FinishEncoder();
    CloseFile();
    JStreamWrFTP::Close();
}

JStreamAudioWriteBWFEMAIL::JStreamAudioWriteBWFEMAIL(const Settings& settings,
                                                     const MailValues& values,
                                                     const AudioWriteFormat& format,
                                                     std::string bodyText)
    : JStreamWrEMAIL(settings, values),
      settings_(settings),
      format_(format),
      body_(std::move(bodyText)) {}

JStreamAudioWriteBWFEMAIL::~JStreamAudioWriteBWFEMAIL() {
    if (Started()) FinishEncoder();
}

bool JStreamAudioWriteBWFEMAIL::IsReady() {
    return JStreamWrEMAIL::IsReady() && !tooLarge_;
}

void JStreamAudioWriteBWFEMAIL::Open(const std::string& name) {
    tooLarge_ = !assembler_.SetupMpeg(publication_.metadata, Bitrate(), publication_.frames);
    if (tooLarge_) return;
    JStreamWrEMAIL::Open(name + "." + settings_.PublishFileExt, false, body_);
    if (!JStreamWrEMAIL::IsReady()) return;
    StartEncoder({publication_.stereoEncoding, 44100, 44100});
    assembler_.WriteMpegHead(*this);
}

void JStreamAudioWriteBWFEMAIL::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsReady() || !Started()) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    EncodeSamples(samples_.data(),
                  static_cast<uint32_t>(samples_.size()) / (publication_.stereoEncoding ? 2u : 1u));
}

void JStreamAudioWriteBWFEMAIL::WriteEncoded(const uint8_t* data, uint32_t count) {
    if (!IsReady()) return;
    assembler_.AddToChecksum(data, count);
    JStreamWrEMAIL::Write(data, count);
}

void JStreamAudioWriteBWFEMAIL::OpenExtraFile(const std::string& name) {
    if (JStreamWrEMAIL::IsReady()) StartAttachment(name);
}

void JStreamAudioWriteBWFEMAIL::Finish() {
    if (!IsReady()) return;
    if (Started()) FinishEncoder();
    assembler_.WriteTail(*this);
}

void JStreamAudioWriteBWFEMAIL::Close() {
    if (Started()) FinishEncoder();
    JStreamWrEMAIL::Close();
}

}  // namespace mora
