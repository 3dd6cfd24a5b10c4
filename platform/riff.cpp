#include "platform/riff.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace mora {
namespace {

void ReadFormat(const uint8_t* fmt, uint32_t size, RiffLayout& layout) {
    layout.hasFormat = size >= 16;
    layout.formatTag = GetLE16(fmt);
    layout.channels = GetLE16(fmt + 2);
    layout.sampleRate = GetLE32(fmt + 4);
    layout.bitsPerSample = GetLE16(fmt + 14);
    // Extensible files name the real format in the first two bytes of the sub-format GUID; one
    // too short to hold it stays extensible and is refused as an unknown format.
    if (layout.formatTag == kWaveFormatExtensible && size >= 26)
        layout.formatTag = GetLE16(fmt + 24);
}

}  // namespace

RiffLayout WalkRiff(const RiffReadAt& read, uint64_t fileSize) {
    RiffLayout layout;
    uint8_t head[12];
    if (fileSize < 12 || read(0, head, 12) != 12) return layout;
    if (!TagIs(head, "RIFF") || !TagIs(head + 8, "WAVE")) return layout;
    layout.isRiff = true;
    uint64_t pos = 12;
    while (pos + 8 <= fileSize) {
        uint8_t chunk[8];
        if (read(pos, chunk, 8) != 8) break;
        const uint32_t size = GetLE32(chunk + 4);
        const uint64_t body = pos + 8;
        if (TagIs(chunk, "data")) {
            if (!layout.hasFormat) return layout;
            layout.hasData = true;
            layout.dataStart = body;
            uint64_t bytes = size;
            if (bytes == 0 || body + bytes > fileSize) {
                bytes = fileSize - body;
                layout.dataSizeRepaired = true;
            }
            if (layout.formatTag == kWaveFormatPcm && layout.FrameBytes() > 0)
                bytes -= bytes % layout.FrameBytes();
            layout.dataSize = bytes;
            return layout;
        }
        if (TagIs(chunk, "fmt ") && !layout.hasFormat) {
            uint8_t fmt[40]{};
            const size_t take =
                static_cast<size_t>(std::min<uint64_t>({size, sizeof fmt, fileSize - body}));
            if (read(body, fmt, take) != take) break;
            ReadFormat(fmt, static_cast<uint32_t>(take), layout);
        }
        // Chunks follow one another, each padded to an even length.
        pos = body + size + (size & 1);
    }
    return layout;
}

RiffLayout WalkRiffFile(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    auto readAt = [fd](uint64_t offset, uint8_t* dst, size_t n) {
        size_t got = 0;
        while (got < n) {
            const ssize_t r = ::pread(fd, dst + got, n - got, static_cast<off_t>(offset + got));
            if (r <= 0) break;
            got += static_cast<size_t>(r);
        }
        return got;
    };
    return WalkRiff(readAt, static_cast<uint64_t>(st.st_size));
}

std::array<uint8_t, 44> PcmWavHeader(uint16_t channels, uint32_t rate, uint16_t bits,
                                     uint64_t dataBytes) {
    const uint32_t frame = std::max(1u, channels * ((bits + 7u) / 8u));
    const uint64_t limit = kMaxRiffFileBytes - 36;  // the RIFF size counts 36 header bytes
    if (dataBytes > limit) dataBytes = limit - limit % frame;
    std::array<uint8_t, 44> h{};
    PutTag(&h[0], "RIFF");
    PutLE32(&h[4], static_cast<uint32_t>(dataBytes + 36));
    PutTag(&h[8], "WAVE");
    PutTag(&h[12], "fmt ");
    PutLE32(&h[16], 16);
    PutLE16(&h[20], kWaveFormatPcm);
    PutLE16(&h[22], channels);
    PutLE32(&h[24], rate);
    PutLE32(&h[28], rate * frame);
    PutLE16(&h[32], frame);
    PutLE16(&h[34], bits);
    PutTag(&h[36], "data");
    PutLE32(&h[40], static_cast<uint32_t>(dataBytes));
    return h;
}

bool PatchRiffSizes(const std::string& path, uint64_t fileBytes, uint64_t dataStart,
                    uint64_t dataEnd, bool sync) {
    if (fileBytes < 12 || dataStart < 12 || dataEnd < dataStart) return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    uint8_t riff[4], data[4];
    PutLE32(riff, static_cast<uint32_t>(std::min(fileBytes, kMaxRiffFileBytes) - 8));
    PutLE32(data, static_cast<uint32_t>(std::min(dataEnd - dataStart, kMaxRiffFileBytes)));
    bool ok = ::pwrite(fd, riff, 4, 4) == 4 &&
              ::pwrite(fd, data, 4, static_cast<off_t>(dataStart - 4)) == 4;
    if (sync && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace mora
