#include "audio/wav_file_writer.h"

#include <sys/stat.h>

#include <cstring>

#include "audio/le_bytes.h"
#include "stream/report.h"

namespace mora {

JStreamWrWavFile::JStreamWrWavFile()
    : buffer_(std::make_unique<std::array<uint8_t, kBufferSize>>()) {}

void JStreamWrWavFile::Buffered(const uint8_t* data, uint32_t count) {
    while (count > 0 && IsWritable()) {
        const uint32_t n = std::min(count, kBufferSize - fill_);
        std::memcpy(buffer_->data() + fill_, data, n);
        fill_ += n;
        data += n;
        count -= n;
        if (fill_ == kBufferSize) FlushBuffer();
    }
}

void JStreamWrWavFile::FlushBuffer() {
    if (fill_ == 0) return;
    OnBlock(buffer_->data(), fill_);
    Write(buffer_->data(), fill_);
    written_ += fill_;
    fill_ = 0;
}

std::array<uint8_t, 44> PlainWavHeader(int channels, uint32_t rate, int bits, uint32_t dataBytes) {
    std::array<uint8_t, 44> h{};
    const auto ch = static_cast<uint32_t>(channels);
    const auto b = static_cast<uint32_t>(bits);
    PutTag(&h[0], "RIFF");
    PutLE32(&h[4], dataBytes + 36);
    PutTag(&h[8], "WAVE");
    PutTag(&h[12], "fmt ");
    PutLE32(&h[16], 16);
    PutLE16(&h[20], 1);
    PutLE16(&h[22], ch);
    PutLE32(&h[24], rate);
    PutLE32(&h[28], b / 8 * ch * rate);
    PutLE16(&h[32], ch * b / 8);
    PutLE16(&h[34], b);
    PutTag(&h[36], "data");
    PutLE32(&h[40], dataBytes);
    return h;
}

JStreamAudioWriteWavFile::JStreamAudioWriteWavFile(const AudioWriteFormat& format,
                                                   std::string projectFolder)
    : format_(format), folder_(std::move(projectFolder)) {}

JStreamAudioWriteWavFile::~JStreamAudioWriteWavFile() {
    Close();
}

bool JStreamAudioWriteWavFile::IsReady() {
    return IsGood() && !full_;
}

void JStreamAudioWriteWavFile::Open(const std::string& name) {
    const std::string path = folder_ + name + ".wav";
    if (IsOpen()) {
        ReportError(path + " : File is open");
        JStreamFile::Close();
        return;
    }
    path_ = path;
    full_ = false;
    JStreamFile::Open(path_, false);
    ResetBuffer();
    CountFrom(0);
    auto header = PlainWavHeader(format_.Channels(), format_.recordingRate, format_.sampleBits, 0);
    PutLE32(&header[4], 0);  // both sizes are patched at close
    Write(header.data(), header.size());
    CountFrom(header.size());
}

void JStreamAudioWriteWavFile::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsWritable() || full_) return;
    // The recorder stops as for a full medium, and the file stays a valid WAV.
    if (BytesSoFar() + bytes > sizeLimit) {
        full_ = true;
        return;
    }
    Buffered(pcm, bytes);
}

void JStreamAudioWriteWavFile::Close() {
    struct stat st {};
    if (path_.empty() || ::stat(path_.c_str(), &st) != 0) {
        JStreamFile::Close();
        return;
    }
    if (IsWritable()) {
        FlushBuffer();
        const uint32_t length = GetSize();
        const uint32_t riff = length - 8, data = length - 44;
        uint8_t bytes[4];
        SetPosition(4);
        PutLE32(bytes, riff);
        Write(bytes, 4);
        SetPosition(40);
        PutLE32(bytes, data);
        Write(bytes, 4);
    }
    JStreamFile::Close();
    path_.clear();
}

}  // namespace mora
