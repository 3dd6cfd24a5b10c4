#include "audio/level_file_reads.h"

#include <algorithm>
#include <cstring>

#include "platform/riff.h"
#include "stream/binary_io.h"
#include "stream/jstream_file.h"
#include "stream/report.h"

namespace mora {
namespace {

// Opens `path` and reads its header; shows `message` when that fails.
std::optional<VuFileHeader> OpenHeader(JStreamFile& file, const std::string& path,
                                       const char* message) {
    file.Open(path, true);
    VuFileHeader header;
    if (!file.IsReadable() || ReadVuHeader(file, header) != VuHeaderStatus::Ok ||
        !file.IsReadable()) {
        ReportError(message);
        return std::nullopt;
    }
    return header;
}

std::vector<uint8_t> ReadRaw(JStream& stream, uint32_t count) {
    std::vector<uint8_t> raw(count);
    if (count > 0) stream.Read(raw.data(), count);
    return raw;
}

std::vector<VuCut> ReadCutTable(JStream& stream, const VuFileHeader& header) {
    std::vector<VuCut> cuts;
    if (header.cutCount == 0) return cuts;
    stream.SetPosition(28 + 4 * header.markerCount);
    std::vector<uint8_t> raw = ReadRaw(stream, 12 * header.cutCount);
    for (uint32_t i = 0; i < header.cutCount; ++i) {
        const uint8_t* p = raw.data() + 12 * i;
        cuts.push_back({GetLE32(p), GetLE32(p + 4), GetLE32(p + 8)});
    }
    return cuts;
}

}  // namespace

uint32_t VuFileHeader::DataOffset() const {
    return version < 2 ? 20 : 28 + 4 * markerCount + 12 * cutCount;
}

VuHeaderStatus ReadVuHeader(JStream& stream, VuFileHeader& header) {
    header = VuFileHeader{};
    if (!stream.IsReadable()) return VuHeaderStatus::BadMagic;
    uint8_t raw[28] = {};
    stream.Read(raw, 20);
    if (std::memcmp(raw, "UVMJ", 4) != 0) return VuHeaderStatus::BadMagic;
    header.version = GetLE32(raw + 4) & 0xFFF;
    header.captureRate = GetLE32(raw + 4) >> 12;
    header.cropBegin = GetLE32(raw + 8);
    header.cropEnd = GetLE32(raw + 12);
    header.levelCount = GetLE32(raw + 16);
    if (header.version < 2) return VuHeaderStatus::Ok;
    stream.Read(raw + 20, 8);
    const uint32_t markers = GetLE32(raw + 20);
    const uint32_t cuts = GetLE32(raw + 24);
    if (markers > kMaxMarkers || cuts > kMaxCuts) return VuHeaderStatus::BadTables;
    auto remaining = RemainingBytes(stream);
    if (!remaining || *remaining < 4ull * markers + 12ull * cuts) return VuHeaderStatus::BadTables;
    header.markerCount = markers;
    header.cutCount = cuts;
    return VuHeaderStatus::Ok;
}

uint32_t EffectiveLength(uint32_t begin, uint32_t end, const VuCut* cuts, uint32_t cutCount) {
    uint32_t length = 0;
    WalkUncut(begin, end, cuts, cutCount, [&](uint32_t a, uint32_t b) { length += b - a; });
    return length;
}

std::optional<VuFileHeader> GetVuFileHeader(const std::string& path) {
    JStreamFile file;
    return OpenHeader(file, path, "GetVuFileHeader");
}

uint32_t GetVuMarkers(const std::string& path, std::vector<uint32_t>& markers) {
    markers.clear();
    JStreamFile file;
    auto header = OpenHeader(file, path, "GetVuFileHeader");
    if (!header) return 0;
    std::vector<uint8_t> raw = ReadRaw(file, 4 * header->markerCount);
    for (uint32_t i = 0; i < header->markerCount; ++i)
        markers.push_back(GetLE32(raw.data() + 4 * i));
    return 4 * header->markerCount;
}

uint32_t GetVuCuts(const std::string& path, std::vector<VuCut>& cuts) {
    JStreamFile file;
    auto header = OpenHeader(file, path, "GetVuFileHeader");
    cuts.clear();
    if (!header) return 0;
    cuts = ReadCutTable(file, *header);
    return 12 * header->cutCount;
}

bool ReadVuFileData(JStream& stream, uint32_t rangeBegin, uint32_t rangeEnd,
                    std::vector<uint8_t>& data) {
    data.clear();
    VuFileHeader header;
    if (ReadVuHeader(stream, header) != VuHeaderStatus::Ok || !stream.IsReadable()) return false;
    if (rangeEnd == 0) {
        rangeBegin = header.cropBegin;
        rangeEnd = header.cropEnd;
    }
    const std::vector<VuCut> cuts = ReadCutTable(stream, header);
    // Only the level bytes the file really holds are delivered.
    stream.SetPosition(header.DataOffset());
    const uint64_t present = RemainingBytes(stream).value_or(0);
    const uint32_t end =
        static_cast<uint32_t>(std::min<uint64_t>({rangeEnd, header.levelCount, present}));
    if (rangeBegin >= end) return true;
    stream.SetPosition(header.DataOffset() + rangeBegin);
    const std::vector<uint8_t> levels = ReadRaw(stream, end - rangeBegin);
    WalkUncut(rangeBegin, end, cuts.data(), static_cast<uint32_t>(cuts.size()),
              [&](uint32_t a, uint32_t b) {
                  data.insert(data.end(), levels.begin() + (a - rangeBegin),
                              levels.begin() + (b - rangeBegin));
              });
    return true;
}

uint32_t GetVuFileData(const std::string& path, uint32_t rangeBegin, uint32_t rangeEnd,
                       std::vector<uint8_t>& data) {
    JStreamFile file(path, true);
    if (!ReadVuFileData(file, rangeBegin, rangeEnd, data)) {
        ReportError("GetVuFileHeader in GetVuFileData");
        data.clear();
        return 0;
    }
    return static_cast<uint32_t>(data.size());
}

}  // namespace mora
