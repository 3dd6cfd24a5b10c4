// The WAV reader must survive any bytes: validation, then reading a few level units from a
// position the input chooses. The first byte picks the level shift and output channels.

#include <cstdint>
#include <vector>

#include "audio/audio_reader.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/support/scripted_ui.h"

namespace {
void Put(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> Wav(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t frames) {
    std::vector<uint8_t> v{2,   'R', 'I', 'F', 'F', 0,   0,   0,  0,
                           'W', 'A', 'V', 'E', 'L', 'I', 'S', 'T'};
    Put(v, 5, 4);
    v.insert(v.end(), {'I', 'N', 'F', 'O', 'x', 0});
    v.insert(v.end(), {'f', 'm', 't', ' '});
    Put(v, 16, 4);
    Put(v, 1, 2);
    Put(v, channels, 2);
    Put(v, rate, 4);
    Put(v, rate * channels * bits / 8, 4);
    Put(v, channels * bits / 8, 2);
    Put(v, bits, 2);
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    const uint32_t bytes = frames * channels * bits / 8;
    Put(v, bytes, 4);
    for (uint32_t i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(i * 7));
    return v;
}
}  // namespace

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    return {Wav(1, 44100, 16, 2205 * 3), Wav(2, 48000, 24, 2400 * 2), Wav(2, 96000, 16, 4800 * 2)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static mora::test::ScriptedUi ui;
    ui.messages.clear();
    mora::EngineFormat format;
    format.levelShift = data[0] & 3;
    format.outputChannels = (data[0] & 4) ? 1 : 2;
    format.externalInterface = (data[0] & 8) != 0;
    mora::JStreamAudioReadWavFile reader(format);
    reader.UseMemory(std::vector<uint8_t>(data + 1, data + size));
    const uint32_t length = reader.Validate();
    if (length == 0) return 0;
    std::vector<int16_t> unit(static_cast<size_t>(mora::OutputFramesPerUnit(format)) * 2);
    reader.StartAt(static_cast<int32_t>((data[0] >> 4) % (length + 2)) - 1);
    reader.GetUnit(unit.data());
    reader.SeekFast(static_cast<int32_t>(length));
    reader.GetUnit(unit.data());
    reader.CloseFile();
    return 0;
}
