#include "audio/audio_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/program_dir.h"
#include "stream/binary_io.h"
#include "stream/report.h"

namespace mora {

JStreamAudioReadMP2File::~JStreamAudioReadMP2File() = default;

uint32_t JStreamAudioReadMP2File::Validate() {
    const uint32_t size = SourceSize();
    if (!IsOpen() || size == 0) {
        ReportError("Empty file");
        return 0;
    }
    JStream& source = Source();
    Mp2Header header;
    source.SetPosition(0);
    ReadBytes(source, header.bytes, 4);
    if (std::memcmp(header.bytes, "RIFF", 4) == 0) {
        // A Broadcast Wave file of ours: the frames are the data chunk.
        const RiffLayout layout = WalkRiff(source, size);
        std::memset(header.bytes, 0, 4);
        dataStart_ = layout.hasData ? static_cast<uint32_t>(layout.dataStart) : size;
        dataSize_ = layout.hasData ? static_cast<uint32_t>(layout.dataSize) : 0;
        source.SetPosition(static_cast<int32_t>(dataStart_));
        if (dataSize_ >= 4) ReadBytes(source, header.bytes, 4);
    } else {
        dataStart_ = 0;
        dataSize_ = size;
    }
    if (!header.IsMpeg1Layer2()) {
        ReportError("No mp2 file");
        return 0;
    }
    if (header.BitrateField() != format_.mp2BitrateIndex + 1) {
        ReportError("Wrong bitrate.");
        return 0;
    }
    if (header.SamplingField() != 1) {
        ReportError("Wrong sample-rate.");
        return 0;
    }
    if (header.IsMono() == format_.stereo) {
        ReportError("Wrong number of channels");
        return 0;
    }
    frameLength_ = header.FrameLength();
    const uint32_t bytesPerUnit = header.Bitrate() / 8 / LevelUnitsPerSecond(format_);
    // The last unit is not counted: its frames may not be complete. A file without a whole
    // unit besides has nothing to play.
    if (frameLength_ == 0 || bytesPerUnit == 0 || dataSize_ / bytesPerUnit < 2) {
        ReportError("Empty file");
        return 0;
    }
    frames_ = dataSize_ / frameLength_;
    format_.width = 16;
    format_.channels = header.IsMono() ? 1 : 2;
    format_.bytesPerUnit = bytesPerUnit;
    return dataSize_ / bytesPerUnit - 1;
}

void JStreamAudioReadMP2File::StartAt(int32_t unit) {
    if (!OpenForReading()) return;
    format_.width = 16;
    format_.playMode = OutputRate(format_) == 48000 ? 0 : 1;
    if (decoder_.logPath.empty()) decoder_.logPath = ProgramFile("mp2dec.txt");
    Seek(unit);
}

void JStreamAudioReadMP2File::CloseFile() {
    decoder_.Finish();
    CloseSource();
    currentUnit_ = -1;
}

void JStreamAudioReadMP2File::Position(int32_t unit, bool restartDecoder) {
    currentFrame_ = std::min(Mp2FrameOfUnit(format_, unit), frames_);
    JStream& source = Source();
    const uint32_t offset = dataStart_ + currentFrame_ * frameLength_;
    if (restartDecoder) {
        Mp2Header header;
        source.SetPosition(static_cast<int32_t>(offset));
        ReadBytes(source, header.bytes, 4);
        decoder_.Start(header);
    }
    source.SetPosition(static_cast<int32_t>(offset));
    const uint32_t target = OutputRate(format_) == 48000 ? 48000 : CompensatedRate(format_);
    converter_.Reset(48000, target, format_.channels);
    currentUnit_ = unit;
}

void JStreamAudioReadMP2File::Seek(int32_t unit) {
    Position(unit, true);
}

void JStreamAudioReadMP2File::SeekFast(int32_t unit) {
    Position(unit, false);
}

void JStreamAudioReadMP2File::GetUnit(int16_t* buffer) {
    if (!IsReady() || !Source().IsReady()) return;
    const uint32_t outputs = OutputFramesPerUnit(format_);
    const int outChannels = format_.outputChannels == 2 ? 2 : 1;
    uint32_t made = 0;
    for (;;) {
        made += converter_.Produce(buffer + static_cast<size_t>(made) * outChannels, outputs - made,
                                   outChannels);
        if (made == outputs || currentFrame_ >= frames_) break;
        frame_.resize(frameLength_);
        Source().Read(frame_.data(), frameLength_);
        decoded_.clear();
        decoder_.DecodeFrame(frame_.data(), frameLength_, format_.channels, decoded_);
        converter_.Push(decoded_.data(), kMp2FrameSamples);
        ++currentFrame_;
    }
    std::fill(buffer + static_cast<size_t>(made) * outChannels,
              buffer + static_cast<size_t>(outputs) * outChannels, 0);
    ++currentUnit_;
}

}  // namespace mora
