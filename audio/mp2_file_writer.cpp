#include "audio/mp2_file_writer.h"

#include <bit>
#include <cstring>

#include "stream/report.h"

namespace mora {

void JStreamWrMP2File::Create(const std::string& path, bool appendMode) {
    path_ = path;
    append_ = appendMode;
    if (appendMode) {
        CreateForAppend(path);
    } else {
        JStreamFile::Open(path, false);
    }
}

void JStreamWrMP2File::Put(const uint8_t* data, uint32_t count) {
    if (append_) {
        AppendWrite(path_, data, count);
    } else {
        Write(data, count);
    }
}

void ToPcm16(const uint8_t* pcm, uint32_t bytes, int sampleBits, std::vector<int16_t>& out) {
    const uint32_t width = sampleBits == 24 ? 3 : 2;
    out.resize(bytes / width);
    if (width == 2 && std::endian::native == std::endian::little) {
        std::memcpy(out.data(), pcm, out.size() * 2);
        return;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        // 24-bit samples keep their upper 16 bits.
        const uint8_t* s = pcm + i * width + (width - 2);
        out[i] = static_cast<int16_t>(s[0] | (s[1] << 8));
    }
}

JStreamAudioWriteMP2File::JStreamAudioWriteMP2File(const AudioWriteFormat& format,
                                                   std::string projectFolder, bool appendMode)
    : format_(format), folder_(std::move(projectFolder)), appendMode_(appendMode) {}

JStreamAudioWriteMP2File::~JStreamAudioWriteMP2File() {
    Close();
}

bool JStreamAudioWriteMP2File::IsReady() {
    return IsGood() && !EncoderRefused();
}

void JStreamAudioWriteMP2File::Open(const std::string& name) {
    const std::string path = folder_ + name + ".mp2";
    if (IsOpen()) {
        ReportError(path + " : File is open");
        JStreamFile::Close();
        return;
    }
    // A refused bitrate leaves no empty file behind.
    if (!StartEncoder({format_.stereo, format_.recordingRate, format_.resampleRate})) return;
    Create(path, appendMode_);
}

void JStreamAudioWriteMP2File::WriteSamples(const uint8_t* pcm, uint32_t bytes) {
    if (!IsGood() || !Started()) return;
    ToPcm16(pcm, bytes, format_.sampleBits, samples_);
    EncodeSamples(samples_.data(), static_cast<uint32_t>(samples_.size()) /
                                       static_cast<uint32_t>(format_.Channels()));
}

void JStreamAudioWriteMP2File::WriteEncoded(const uint8_t* data, uint32_t count) {
    if (IsGood()) Put(data, count);
}

void JStreamAudioWriteMP2File::Close() {
    if (Started()) FinishEncoder();
    JStreamFile::Close();
}

}  // namespace mora
