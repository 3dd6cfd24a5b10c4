#pragma once
// The level file (".jvu") beside every recording, and the in-memory edit state of the current
// recording it stores: one level byte per slice of 1 / (5 x 2^s) s, the crop range, the
// markers (ascending) and the cut regions (ascending by begin). All positions are indexes of
// level values.
//
// File layout, little-endian: "UVMJ", u32 version (3; only the low 12 bits count, so the bits
// above them carry the capture rate where it is known, unseen by readers of the layout), u32 crop
// begin, u32 crop end, u32 level count; from version 2 u32 marker count and u32 cut count, then
// the markers (u32 each) and the cuts (begin, end, reserved: u32 each); then the level bytes;
// from version 3 the u32 level-resolution shift s of the file.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "stream/jstream.h"

namespace mora {

inline constexpr uint32_t kLevelCapacity = 720000;  // ten hours at 20 values a second
inline constexpr uint32_t kMaxMarkers = 1000;
inline constexpr uint32_t kMaxCuts = 100;
inline constexpr uint32_t kVuFileVersion = 3;
// The stored version word: the version, and above its 12 bits the capture rate (which stays
// below 2^20 Hz).
constexpr uint32_t VuVersionWord(uint32_t captureRate) {
    return kVuFileVersion | (captureRate < (1u << 20) ? captureRate << 12 : 0u);
}
// Finest resolution a level file may claim (5 x 2^16 values a second); beyond it the header
// is taken as damaged rather than converted.
inline constexpr uint32_t kMaxLevelShift = 16;

// A region [begin, end) left out of playback, publishing and length.
struct VuCut {
    uint32_t begin = 0;
    uint32_t end = 0;
    uint32_t reserved = 0;
};

// The current recording's edit state. The level array is allocated once and never grows.
struct RecordingEdit {
    explicit RecordingEdit(uint32_t capacity = kLevelCapacity);

    std::vector<uint8_t> levels;  // size is the capacity
    uint32_t levelCount = 0;
    uint32_t cropBegin = 0;
    uint32_t cropEnd = 0;
    std::array<uint32_t, kMaxMarkers> markers{};
    uint32_t markerCount = 0;
    std::array<VuCut, kMaxCuts> cuts{};
    uint32_t cutCount = 0;
    // The program's level-resolution shift s (set from the project).
    uint32_t shift = 2;
    // The sample rate the recording was captured at, before any conversion (an MP2 recording
    // holds 48 kHz whatever the input ran at); 0 when unknown.
    uint32_t captureRate = 0;
};

// Empties the level array: count 0, element 0 holds the empty marker.
void ClearLevels(RecordingEdit& edit);
// Stores the level byte of the next saved buffer; false when the array is full.
bool AppendLevel(RecordingEdit& edit, uint8_t level);

// Writes the whole state in the newest version. Does nothing (and returns true) when the level
// count is 0. The file is replaced only when every write succeeded; failures are reported by
// the file stream and leave the state as it was.
bool SaveVuFile(const RecordingEdit& edit, const std::string& path);
void WriteVuFile(JStream& stream, const RecordingEdit& edit);

struct VuReadResult {
    bool ok = false;
    uint32_t version = 0;
    // The file's level-resolution shift (0 before version 3); empty when the file ended before
    // it, and then nothing is converted.
    std::optional<uint32_t> fileShift;
    // False when the file ended before everything its header announced; the missing bytes
    // read as 0.
    bool complete = false;
};

// Reads a level file's contents into `edit` without converting its resolution. A wrong magic,
// tables beyond their limits or beyond the stream, or an impossible shift: the header message
// is shown and the whole state is emptied. A level count of 0, beyond ten hours at the current
// shift or beyond the array leaves the array empty.
VuReadResult ReadVuFile(JStream& stream, RecordingEdit& edit);

// Converts every value and position from the file's shift to `edit.shift`. Returns whether
// anything changed.
// `lossless` (when given) is cleared when a finer resolution did not fit the capacity: the
// values past it are gone and the positions are held within the count.
bool ConvertVuResolution(RecordingEdit& edit, uint32_t fileShift, bool* lossless = nullptr);

// Loads the level file of the recording being opened. False without a message when the file
// does not exist (the state is left alone); false with a message, and an emptied state, when
// it cannot be opened or is not a level file. A file of another resolution is converted and
// written back once (a file that ended early is converted but not written back). `clearUndo`
// runs when the file's contents are taken over; `read` receives what was found in the file.
bool LoadVuFile(RecordingEdit& edit, const std::string& path,
                const std::function<void()>& clearUndo = {}, VuReadResult* read = nullptr);

// Writes the level file of the selection [crop begin, crop end) to basePath + ".jvu": markers
// strictly inside it and cuts lying within it, moved to the selection's start. A crop range
// beyond the level array is limited to the array.
bool SaveSelectionVuFile(const RecordingEdit& edit, const std::string& basePath);

// Removes every cut whose begin equals its end; when any was removed, saves the level file.
bool RemoveEmptyCuts(RecordingEdit& edit, const std::string& path);

}  // namespace mora
