#pragma once
// The audio engine's format state: what the recorder, the player and the readers agree on about
// the recording being read or written. One instance, owned by the engine (or by a command or a
// test) and passed by reference, so a test can start from a fresh one.

#include <cstdint>

#include "audio/jstream_audio_write.h"
#include "settings/settings.h"

namespace mora {

struct EngineFormat {
    // Sample rate of the current recording (a WAV reader sets it to the file's rate).
    uint32_t recordingRate = 44100;
    // 0 = copy, 1 = 48000 Hz, 2 = 88200 Hz, 3 = 96000 Hz converted to the output rate.
    int playMode = 0;
    // Bytes of the source file that make one level unit.
    uint32_t bytesPerUnit = 4410;
    // Sample width of the source file in bits (16, 24 or 32; always 16 for MP2).
    int width = 16;
    // Channels of the source file and of the player's output.
    int channels = 1;
    int outputChannels = 2;
    // Level values per second are 5 << levelShift.
    uint32_t levelShift = 2;
    // The external interface plays at 48000 Hz; the sound device otherwise at 44100 Hz.
    bool externalInterface = false;
    // The sound device's measured real rate for a nominal 44100 Hz, used when compensating.
    uint32_t measuredSampleRate = 44100;
    bool compensateInCodecs = false;
    // The input device's rate and sample width, which recordings are written in. Kept apart
    // from the fields above, which the readers set from the last file read.
    uint32_t inputRate = 44100;
    int inputWidth = 16;
    // MP2 recordings: bitrate index into 32 ... 256 kbit/s, and mono or stereo.
    uint8_t mp2BitrateIndex = 3;
    bool stereo = false;
};

// Takes MeasuredSampleRate, CompensateInCodecs, Mp2BitrateIndex and RecordStereo.
void TakeSettings(EngineFormat& format, const Settings& settings);

uint32_t LevelUnitsPerSecond(const EngineFormat& format);
// 48000 Hz with the external interface, else 44100 Hz.
uint32_t OutputRate(const EngineFormat& format);
// Sample frames of the player's output per level unit.
uint32_t OutputFramesPerUnit(const EngineFormat& format);
// The rate the converters aim at: the measured rate when compensating (and the measurement is
// plausible), else the output rate.
uint32_t CompensatedRate(const EngineFormat& format);

// What the writers read of the engine's format while recording, from the input device's rate
// and width: the input buffer holds (rate × 2 / 5, 17640 at 44100 Hz) >> shift bytes per 16-bit
// channel, 0.05 s at shift 2;
// the encoder's resampler follows the measured rate only while the input runs.
AudioWriteFormat WriterFormat(const EngineFormat& format, bool inputRunning);

}  // namespace mora
