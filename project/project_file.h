#pragma once
// The project file (".mpr"): the clip list, the text, the chosen images and the format values
// of a project.
//
// Layout, little-endian, unpadded: "JMPR", u32 version (10; only the low 12 bits count), u32
// format word (bits 0-15 MP2 bitrate index; from version 8 any bit of 0xF0000 means stereo),
// u32 flags (bit 0 MP2, bit 1 record to FTP), i32 recording number, u32 clip count, the clips,
// str text; from version 4 u32 include-images, str last image path, str last image file name;
// from version 6 u32 level shift; from version 9 u32, f64, f64, f64, u32 reserved; from
// version 10 i32 selected clip. A clip: str name, str folder; from version 5 u32 range begin,
// u32 range end, u32 clip number, str clip name. `str` is a counted UTF-16LE string.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "project/project_state.h"
#include "stream/jstream.h"

namespace mora {

// A clip as the file stores it.
struct StoredClip {
    std::string name;
    std::string folder;
    uint32_t rangeBegin = 0;
    uint32_t rangeEnd = 0;
    uint32_t clipNumber = 0;
    std::string clipName;
};

// Everything a project file holds. Fields the file's version lacks are left empty.
struct ProjectFileData {
    uint32_t version = kProjectFileVersion;  // low 12 bits of the stored word
    uint32_t bitrateIndex = 0;               // bits 0-15 of the format word
    std::optional<bool> stereo;              // version 8 and later
    bool mp2 = false;
    bool recordToFtp = false;
    int32_t recordingNumber = -1;
    std::vector<StoredClip> clips;
    std::string text;
    std::optional<uint32_t> includeImages;  // version 4 and later, as the image strings
    std::string lastImagePath;
    std::string lastImageFile;
    std::optional<uint32_t> shift;            // version 6 and later
    std::optional<ProjectReserved> reserved;  // version 9 and later
    std::optional<int32_t> selectedClip;      // version 10
};

enum class ProjectFileStatus { Ok, BadMagic, BadVersion, Truncated };

// Reads a whole project file. Counts are checked against what the stream still holds before
// anything is allocated. Shows no message.
ProjectFileStatus ReadProjectFile(JStream& stream, ProjectFileData& data);
// Writes `data` as version 10 with every field (absent optional fields as zero).
void WriteProjectFile(JStream& stream, const ProjectFileData& data);

// The message LoadProject shows for a refused file ("LoadProject Project Id", ...).
const char* ProjectFileMessage(ProjectFileStatus status);

}  // namespace mora
