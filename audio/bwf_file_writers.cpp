#include "audio/bwf_file_writers.h"

#include "platform/riff.h"
#include "stream/report.h"

namespace mora {

JStreamAudioWriteBWFWavFile::JStreamAudioWriteBWFWavFile(const AudioWriteFormat& format,
                                                         std::string projectFolder)
    : format_(format), folder_(std::move(projectFolder)) {
    put_ = [this](const int16_t* left, const int16_t* right) { Put48k(left, right); };
}

JStreamAudioWriteBWFWavFile::~JStreamAudioWriteBWFWavFile() {
    Close();
}

bool JStreamAudioWriteBWFWavFile::IsReady() {
    return IsGood() && !full_;
}

void JStreamAudioWriteBWFWavFile::Open(const std::string& name) {
    const std::string path = folder_ + "pub_" + name + ".wav";
    if (IsOpen()) {
        ReportError(path + " : File is open");
        JStreamFile::Close();
        return;
    }
    path_ = path;
    full_ = finished_ = false;
    JStreamFile::Open(path_, false);
    if (!IsWritable()) return;
    dataStart_ = assembler_.WritePcmHead(*this);
    ResetBuffer();
    CountFrom(dataStart_);
    // Sources are read at the player's 44.1 kHz.
    stager_.Reset(assembler_.Channels(), 44100, 44100);
}

void JStreamAudioWriteBWFWavFile::Put48k(const int16_t* left, const int16_t* right) {
    const int ch = assembler_.Channels();
    interleaved_.resize(kMp2FrameSamples * static_cast<size_t>(ch) * 2);
    uint8_t* p = interleaved_.data();
    for (uint32_t i = 0; i < kMp2FrameSamples; ++i) {
        PutLE16(p, static_cast<uint16_t>(left[i]));
        p += 2;
        if (ch == 2) {
            PutLE16(p, static_cast<uint16_t>(right[i]));
            p += 2;
        }
    }
    // The chunks after the data must still fit the 32-bit RIFF size.
    if (BytesSoFar() + interleaved_.size() + assembler_.TailBytes() > sizeLimit) {
        full_ = true;
        return;
    }
    Buffered(interleaved_.data(), static_cast<uint32_t>(interleaved_.size()));
}

void JStreamAudioWriteBWFWavFile::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsWritable() || full_) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    stager_.Push(
        samples_.data(),
        static_cast<uint32_t>(samples_.size()) / static_cast<uint32_t>(assembler_.Channels()),
        put_);
}

void JStreamAudioWriteBWFWavFile::Finish() {
    if (!IsWritable() || finished_) return;
    finished_ = true;
    if (!full_) stager_.Finish(put_);
    FlushBuffer();
    const uint32_t length = GetSize();
    assembler_.WriteTail(*this);
    uint8_t size[4];
    PutLE32(size, length - 8 + assembler_.TailBytes());
    SetPosition(4);
    Write(size, 4);
    PutLE32(size, length - dataStart_);
    SetPosition(static_cast<int32_t>(dataStart_ - 4));
    Write(size, 4);
    SetPosition(static_cast<int32_t>(length + assembler_.TailBytes()));
}

void JStreamAudioWriteBWFWavFile::Close() {
    JStreamFile::Close();
}

JStreamAudioWriteBWFMP2File::JStreamAudioWriteBWFMP2File(const AudioWriteFormat& format,
                                                         std::string projectFolder,
                                                         std::string extension)
    : format_(format), folder_(std::move(projectFolder)), extension_(std::move(extension)) {}

JStreamAudioWriteBWFMP2File::~JStreamAudioWriteBWFMP2File() {
    Close();
}

void JStreamAudioWriteBWFMP2File::SetMetadata(BwfMetadata metadata, uint32_t frames,
                                              bool stereoEncoding) {
    metadata_ = std::move(metadata);
    frames_ = frames;
    stereoEncoding_ = stereoEncoding;
}

bool JStreamAudioWriteBWFMP2File::IsReady() {
    return IsGood() && !tooLarge_;
}

void JStreamAudioWriteBWFMP2File::Open(const std::string& name) {
    const std::string path = folder_ + "pub_" + name + "." + extension_;
    if (IsOpen()) {
        ReportError(path + " : File is open");
        JStreamFile::Close();
        return;
    }
    finished_ = false;
    tooLarge_ = !assembler_.SetupMpeg(metadata_, Bitrate(), frames_);
    if (tooLarge_) return;
    Create(path, false);
    if (!IsWritable()) return;
    assembler_.WriteMpegHead(*this);
    StartEncoder({stereoEncoding_, 44100, 44100});
}

void JStreamAudioWriteBWFMP2File::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsReady() || !Started()) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    EncodeSamples(samples_.data(),
                  static_cast<uint32_t>(samples_.size()) / (stereoEncoding_ ? 2u : 1u));
}

void JStreamAudioWriteBWFMP2File::WriteEncoded(const uint8_t* data, uint32_t count) {
    if (!IsReady()) return;
    assembler_.AddToChecksum(data, count);
    Put(data, count);
}

void JStreamAudioWriteBWFMP2File::Finish() {
    if (!IsReady() || finished_) return;
    finished_ = true;
    if (Started()) FinishEncoder();
    assembler_.WriteTail(*this);
}

void JStreamAudioWriteBWFMP2File::Close() {
    if (Started()) FinishEncoder();
    JStreamFile::Close();
}

}  // namespace mora
