#pragma once
// Hands one clip's audio to a publishing writer: the stretches of its published range outside
// its cuts, PCM recordings level unit by level unit to WriteSamples, MP2 recordings as their
// frames copied in 16 KiB chunks to WriteEncoded (or, with a re-encoder, decoded, reduced to
// the left channel and encoded again). After each block it calls `step`, which returns false
// when the reporter cancelled.

#include <cstdint>
#include <functional>
#include <vector>

#include "audio/jstream_audio_write.h"
#include "audio/mp2_encoder.h"
#include "publish/publish_clips.h"

namespace mora {

inline constexpr uint32_t kPublishChunk = 16384;

struct ClipWrite {
    // Position reached in the clip's output: MP2 copies count the bytes skipped and accepted,
    // the other ways the blocks handed over.
    uint64_t bytes = 0;
    bool complete = false;    // every block was handed over and accepted
    bool readFailed = false;  // the recording could not be read
    bool cancelled = false;
};

// `skipBytes` (MP2 copies only): the bytes of the clip the target already holds. Whole chunks
// are skipped while at least a chunk is left to skip, then the rest of that chunk is written.
ClipWrite WriteClip(JStreamAudioWrite& writer, JStreamWrMP2* reencoder, const PublishClip& clip,
                    int outputChannels, uint32_t levelShift, uint64_t skipBytes,
                    const std::function<bool()>& step);

// The progress steps WriteClip takes for the clip: 16 KiB chunks of an MP2 copy, frames of a
// re-encoding, level units of a PCM recording.
uint32_t ClipSteps(const PublishClip& clip, bool reencode, uint32_t levelShift);

// MP2 frames of the clips' published stretches (what copying or re-encoding them gives).
uint32_t CountClipFrames(const std::vector<PublishClip>& clips, uint32_t levelShift);

}  // namespace mora
