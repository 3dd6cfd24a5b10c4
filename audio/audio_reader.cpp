#include "audio/audio_reader.h"

#include <algorithm>
#include <cstring>

#include "stream/binary_io.h"

namespace mora {
RiffLayout WalkRiff(JStream& stream, uint64_t fileSize) {
    return WalkRiff(
        [&stream](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
            stream.SetPosition(static_cast<int32_t>(offset));
            const int32_t got = stream.Read(dst, static_cast<uint32_t>(n));
            return got > 0 ? static_cast<size_t>(got) : 0;
        },
        fileSize);
}

uint32_t Mp2FrameOfUnit(const EngineFormat& format, int32_t unit) {
    if (unit <= 0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(unit) * 125 /
                                 (3 * LevelUnitsPerSecond(format)));
}

void JStreamAudioReadFile::UseMemory(std::vector<uint8_t> bytes) {
    JStreamFile::Close();
    memory_ = std::make_unique<JStreamMemory>(std::move(bytes));
    state = good | open | readMode;
}

void JStreamAudioReadFile::CloseSource() {
    JStreamFile::Close();
    state &= ~open;
}

bool JStreamAudioReadFile::OpenForReading() {
    if (IsOpen()) return IsGood();
    if (memory_) {
        memory_->state = good | open | readMode;
        state = good | open | readMode;
    } else {
        Open(fileName_, true);
        if (!IsReadable()) return false;
    }
    if (Validate() == 0) {
        CloseSource();
        state &= ~good;
        return false;
    }
    return true;
}

uint32_t JStreamAudioReadFile::ReadLength(const std::string& name) {
    CloseFile();
    memory_.reset();
    Open(name, true);
    if (!IsReadable()) return 0;
    const uint32_t length = Validate();
    CloseFile();
    return length;
}

std::optional<Mp2Header> FirstMp2Header(const std::string& path) {
    JStreamFile file(path, true);
    if (!file.IsReadable()) return std::nullopt;
    Mp2Header header;
    if (!ReadBytes(file, header.bytes, 4)) return std::nullopt;
    if (TagIs(header.bytes, "RIFF")) {
        const RiffLayout layout = WalkRiff(file, file.GetSize());
        if (!layout.hasData) return std::nullopt;
        file.SetPosition(static_cast<int32_t>(layout.dataStart));
        if (!ReadBytes(file, header.bytes, 4)) return std::nullopt;
    }
    if (!header.IsMpeg1Layer2()) return std::nullopt;
    return header;
}

bool AdoptBitrate(const std::string& path, EngineFormat& format) {
    const auto header = FirstMp2Header(path);
    // Only the twelve bitrates a recording may have; free format and 320/384 kbit/s are not.
    if (!header || header->BitrateField() < 1 || header->BitrateField() > 12) return false;
    format.mp2BitrateIndex = static_cast<uint8_t>(header->BitrateField() - 1);
    return true;
}

}  // namespace mora
