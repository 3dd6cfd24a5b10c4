#include "audio/audio_reader.h"

#include <algorithm>
#include <cstring>

#include "stream/binary_io.h"

namespace mora {
namespace {
bool IdIs(const uint8_t* id, const char* text) {
    return std::memcmp(id, text, 4) == 0;
}

uint32_t U32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint16_t kFormatExtensible = 0xFFFE;
}  // namespace

RiffLayout WalkRiff(JStream& stream, uint32_t fileSize) {
    RiffLayout layout;
    uint8_t head[12];
    stream.SetPosition(0);
    if (fileSize < 12 || !ReadBytes(stream, head, 12)) return layout;
    if (!IdIs(head, "RIFF") || !IdIs(head + 8, "WAVE")) return layout;
    layout.isRiff = true;
    // Chunks follow one another, each padded to an even length; the RIFF size is not trusted
    // (writers that could not seek leave it wrong), only the real file size is.
    uint64_t pos = 12;
    while (pos + 8 <= fileSize) {
        uint8_t chunk[8];
        stream.SetPosition(static_cast<int32_t>(pos));
        if (!ReadBytes(stream, chunk, 8)) break;
        const uint32_t size = U32(chunk + 4);
        if (IdIs(chunk, "data")) {
            layout.hasData = true;
            layout.dataStart = static_cast<uint32_t>(pos + 8);
            layout.dataSize = size;
            break;
        }
        if (IdIs(chunk, "fmt ") && !layout.hasFormat) {
            uint8_t fmt[40]{};
            const uint32_t take = std::min<uint64_t>({size, sizeof fmt, fileSize - pos - 8});
            stream.Read(fmt, take);
            layout.hasFormat = take >= 16;
            layout.formatTag = U16(fmt);
            layout.channels = U16(fmt + 2);
            layout.sampleRate = U32(fmt + 4);
            layout.bitsPerSample = U16(fmt + 14);
            // Extensible files name the real format in the first two bytes of the sub-format.
            if (layout.formatTag == kFormatExtensible && take >= 26)
                layout.formatTag = U16(fmt + 24);
        }
        pos += 8 + static_cast<uint64_t>(size) + (size & 1);
    }
    return layout;
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
    if (IdIs(header.bytes, "RIFF")) {
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
