#include "platform/audio/wav_io.h"

#include <sys/stat.h>

namespace mora {
namespace {

bool Accept(const RiffLayout& riff, WavLayout& layout, std::string& error) {
    if (!riff.isRiff) {
        error = "not a RIFF WAVE file";
        return false;
    }
    if (!riff.hasFormat) {
        error = "no format chunk before the audio data";
        return false;
    }
    if (riff.formatTag != kWaveFormatPcm) {
        error = "not integer PCM";
        return false;
    }
    layout.format.channels = riff.channels;
    layout.format.rate = riff.sampleRate;
    layout.format.bits = riff.bitsPerSample;
    if (!layout.format.Valid()) {
        error = "unsupported PCM format (" + std::to_string(riff.channels) + " channels, " +
                std::to_string(riff.sampleRate) + " Hz, " + std::to_string(riff.bitsPerSample) +
                " bits)";
        return false;
    }
    if (!riff.hasData) {
        error = "no data chunk";
        return false;
    }
    layout.dataOffset = riff.dataStart;
    layout.dataBytes = riff.dataSize;
    return true;
}

}  // namespace

bool ParseWav(const RiffReadAt& read, uint64_t fileSize, WavLayout& layout, std::string& error) {
    return Accept(WalkRiff(read, fileSize), layout, error);
}

bool ParseWavFile(int fd, WavLayout& layout, std::string& error) {
    return Accept(WalkRiffFile(fd), layout, error);
}

}  // namespace mora
