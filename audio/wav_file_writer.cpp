#include "audio/wav_file_writer.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/riff.h"
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
    auto header = PcmWavHeader(static_cast<uint16_t>(format_.Channels()), format_.recordingRate,
                               static_cast<uint16_t>(format_.sampleBits), 0);
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
    if (IsWritable()) FlushBuffer();
    JStreamFile::Close();
    // Through a handle of its own: a failed write (a full disk) leaves this handle unusable, yet
    // the samples that did reach the disk must stay playable.
    if (::stat(path_.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_size) >= 44) {
        const uint64_t frame = static_cast<uint64_t>(format_.Channels()) * (format_.sampleBits / 8);
        const uint64_t end = static_cast<uint64_t>(st.st_size);
        PatchRiffSizes(path_, end, 44, end - (end - 44) % frame, true);
    }
    path_.clear();
}

}  // namespace mora
