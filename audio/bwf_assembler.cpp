#include "audio/bwf_assembler.h"

#include "platform/riff.h"

namespace mora {

bool BwfAssembler::SetupMpeg(BwfMetadata metadata, const Mp2Bitrate& bitrate, uint32_t frames) {
    metadata_ = std::move(metadata);
    bitrate_ = bitrate;
    frames_ = frames;
    waveChecksum_ = 0;
    const uint64_t riff = RiffSizeMpeg(metadata_, uint64_t{frames} * bitrate.frameLength);
    if (riff + 8 > 0xFFFFFFFFull) return false;
    SetHeaderSizes(metadata_, static_cast<uint32_t>(riff));
    return true;
}

void BwfAssembler::SetupPcm(BwfMetadata metadata) {
    metadata_ = std::move(metadata);
    waveChecksum_ = 0;
    SetHeaderSizes(metadata_, 0);
}

uint32_t BwfAssembler::WriteMpegHead(JStream& out) {
    out.Write(metadata_.header.data(), static_cast<uint32_t>(metadata_.header.size()));
    out.Write(metadata_.history.data(), static_cast<uint32_t>(metadata_.history.size()));
    const auto block = MpegFormatBlock(metadata_.channels, bitrate_, frames_);
    out.Write(block.data(), static_cast<uint32_t>(block.size()));
    return HistoryEvenLength(metadata_) + 712;
}

uint32_t BwfAssembler::WritePcmHead(JStream& out) {
    out.Write(metadata_.header.data(), static_cast<uint32_t>(metadata_.header.size()));
    out.Write(metadata_.history.data(), static_cast<uint32_t>(metadata_.history.size()));
    const uint32_t frames =
        FramesForLevelValues(metadata_.totalLevelValues, metadata_.levelValuesPerSecond);
    const auto block = PcmFormatBlock(metadata_.channels, frames * kMp2FrameSamples, 0);
    out.Write(block.data(), static_cast<uint32_t>(block.size()));
    return static_cast<uint32_t>(metadata_.header.size() + metadata_.history.size() + block.size());
}

void BwfAssembler::AddToChecksum(const uint8_t* data, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) waveChecksum_ += data[i];
}

uint32_t BwfAssembler::TailBytes() const {
    return static_cast<uint32_t>(metadata_.levl.size() + metadata_.qlty.size());
}

void BwfAssembler::WriteTail(JStream& out) {
    PutLE32(&metadata_.qlty[12], waveChecksum_);
    out.Write(metadata_.levl.data(), static_cast<uint32_t>(metadata_.levl.size()));
    out.Write(metadata_.qlty.data(), static_cast<uint32_t>(metadata_.qlty.size()));
}

}  // namespace mora
