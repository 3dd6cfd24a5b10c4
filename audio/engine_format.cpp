#include "audio/engine_format.h"

#include <array>

#include "audio/mp2_encoder.h"

namespace mora {

void TakeSettings(EngineFormat& format, const Settings& settings) {
    format.measuredSampleRate = settings.MeasuredSampleRate;
    format.compensateInCodecs = settings.CompensateInCodecs != 0;
    format.mp2BitrateIndex = settings.Mp2BitrateIndex;
    format.stereo = settings.RecordStereo != 0;
}

uint32_t LevelUnitsPerSecond(const EngineFormat& format) {
    // Shifts beyond 10 would leave less than one sample frame per unit.
    return 5u << (format.levelShift > 10 ? 10 : format.levelShift);
}

uint32_t OutputRate(const EngineFormat& format) {
    return format.externalInterface ? 48000 : 44100;
}

uint32_t OutputFramesPerUnit(const EngineFormat& format) {
    return OutputRate(format) / LevelUnitsPerSecond(format);
}

uint32_t CompensatedRate(const EngineFormat& format) {
    // A measurement more than 10 % away from 44100 Hz is a broken setting, not a slow clock;
    // using it would change the pitch audibly (or, at 0, never finish converting).
    const uint32_t measured = format.measuredSampleRate;
    if (format.compensateInCodecs && measured >= 39690 && measured <= 48510) return measured;
    return OutputRate(format);
}

AudioWriteFormat WriterFormat(const EngineFormat& format, bool inputRunning) {
    AudioWriteFormat out;
    out.recordingRate = format.inputRate;
    out.stereo = format.stereo;
    out.sampleBits = format.inputWidth == 24 ? 24 : 16;
    const uint32_t base = format.inputRate * 2 / 5;
    out.bufferBytes = (base >> format.levelShift) * (format.stereo ? 2u : 1u) *
                      (out.sampleBits == 24 ? 3u : 2u) / 2u;
    out.levelValuesPerSecond = LevelUnitsPerSecond(format);
    out.resampleRate =
        EncoderInputRate(format.measuredSampleRate, format.compensateInCodecs, inputRunning);
    return out;
}

}  // namespace mora
