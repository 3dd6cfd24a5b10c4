#pragma once
// Opening any recording for reading as the player does: WAV or MP2 told by name or content, and
// for MP2 the file's bitrate and channel mode adopted before it is validated.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/audio_reader.h"

namespace mora {

// An MP2 recording: named .mp2, a bare MPEG frame stream, or a RIFF file holding MPEG audio.
bool IsMp2Recording(const std::string& path);

// The level file beside a recording: its path with the extension replaced by ".jvu".
std::string LevelFilePathOf(const std::string& recordingPath);

// Readies `format` and a reader of the right kind for `path` (its file name set). Returns the
// length in level units; 0 when the file is refused (the reason was shown).
uint32_t OpenRecordingReader(const std::string& path, EngineFormat& format,
                             std::unique_ptr<JStreamAudioReadFile>& reader, bool& mp2);

}  // namespace mora
