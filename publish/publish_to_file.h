#pragma once
// Handing the clips' audio to a publishing writer, and the publication of recordings to a local
// Broadcast Wave file ("pub_" + name in the folder of the first recording).

#include <cstdint>
#include <string>
#include <vector>

#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "publish/publish_clips.h"

namespace mora {

// Hands the audio of the clips' stretches outside their cuts to an opened writer: PCM
// recordings level unit by level unit as the player reads them (`outputChannels` wide, at
// 44.1 kHz) to WriteSamples; MP2 recordings as their frames copied in 16 KiB chunks to
// WriteEncoded, or, with `reencoder`, decoded, reduced to the left channel and encoded again.
// False when the writer stopped being ready or a recording could not be read.
bool WriteClipAudio(JStreamAudioWrite& writer, JStreamWrMP2* reencoder,
                    const std::vector<PublishClip>& clips, int outputChannels, uint32_t levelShift);

struct ToFileRequest {
    std::vector<std::string> recordings;
    std::string name;
    std::string description;
    bool fast = false;  // MP2 recordings re-encoded in mono at the fast-publish bitrate
};

// Publishes the recordings to a local file: WAV recordings as 48 kHz PCM, MP2 recordings as
// MPEG. Returns the file's path, or an empty string with `error` set (or the message shown).
std::string PublishToFile(const ToFileRequest& request, const Settings& settings,
                          std::string& error);

}  // namespace mora
