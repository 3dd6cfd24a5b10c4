// The MP2 reader must survive any bytes: validation against the settings the first byte picks,
// then decoding the first frames and a few after a seek.

#include <cstdint>
#include <vector>

#include "audio/audio_reader.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/support/scripted_ui.h"

namespace {
// Silent frames (header only, zero bit allocation), optionally inside a RIFF file.
std::vector<uint8_t> Frames(uint8_t selector, uint8_t b2, uint8_t b3, uint32_t length, int count,
                            bool riff) {
    std::vector<uint8_t> body;
    for (int f = 0; f < count; ++f) {
        body.insert(body.end(), {0xFF, 0xFD, b2, b3});
        for (uint32_t i = 4; i < length; ++i)
            body.push_back(static_cast<uint8_t>(f * i % 3 == 0 ? 0x55 : 0));
    }
    std::vector<uint8_t> v{selector};
    if (riff) {
        v.insert(v.end(), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a'});
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    }
    v.insert(v.end(), body.begin(), body.end());
    return v;
}
}  // namespace

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    // Selector: bitrate index in the low nibble, stereo in bit 4.
    return {Frames(0x03, 0x44, 0xC4, 192, 12, false), Frames(0x17, 0x84, 0x04, 384, 10, false),
            Frames(0x03, 0x44, 0xC4, 192, 6, true)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static mora::test::ScriptedUi ui;
    ui.messages.clear();
    mora::EngineFormat format;
    format.mp2BitrateIndex = data[0] & 15;
    format.stereo = (data[0] & 16) != 0;
    format.outputChannels = (data[0] & 32) ? 1 : 2;
    format.compensateInCodecs = (data[0] & 64) != 0;
    format.measuredSampleRate = 44000;
    mora::JStreamAudioReadMP2File reader(format);
    reader.Decoder().logPath = "/dev/null";
    reader.UseMemory(std::vector<uint8_t>(data + 1, data + size));
    const uint32_t length = reader.Validate();
    if (length == 0) return 0;
    std::vector<int16_t> unit(static_cast<size_t>(mora::OutputFramesPerUnit(format)) * 2);
    reader.StartAt(0);
    reader.GetUnit(unit.data());
    reader.GetUnit(unit.data());
    reader.Seek(static_cast<int32_t>(length / 2));
    reader.GetUnit(unit.data());
    reader.SeekFast(static_cast<int32_t>(length + 3));
    reader.GetUnit(unit.data());
    reader.CloseFile();
    return 0;
}
