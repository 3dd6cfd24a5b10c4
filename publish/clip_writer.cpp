#include "publish/clip_writer.h"

#include <algorithm>

#include "audio/audio_reader.h"
#include "audio/mp2_decoder.h"
#include "stream/binary_io.h"
#include "stream/jstream_file.h"

namespace mora {
namespace {

struct FrameRange {
    uint32_t first;
    uint32_t end;
};

EngineFormat ClipFormat(const PublishClip& clip, uint32_t levelShift, int outputChannels) {
    EngineFormat format;
    format.levelShift = levelShift;
    format.outputChannels = outputChannels;
    format.mp2BitrateIndex = clip.mp2BitrateIndex;
    format.stereo = clip.channels == 2;
    return format;
}

// The MP2 frames of each stretch of a clip, within the frames the file holds.
std::vector<FrameRange> ClipFrames(const PublishClip& clip, const EngineFormat& format,
                                   uint32_t totalFrames) {
    std::vector<FrameRange> ranges;
    for (auto [b, e] : UncutStretches(clip)) {
        const uint32_t first =
            std::min(Mp2FrameOfUnit(format, static_cast<int32_t>(b)), totalFrames);
        const uint32_t end = std::min(Mp2FrameOfUnit(format, static_cast<int32_t>(e)), totalFrames);
        if (end > first) ranges.push_back({first, end});
    }
    return ranges;
}

ClipWrite WritePcmClip(JStreamAudioWrite& writer, const PublishClip& clip, EngineFormat& format,
                       const std::function<bool()>& step) {
    ClipWrite out;
    JStreamAudioReadWavFile reader(format);
    const uint32_t length = reader.ReadLength(clip.recordingPath);
    if (length == 0) {
        out.readFailed = true;
        return out;
    }
    reader.SetFileName(clip.recordingPath);
    std::vector<int16_t> unit(size_t{OutputFramesPerUnit(format)} *
                              static_cast<size_t>(format.outputChannels));
    const uint32_t unitBytes = static_cast<uint32_t>(unit.size() * 2);
    for (auto [b, e] : UncutStretches(clip)) {
        // Only the audio the file holds, whatever its level file claims.
        e = std::min(e, length);
        if (b >= e) continue;
        reader.StartAt(static_cast<int32_t>(b));
        for (uint32_t u = b; u < e; ++u) {
            if (!writer.IsReady() || !reader.IsGood()) break;
            reader.GetUnit(unit.data());
            writer.WriteSamples(reinterpret_cast<const uint8_t*>(unit.data()), unitBytes);
            if (!writer.IsReady()) break;
            out.bytes += unitBytes;
            if (!step()) {
                out.cancelled = true;
                reader.CloseFile();
                return out;
            }
        }
    }
    out.readFailed = !reader.IsGood();
    out.complete = !out.readFailed && writer.IsReady();
    reader.CloseFile();
    return out;
}

ClipWrite WriteMp2Clip(JStreamAudioWrite& writer, JStreamWrMP2* reencoder, const PublishClip& clip,
                       EngineFormat& format, uint64_t skip, const std::function<bool()>& step) {
    ClipWrite out;
    JStreamAudioReadMP2File reader(format);
    out.readFailed = true;
    if (reader.ReadLength(clip.recordingPath) == 0) return out;
    const uint32_t frameLength = reader.FrameLength();
    const uint32_t totalFrames = reader.Frames();
    JStreamFile file(clip.recordingPath, true);
    if (!file.IsReadable() || frameLength == 0) return out;
    out.readFailed = false;
    Mp2Decoder decoder;
    std::vector<uint8_t> chunk;
    std::vector<int16_t> decoded, left(kMp2FrameSamples);
    for (FrameRange range : ClipFrames(clip, format, totalFrames)) {
        uint64_t at = reader.DataStart() + uint64_t{range.first} * frameLength;
        const uint64_t end = reader.DataStart() + uint64_t{range.end} * frameLength;
        if (!reencoder) {
            while (at < end) {
                const auto n = static_cast<uint32_t>(std::min<uint64_t>(kPublishChunk, end - at));
                if (skip >= n) {  // the target holds this chunk already
                    skip -= n;
                    out.bytes += n;
                    at += n;
                    continue;
                }
                if (!writer.IsReady()) return out;
                chunk.resize(n);
                file.SetPosition(at);
                if (!ReadBytes(file, chunk.data(), n)) {
                    out.readFailed = true;
                    return out;
                }
                const auto from = static_cast<uint32_t>(skip);
                writer.WriteEncoded(chunk.data() + from, n - from);
                if (!writer.IsReady()) return out;
                out.bytes += n;
                skip = 0;
                at += n;
                if (!step()) {
                    out.cancelled = true;
                    return out;
                }
            }
            continue;
        }
        file.SetPosition(at);
        chunk.resize(frameLength);
        for (uint32_t f = range.first; f < range.end; ++f) {
            if (!writer.IsReady()) return out;
            if (!ReadBytes(file, chunk.data(), frameLength)) {
                out.readFailed = true;
                return out;
            }
            Mp2Header header;
            std::copy_n(chunk.begin(), 4, header.bytes);
            if (!decoder.IsStarted()) decoder.Start(header);
            decoded.clear();
            decoder.DecodeFrame(chunk.data(), frameLength, clip.channels, decoded);
            const bool whole =
                decoded.size() >= size_t{kMp2FrameSamples} * static_cast<size_t>(clip.channels);
            for (uint32_t i = 0; i < kMp2FrameSamples; ++i)
                left[i] = whole ? decoded[i * static_cast<uint32_t>(clip.channels)] : 0;
            reencoder->EncodeMonoFrame(left.data());
            out.bytes += frameLength;
            if (!step()) {
                out.cancelled = true;
                return out;
            }
        }
    }
    decoder.Finish();
    out.complete = writer.IsReady();
    return out;
}

uint32_t ClipFrameCount(const PublishClip& clip, uint32_t levelShift, uint32_t* frameLength) {
    EngineFormat format = ClipFormat(clip, levelShift, clip.channels);
    JStreamAudioReadMP2File reader(format);
    const bool readable = reader.ReadLength(clip.recordingPath) > 0;
    if (frameLength) *frameLength = readable ? reader.FrameLength() : 0;
    uint32_t frames = 0;
    for (FrameRange r : ClipFrames(clip, format, readable ? reader.Frames() : 0))
        frames += r.end - r.first;
    return frames;
}

}  // namespace

ClipWrite WriteClip(JStreamAudioWrite& writer, JStreamWrMP2* reencoder, const PublishClip& clip,
                    int outputChannels, uint32_t levelShift, uint64_t skipBytes,
                    const std::function<bool()>& step) {
    EngineFormat format = ClipFormat(clip, levelShift, outputChannels);
    return clip.mp2 ? WriteMp2Clip(writer, reencoder, clip, format, skipBytes, step)
                    : WritePcmClip(writer, clip, format, step);
}

uint32_t ClipSteps(const PublishClip& clip, bool reencode, uint32_t levelShift) {
    if (!clip.mp2) {
        uint32_t units = 0;
        for (auto [b, e] : UncutStretches(clip)) units += e - b;
        return units;
    }
    if (reencode) return ClipFrameCount(clip, levelShift, nullptr);
    EngineFormat format = ClipFormat(clip, levelShift, clip.channels);
    JStreamAudioReadMP2File reader(format);
    const bool readable = reader.ReadLength(clip.recordingPath) > 0;
    uint32_t steps = 0;
    for (FrameRange r : ClipFrames(clip, format, readable ? reader.Frames() : 0)) {
        const uint64_t bytes = uint64_t{r.end - r.first} * reader.FrameLength();
        steps += static_cast<uint32_t>((bytes + kPublishChunk - 1) / kPublishChunk);
    }
    return steps;
}

uint32_t CountClipFrames(const std::vector<PublishClip>& clips, uint32_t levelShift) {
    uint32_t frames = 0;
    for (const PublishClip& clip : clips) frames += ClipFrameCount(clip, levelShift, nullptr);
    return frames;
}

}  // namespace mora
