#include "project/project_file.h"

#include <bit>
#include <cstring>

#include "stream/binary_io.h"

namespace mora {
namespace {

constexpr uint32_t kStereoMask = 0xF0000;
constexpr uint32_t kStereoBit = 0x10000;
constexpr uint32_t kFlagMp2 = 1;
constexpr uint32_t kFlagRecordToFtp = 2;
// The smallest stored clip: two empty strings.
constexpr uint32_t kMinClipBytes = 8;

bool ReadDouble(JStream& stream, double& value) {
    uint64_t bits = 0;
    if (!ReadLE(stream, bits)) return false;
    value = std::bit_cast<double>(bits);
    return true;
}

void WriteDouble(JStream& stream, double value) {
    WriteLE(stream, std::bit_cast<uint64_t>(value));
}

bool ReadClip(JStream& stream, uint32_t version, StoredClip& clip) {
    if (!ReadStr(stream, clip.name) || !ReadStr(stream, clip.folder)) return false;
    if (version < 5) return true;
    return ReadLE(stream, clip.rangeBegin) && ReadLE(stream, clip.rangeEnd) &&
           ReadLE(stream, clip.clipNumber) && ReadStr(stream, clip.clipName);
}

bool ReadBody(JStream& stream, ProjectFileData& data) {
    uint32_t format = 0;
    uint32_t flags = 0;
    uint32_t count = 0;
    if (!ReadLE(stream, format) || !ReadLE(stream, flags) ||
        !ReadLE(stream, data.recordingNumber) || !ReadLE(stream, count)) {
        return false;
    }
    data.bitrateIndex = format & 0xFFFF;
    if (data.version >= 8) data.stereo = (format & kStereoMask) != 0;
    data.mp2 = (flags & kFlagMp2) != 0;
    data.recordToFtp = (flags & kFlagRecordToFtp) != 0;
    auto remaining = RemainingBytes(stream);
    if (remaining && static_cast<uint64_t>(count) * kMinClipBytes > *remaining) return false;
    data.clips.clear();
    for (uint32_t i = 0; i < count; ++i) {
        StoredClip clip;
        if (!ReadClip(stream, data.version, clip)) return false;
        data.clips.push_back(std::move(clip));
    }
    if (!ReadStr(stream, data.text)) return false;
    if (data.version >= 4) {
        uint32_t include = 0;
        if (!ReadLE(stream, include) || !ReadStr(stream, data.lastImagePath) ||
            !ReadStr(stream, data.lastImageFile)) {
            return false;
        }
        data.includeImages = include;
    }
    if (data.version >= 6) {
        uint32_t shift = 0;
        if (!ReadLE(stream, shift)) return false;
        data.shift = shift;
    }
    if (data.version >= 9) {
        ProjectReserved r;
        if (!ReadLE(stream, r.first) || !ReadDouble(stream, r.second) ||
            !ReadDouble(stream, r.third) || !ReadDouble(stream, r.fourth) ||
            !ReadLE(stream, r.fifth)) {
            return false;
        }
        data.reserved = r;
    }
    if (data.version >= 10) {
        int32_t selected = 0;
        if (!ReadLE(stream, selected)) return false;
        data.selectedClip = selected;
    }
    return true;
}

}  // namespace

ProjectFileStatus ReadProjectFile(JStream& stream, ProjectFileData& data) {
    char magic[4] = {};
    uint32_t version = 0;
    if (!ReadBytes(stream, magic, 4)) return ProjectFileStatus::Truncated;
    if (std::memcmp(magic, "JMPR", 4) != 0) return ProjectFileStatus::BadMagic;
    if (!ReadLE(stream, version)) return ProjectFileStatus::Truncated;
    data.version = version & 0xFFF;
    if (data.version > kProjectFileVersion) return ProjectFileStatus::BadVersion;
    return ReadBody(stream, data) ? ProjectFileStatus::Ok : ProjectFileStatus::Truncated;
}

void WriteProjectFile(JStream& stream, const ProjectFileData& data) {
    stream.Write("JMPR", 4);
    WriteLE<uint32_t>(stream, kProjectFileVersion);
    WriteLE<uint32_t>(
        stream, (data.bitrateIndex & 0xFFFF) | (data.stereo.value_or(false) ? kStereoBit : 0));
    WriteLE<uint32_t>(stream,
                      (data.mp2 ? kFlagMp2 : 0) | (data.recordToFtp ? kFlagRecordToFtp : 0));
    WriteLE(stream, data.recordingNumber);
    WriteLE<uint32_t>(stream, static_cast<uint32_t>(data.clips.size()));
    for (const StoredClip& clip : data.clips) {
        WriteStr(stream, clip.name);
        WriteStr(stream, clip.folder);
        WriteLE(stream, clip.rangeBegin);
        WriteLE(stream, clip.rangeEnd);
        WriteLE(stream, clip.clipNumber);
        WriteStr(stream, clip.clipName);
    }
    WriteStr(stream, data.text);
    WriteLE<uint32_t>(stream, data.includeImages.value_or(0));
    WriteStr(stream, data.lastImagePath);
    WriteStr(stream, data.lastImageFile);
    WriteLE<uint32_t>(stream, data.shift.value_or(0));
    const ProjectReserved r = data.reserved.value_or(ProjectReserved{});
    WriteLE(stream, r.first);
    WriteDouble(stream, r.second);
    WriteDouble(stream, r.third);
    WriteDouble(stream, r.fourth);
    WriteLE(stream, r.fifth);
    WriteLE<int32_t>(stream, data.selectedClip.value_or(-1));
}

const char* ProjectFileMessage(ProjectFileStatus status) {
    switch (status) {
        case ProjectFileStatus::BadMagic:
            return "LoadProject Project Id";
        case ProjectFileStatus::BadVersion:
            return "LoadProject Project Version";
        case ProjectFileStatus::Truncated:
            return "LoadProject Project Damaged";
        case ProjectFileStatus::Ok:
            break;
    }
    return "";
}

}  // namespace mora
