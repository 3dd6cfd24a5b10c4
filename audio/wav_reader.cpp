#include "audio/audio_reader.h"

#include <algorithm>
#include <cstring>

#include "stream/report.h"

namespace mora {
namespace {
int PlayModeFor(uint32_t rate, const EngineFormat& format) {
    switch (rate) {
        case 48000:
            return format.externalInterface ? 0 : 1;
        case 88200:
            return 2;
        case 96000:
            return 3;
        default:
            return 0;
    }
}
}  // namespace

JStreamAudioReadWavFile::~JStreamAudioReadWavFile() = default;

uint32_t JStreamAudioReadWavFile::Validate() {
    const uint32_t size = SourceSize();
    if (!IsOpen() || size == 0) {
        ReportError("Empty file");
        return 0;
    }
    const RiffLayout layout = WalkRiff(Source(), size);
    if (layout.channels != 1 && layout.channels != 2) {
        ReportError("Only mono or stereo allowed.");
        return 0;
    }
    const uint32_t rate = layout.sampleRate;
    if (rate != 44100 && rate != 48000 && rate != 88200 && rate != 96000) {
        ReportError("Wrong sample-rate");
        return 0;
    }
    // Integer PCM only: float or compressed samples would be played as loud noise.
    if (layout.bitsPerSample < 16 || layout.bitsPerSample > 32 ||
        layout.formatTag != kWaveFormatPcm) {
        ReportError("Only 16 or 24-bits\nsamples allowed.");
        return 0;
    }
    // A data size of 0 or past the end (a recording cut off) was read as the rest of the file.
    if (!layout.hasData || layout.dataSize == 0) {
        ReportError("WavOpenFile No Data");
        return 0;
    }
    const uint32_t sampleBytes = (layout.bitsPerSample + 7u) / 8u;
    format_.recordingRate = rate;
    format_.width = static_cast<int>(sampleBytes * 8);
    format_.channels = layout.channels;
    // Whole sample frames per unit, so a unit never splits a sample.
    format_.bytesPerUnit = rate / LevelUnitsPerSecond(format_) * layout.channels * sampleBytes;
    format_.playMode = PlayModeFor(rate, format_);
    dataStart_ = static_cast<uint32_t>(layout.dataStart);
    dataSize_ = static_cast<uint32_t>(layout.dataSize);
    return dataSize_ / format_.bytesPerUnit;
}

void JStreamAudioReadWavFile::StartAt(int32_t unit) {
    if (!OpenForReading()) return;
    Seek(unit);
    const uint32_t rate = format_.recordingRate;
    converter_.Reset(rate, format_.playMode == 0 ? rate : OutputRate(format_), format_.channels);
}

void JStreamAudioReadWavFile::CloseFile() {
    CloseSource();
    currentUnit_ = -1;
}

void JStreamAudioReadWavFile::Seek(int32_t unit) {
    const uint64_t offset = static_cast<uint64_t>(std::max(unit, 0)) * format_.bytesPerUnit;
    readPos_ = static_cast<uint32_t>(std::min<uint64_t>(offset, dataSize_));
    Source().SetPosition(static_cast<int32_t>(dataStart_ + readPos_));
    currentUnit_ = unit;
}

void JStreamAudioReadWavFile::Feed(uint32_t frames) {
    if (frames == 0) return;
    const uint32_t sampleBytes = static_cast<uint32_t>(format_.width) / 8;
    const uint32_t frameBytes = sampleBytes * static_cast<uint32_t>(format_.channels);
    const size_t bytes = static_cast<size_t>(frames) * frameBytes;
    raw_.assign(bytes, 0);
    // Only the data chunk is audio; what follows it (other chunks) reads as silence.
    const uint32_t left = dataSize_ - std::min(readPos_, dataSize_);
    const uint32_t take =
        static_cast<uint32_t>(std::min<size_t>(bytes, left / frameBytes * frameBytes));
    if (take) Source().Read(raw_.data(), take);
    readPos_ += take;
    const size_t count = static_cast<size_t>(frames) * format_.channels;
    samples_.resize(count);
    // Wider samples keep their upper two bytes.
    const uint8_t* p = raw_.data() + (sampleBytes - 2);
    for (size_t i = 0; i < count; ++i, p += sampleBytes)
        samples_[i] = static_cast<int16_t>(p[0] | (p[1] << 8));
    converter_.Push(samples_.data(), frames);
}

void JStreamAudioReadWavFile::GetUnit(int16_t* buffer) {
    if (!IsReady() || !Source().IsReady()) return;
    const uint32_t outputs = OutputFramesPerUnit(format_);
    const int outChannels = format_.outputChannels == 2 ? 2 : 1;
    Feed(converter_.InputNeeded(outputs));
    const uint32_t made = converter_.Produce(buffer, outputs, outChannels);
    std::fill(buffer + static_cast<size_t>(made) * outChannels,
              buffer + static_cast<size_t>(outputs) * outChannels, 0);
    ++currentUnit_;
}

}  // namespace mora
