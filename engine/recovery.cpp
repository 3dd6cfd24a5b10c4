#include "engine/recovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/level_builder.h"
#include "audio/level_meter.h"
#include "audio/recording_reader.h"
#include "platform/riff.h"
#include "project/clip_list.h"
#include "project/project_store.h"

namespace mora {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

}  // namespace

bool RepairWavSizes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0) return false;
    uint8_t header[44];
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && st.st_size >= 44 && st.st_size <= 0xFFFFFFFFll &&
              ::pread(fd, header, 44, 0) == 44 && std::memcmp(header, "RIFF", 4) == 0 &&
              std::memcmp(header + 8, "WAVE", 4) == 0 && std::memcmp(header + 36, "data", 4) == 0;
    if (ok) {
        const auto size = static_cast<uint32_t>(st.st_size);
        const uint32_t block = header[32] | (header[33] << 8);
        uint32_t data = size - 44;
        if (block > 0) data -= data % block;  // a sample frame cut off by the crash
        PutLE32(header + 4, data + 36);
        PutLE32(header + 40, data);
        ok = ::pwrite(fd, header, 44, 0) == 44 && ::ftruncate(fd, 44 + data) == 0;
    }
    ::close(fd);
    return ok;
}

std::optional<RecoveredRecording> RecoverInterruptedRecording(ProjectState& state) {
    const int32_t number = state.recordingNumber + 1;
    const std::string base = RecordingBase(state, number);
    std::string audio;
    for (const char* ext : {".wav", ".mp2"})
        if (Exists(base + ext)) audio = base + ext;
    if (audio.empty()) return std::nullopt;
    // A file the list already holds is a finished recording, not an interrupted one.
    for (const ClipEntry& entry : state.clips.entries)
        if (entry.folder + entry.name == base) return std::nullopt;
    const bool mp2 = audio.compare(audio.size() - 4, 4, ".mp2") == 0;
    if (!mp2 && !RepairWavSizes(audio)) return std::nullopt;

    // The markers written while recording; the levels come from the audio itself, which may
    // hold a few seconds more than the last level file did.
    const std::string levelPath = LevelFilePathOf(audio);
    RecordingEdit saved;
    saved.shift = state.shift;
    LoadVuFile(saved, levelPath);

    EngineFormat format = state.format;
    format.levelShift = state.shift;
    std::unique_ptr<JStreamAudioReadFile> reader;
    bool isMp2 = false;
    if (OpenRecordingReader(audio, format, reader, isMp2) == 0) return std::nullopt;
    RecordingEdit& edit = state.edit.rec;
    edit.shift = state.shift;
    if (!BuildLevelsFromAudio(*reader, format, BuildLevelTables(), edit)) return std::nullopt;
    reader.reset();
    for (uint32_t i = 0; i < saved.markerCount; ++i)
        if (saved.markers[i] < edit.levelCount) edit.markers[edit.markerCount++] = saved.markers[i];
    edit.captureRate = saved.captureRate;
    if (!SaveVuFile(edit, levelPath)) return std::nullopt;

    // The project keeps the format the recording was made in.
    state.mp2 = mp2;
    NextRecording(state);
    AppendRecording(state);
    SaveProject(state);
    return RecoveredRecording{state.name + RecordingSuffix(number), audio, edit.levelCount};
}

std::string RecoveredText(const RecoveredRecording& recording, uint32_t shift) {
    const uint32_t seconds = recording.length / (5u << (shift > 10 ? 10 : shift));
    char text[160];
    std::snprintf(text, sizeof text, "Recovered recording %s, %u:%02u", recording.name.c_str(),
                  seconds / 60, seconds % 60);
    return text;
}

}  // namespace mora
