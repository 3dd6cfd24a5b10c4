#include "audio/level_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "audio/level_file_reads.h"
#include "audio/level_meter.h"
#include "platform/riff.h"
#include "stream/binary_io.h"
#include "stream/jstream_file.h"
#include "stream/replace_file.h"
#include "stream/report.h"

namespace mora {
namespace {

constexpr uint8_t kMagic[4] = {'U', 'V', 'M', 'J'};

uint32_t ShiftDown(uint32_t value, uint32_t d) {
    return d >= 32 ? 0 : value >> d;
}

uint32_t ShiftUp(uint32_t value, uint32_t d) {
    if (value == 0) return 0;
    if (d >= 32 || value > (UINT32_MAX >> d)) return UINT32_MAX;
    return value << d;
}

void ResetEdit(RecordingEdit& edit) {
    ClearLevels(edit);
    edit.cropBegin = edit.cropEnd = 0;
    edit.markerCount = edit.cutCount = 0;
}

struct VuImage {
    uint32_t cropBegin, cropEnd;
    const uint8_t* levels;
    uint32_t levelCount;
    const uint32_t* markers;
    uint32_t markerCount;
    const VuCut* cuts;
    uint32_t cutCount;
    uint32_t shift;
    uint32_t captureRate;
};

void WriteImage(JStream& stream, const VuImage& image) {
    stream.Write(kMagic, 4);
    WriteLE<uint32_t>(stream, VuVersionWord(image.captureRate));
    WriteLE(stream, image.cropBegin);
    WriteLE(stream, image.cropEnd);
    WriteLE(stream, image.levelCount);
    WriteLE(stream, image.markerCount);
    WriteLE(stream, image.cutCount);
    std::vector<uint8_t> tables;
    tables.reserve(4 * image.markerCount + 12 * image.cutCount);
    auto put = [&tables](uint32_t v) {
        for (int i = 0; i < 4; ++i) tables.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (uint32_t i = 0; i < image.markerCount; ++i) put(image.markers[i]);
    for (uint32_t i = 0; i < image.cutCount; ++i) {
        put(image.cuts[i].begin);
        put(image.cuts[i].end);
        put(image.cuts[i].reserved);
    }
    if (!tables.empty()) stream.Write(tables.data(), static_cast<uint32_t>(tables.size()));
    if (image.levelCount > 0) stream.Write(image.levels, image.levelCount);
    WriteLE(stream, image.shift);
}

void ReadTables(JStream& stream, const VuFileHeader& header, RecordingEdit& edit) {
    std::vector<uint8_t> raw(4 * header.markerCount + 12 * header.cutCount);
    if (!raw.empty()) stream.Read(raw.data(), static_cast<uint32_t>(raw.size()));
    const uint8_t* p = raw.data();
    for (uint32_t i = 0; i < header.markerCount; ++i, p += 4) edit.markers[i] = GetLE32(p);
    for (uint32_t i = 0; i < header.cutCount; ++i, p += 12)
        edit.cuts[i] = {GetLE32(p), GetLE32(p + 4), GetLE32(p + 8)};
    edit.markerCount = header.markerCount;
    edit.cutCount = header.cutCount;
}

void ForEachPosition(RecordingEdit& edit, uint32_t (*convert)(uint32_t, uint32_t), uint32_t d) {
    edit.cropBegin = convert(edit.cropBegin, d);
    edit.cropEnd = convert(edit.cropEnd, d);
    for (uint32_t i = 0; i < edit.markerCount; ++i) edit.markers[i] = convert(edit.markers[i], d);
    for (uint32_t i = 0; i < edit.cutCount; ++i) {
        edit.cuts[i].begin = convert(edit.cuts[i].begin, d);
        edit.cuts[i].end = convert(edit.cuts[i].end, d);
    }
}

// Crop range and cuts end within the levels; markers past them are dropped (they stay ascending).
void ClampPositions(RecordingEdit& edit) {
    const uint32_t n = edit.levelCount;
    edit.cropBegin = std::min(edit.cropBegin, n);
    edit.cropEnd = std::min(edit.cropEnd, n);
    uint32_t kept = 0;
    for (uint32_t i = 0; i < std::min(edit.markerCount, kMaxMarkers); ++i)
        if (edit.markers[i] <= n) edit.markers[kept++] = edit.markers[i];
    edit.markerCount = kept;
    for (uint32_t i = 0; i < std::min(edit.cutCount, kMaxCuts); ++i) {
        edit.cuts[i].begin = std::min(edit.cuts[i].begin, n);
        edit.cuts[i].end = std::min(edit.cuts[i].end, n);
    }
}

}  // namespace

RecordingEdit::RecordingEdit(uint32_t capacity) : levels(std::max<uint32_t>(capacity, 1)) {
    levels[0] = kLevelEmpty;
}

void ClearLevels(RecordingEdit& edit) {
    edit.levelCount = 0;
    edit.levels[0] = kLevelEmpty;
    edit.captureRate = 0;
}

bool AppendLevel(RecordingEdit& edit, uint8_t level) {
    if (edit.levelCount >= edit.levels.size()) return false;
    edit.levels[edit.levelCount++] = level;
    return true;
}

void WriteVuFile(JStream& stream, const RecordingEdit& edit) {
    const uint32_t count = std::min<uint32_t>(edit.levelCount, edit.levels.size());
    WriteImage(stream,
               {edit.cropBegin, edit.cropEnd, edit.levels.data(), count, edit.markers.data(),
                std::min(edit.markerCount, kMaxMarkers), edit.cuts.data(),
                std::min(edit.cutCount, kMaxCuts), edit.shift, edit.captureRate});
}

bool SaveVuFile(const RecordingEdit& edit, const std::string& path) {
    if (edit.levelCount == 0) return true;
    return ReplaceFileSafely(path, false, [&](JStream& s) { WriteVuFile(s, edit); });
}

VuReadResult ReadVuFile(JStream& stream, RecordingEdit& edit) {
    VuReadResult result;
    ResetEdit(edit);
    VuFileHeader header;
    if (ReadVuHeader(stream, header) != VuHeaderStatus::Ok) {
        ReportError("WavStartLoading Read Vu File header");
        return result;
    }
    result.version = header.version;
    ReadTables(stream, header, edit);

    const uint64_t tenHours = 36000ull * 5 * (1ull << std::min(edit.shift, 40u));
    const uint64_t dataEnd = static_cast<uint64_t>(header.DataOffset()) + header.levelCount;
    const auto size = RemainingBytes(stream).value_or(0) + stream.GetPosition();
    if (header.levelCount >= 1 && header.levelCount <= tenHours &&
        header.levelCount <= edit.levels.size()) {
        stream.Read(edit.levels.data(), header.levelCount);
        edit.levelCount = header.levelCount;
    } else if (dataEnd <= size) {
        // The values are not taken, but the shift after them still is.
        stream.SetPosition(dataEnd);
    } else {
        stream.state |= JStream::atEnd;
    }

    if (header.version < 3) {
        result.fileShift = 0;
    } else if (uint32_t f = 0; !stream.IsAtEnd() && ReadLE(stream, f)) {
        if (f > kMaxLevelShift) {
            ReportError("WavStartLoading Read Vu File header");
            ResetEdit(edit);
            return result;
        }
        result.fileShift = f;
    }
    result.complete = !stream.IsAtEnd();
    if (!stream.IsReadable()) {
        ResetEdit(edit);
        return result;
    }
    edit.cropBegin = header.cropBegin;
    edit.cropEnd = header.cropEnd;
    edit.captureRate = header.captureRate;
    result.ok = true;
    return result;
}

bool ConvertVuResolution(RecordingEdit& edit, uint32_t fileShift, bool* lossless) {
    const uint32_t s = edit.shift;
    if (lossless) *lossless = true;
    if (fileShift == s) return false;
    const uint32_t count = std::min<uint32_t>(edit.levelCount, edit.levels.size());
    if (fileShift > s) {
        const uint32_t d = fileShift - s;
        const uint64_t run = d >= 63 ? UINT64_MAX : (1ull << d);
        uint32_t out = 0;
        for (uint64_t start = 0; start < count; start += run, ++out) {
            const uint64_t stop = std::min<uint64_t>(count, start + run);
            edit.levels[out] = *std::min_element(edit.levels.begin() + static_cast<long>(start),
                                                 edit.levels.begin() + static_cast<long>(stop));
        }
        edit.levelCount = ShiftDown(count, d);
        ForEachPosition(edit, ShiftDown, d);
    } else {
        const uint32_t d = s - fileShift;
        const uint64_t wanted = static_cast<uint64_t>(count) << std::min(d, 32u);
        const uint32_t expanded =
            static_cast<uint32_t>(std::min<uint64_t>(wanted, edit.levels.size()));
        // From the end backwards, so every source value is read before it is overwritten.
        for (uint32_t i = expanded; i-- > 0;) edit.levels[i] = edit.levels[ShiftDown(i, d)];
        edit.levelCount = expanded;
        ForEachPosition(edit, ShiftUp, d);
        if (wanted > expanded) {
            if (lossless) *lossless = false;
            ClampPositions(edit);
        }
    }
    if (edit.levelCount == 0) ClearLevels(edit);
    return true;
}

bool LoadVuFile(RecordingEdit& edit, const std::string& path,
                const std::function<void()>& clearUndo, VuReadResult* readResult) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return false;
    ClearLevels(edit);
    JStreamFile file(path, true);
    if (!file.IsReadable()) {
        ReportError("WavStartLoading Open Vu File");
        ResetEdit(edit);
        return false;
    }
    VuReadResult read = ReadVuFile(file, edit);
    file.Close();
    if (readResult) *readResult = read;
    if (!read.ok) return false;
    if (clearUndo) clearUndo();
    // A file that ended early, or one whose values do not all fit at the finer resolution, is
    // converted in memory only: writing it back would lose values or make missing ones look
    // real.
    bool lossless = true;
    if (read.fileShift && ConvertVuResolution(edit, *read.fileShift, &lossless) && read.complete &&
        lossless)
        SaveVuFile(edit, path);
    return true;
}

bool SaveSelectionVuFile(const RecordingEdit& edit, const std::string& basePath) {
    const uint32_t count = std::min<uint32_t>(edit.levelCount, edit.levels.size());
    const uint32_t begin = std::min(edit.cropBegin, count);
    const uint32_t end = std::clamp(edit.cropEnd, begin, count);
    std::vector<uint32_t> markers;
    for (uint32_t i = 0; i < std::min(edit.markerCount, kMaxMarkers); ++i) {
        if (edit.markers[i] > begin && edit.markers[i] < end)
            markers.push_back(edit.markers[i] - begin);
    }
    std::vector<VuCut> cuts;
    for (uint32_t i = 0; i < std::min(edit.cutCount, kMaxCuts); ++i) {
        const VuCut& c = edit.cuts[i];
        if (c.begin >= begin && c.end <= end && c.begin <= c.end)
            cuts.push_back({c.begin - begin, c.end - begin, c.reserved});
    }
    const VuImage image{0,
                        end - begin,
                        edit.levels.data() + begin,
                        end - begin,
                        markers.data(),
                        static_cast<uint32_t>(markers.size()),
                        cuts.data(),
                        static_cast<uint32_t>(cuts.size()),
                        edit.shift,
                        edit.captureRate};
    return ReplaceFileSafely(basePath + ".jvu", false, [&](JStream& s) { WriteImage(s, image); });
}

bool RemoveEmptyCuts(RecordingEdit& edit, const std::string& path) {
    const uint32_t before = std::min(edit.cutCount, kMaxCuts);
    auto end = std::remove_if(edit.cuts.begin(), edit.cuts.begin() + before,
                              [](const VuCut& c) { return c.begin == c.end; });
    edit.cutCount = static_cast<uint32_t>(end - edit.cuts.begin());
    if (edit.cutCount == before) return false;
    SaveVuFile(edit, path);
    return true;
}

}  // namespace mora
