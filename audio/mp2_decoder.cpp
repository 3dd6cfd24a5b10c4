#include "audio/mp2_decoder.h"

#include <mad.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/trace.h"

namespace mora {

bool Mp2Header::IsMpeg1Layer2() const {
    // 0xFFF sync, ID 1 (MPEG-1), layer bits 10 (Layer II); the protection bit may be either.
    return bytes[0] == 0xFF && (bytes[1] & 0xFE) == 0xFC;
}

uint32_t Mp2Header::Bitrate() const {
    static constexpr uint16_t kKbps[16] = {0,   32,  48,  56,  64,  80,  96,  112,
                                           128, 160, 192, 224, 256, 320, 384, 0};
    return kKbps[BitrateField()] * 1000u;
}

uint32_t Mp2Header::FrameLength() const {
    const uint32_t bitrate = Bitrate();
    if (bitrate == 0) return 0;
    return bitrate * kMp2FrameSamples / SampleRate() / 8 + (Padding() ? 1 : 0);
}

int16_t ScaleMadSample(int32_t sample) {
    // Round at the 16th bit, clamp to the fixed-point range, keep the upper 16 bits.
    int64_t v = static_cast<int64_t>(sample) + (1 << (MAD_F_FRACBITS - 16));
    v = std::clamp<int64_t>(v, -MAD_F_ONE, MAD_F_ONE - 1);
    return static_cast<int16_t>(v >> (MAD_F_FRACBITS + 1 - 16));
}

struct Mp2Decoder::State {
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
};

Mp2Decoder::Mp2Decoder() = default;

Mp2Decoder::~Mp2Decoder() {
    Finish();
}

uint32_t Mp2Decoder::Start(const Mp2Header& header) {
    Finish();
    state_ = std::make_unique<State>();
    mad_stream_init(&state_->stream);
    mad_frame_init(&state_->frame);
    mad_synth_init(&state_->synth);
    return header.IsMpeg1Layer2() ? header.FrameLength() : 0;
}

void Mp2Decoder::Finish() {
    if (!state_) return;
    mad_synth_finish(&state_->synth);
    mad_frame_finish(&state_->frame);
    mad_stream_finish(&state_->stream);
    state_.reset();
}

void Mp2Decoder::Log(const std::string& line) {
    if (damaged_) return;  // the stretch was logged at its first frame
    damaged_ = true;
    Trace("mp2 decoding: %s", line.c_str());
    if (logPath.empty()) return;
    struct stat st {};
    if (::stat(logPath.c_str(), &st) == 0 && st.st_size >= kMaxLogBytes)
        std::rename(logPath.c_str(), (logPath + ".1").c_str());
    if (std::FILE* f = std::fopen(logPath.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

void Mp2Decoder::DecodeFrame(const uint8_t* frame, uint32_t length, int channels,
                             std::vector<int16_t>& out) {
    if (!state_) Start(Mp2Header{});
    const size_t first = out.size();
    out.resize(first + kMp2FrameSamples * static_cast<size_t>(channels), 0);
    int16_t* target = out.data() + first;

    // libmad reads up to MAD_BUFFER_GUARD bytes past a frame's end; the guard is zeros.
    feed_.assign(length + MAD_BUFFER_GUARD, 0);
    if (length) std::memcpy(feed_.data(), frame, length);
    mad_stream& stream = state_->stream;
    mad_stream_buffer(&stream, feed_.data(), feed_.size());
    stream.error = MAD_ERROR_NONE;

    if (mad_frame_decode(&state_->frame, &stream) != 0) {
        if (!MAD_RECOVERABLE(stream.error)) {
            char line[40];
            std::snprintf(line, sizeof line, "MAD_RECOVERABLE %d", static_cast<int>(stream.error));
            Log(line);
            return;
        }
        const Flow flow = errorHook ? errorHook(stream.error) : Flow::Continue;
        if (flow == Flow::Stop) Log("MAD_FLOW_STOP");
        if (flow == Flow::Break) Log("MAD_FLOW_BREAK");
        damaged_ = true;
        // Whatever the answer, this frame is lost; decoding goes on with the next one.
        return;
    }
    damaged_ = false;
    mad_synth_frame(&state_->synth, &state_->frame);
    const mad_pcm& pcm = state_->synth.pcm;
    const uint32_t n = std::min<uint32_t>(pcm.length, kMp2FrameSamples);
    const bool twoIn = pcm.channels > 1;
    for (uint32_t i = 0; i < n; ++i) {
        const int16_t left = ScaleMadSample(pcm.samples[0][i]);
        const int16_t right = twoIn ? ScaleMadSample(pcm.samples[1][i]) : left;
        if (channels == 2) {
            target[2 * i] = left;
            target[2 * i + 1] = right;
        } else {
            target[i] = left;
        }
    }
}

}  // namespace mora
