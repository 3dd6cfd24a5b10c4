#include "audio/level_builder.h"

#include <algorithm>
#include <vector>

namespace mora {

bool BuildLevelsFromAudio(JStreamAudioReadFile& reader, EngineFormat& format,
                          const LevelTables& tables, RecordingEdit& edit) {
    ClearLevels(edit);
    edit.cropBegin = edit.cropEnd = 0;
    edit.markerCount = 0;
    edit.cutCount = 0;
    edit.shift = format.levelShift;
    const uint32_t length = reader.ReadLength(reader.FileName());
    if (length == 0) return false;

    // Levels are measured on the file's own channels, whatever the player's output is.
    const int outputChannels = format.outputChannels;
    format.outputChannels = format.channels;
    reader.StartAt(0);
    const uint32_t count = std::min<uint32_t>(length, static_cast<uint32_t>(edit.levels.size()));
    std::vector<int16_t> unit(static_cast<size_t>(OutputFramesPerUnit(format)) * format.channels);
    const auto* bytes = reinterpret_cast<const uint8_t*>(unit.data());
    const auto byteCount = static_cast<uint32_t>(unit.size() * sizeof(int16_t));
    uint32_t done = 0;
    for (; done < count && reader.IsReady(); ++done) {
        reader.GetUnit(unit.data());
        edit.levels[done] = BufferLevel(tables, bytes, byteCount, 16);
    }
    reader.CloseFile();
    format.outputChannels = outputChannels;
    if (done < count) {
        ClearLevels(edit);
        return false;
    }
    edit.levelCount = count;
    edit.cropEnd = count;
    return true;
}

}  // namespace mora
