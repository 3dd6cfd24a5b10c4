#pragma once
// The levels of a recording built from its audio, for a recording whose level file is missing:
// the reader delivers every level unit as the player would get it, and each unit gives one
// level byte.

#include "audio/audio_reader.h"
#include "audio/level_file.h"
#include "audio/level_meter.h"

namespace mora {

// Reads the reader's file (its FileName) from the start and fills `edit` with one level byte
// per level unit: level count and crop range cover the whole recording (limited to the
// array), no markers, no cuts, the format's level shift. False, with `edit` emptied, when the
// file is refused.
bool BuildLevelsFromAudio(JStreamAudioReadFile& reader, EngineFormat& format,
                          const LevelTables& tables, RecordingEdit& edit);

}  // namespace mora
