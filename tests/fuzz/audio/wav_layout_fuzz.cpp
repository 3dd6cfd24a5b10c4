// The WAV layout reader that the file device and mora-cli play use must survive any bytes, and
// whatever it accepts must lie within the file.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/audio/wav_io.h"
#include "tests/fuzz/fuzz_seeds.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    auto plain = mora::WavHeader(mora::PcmFormat{44100, 2, 16}, 16);
    plain.resize(plain.size() + 16, 0x11);
    auto wide = mora::WavHeader(mora::PcmFormat{96000, 1, 24}, 6);
    wide.resize(wide.size() + 6, 0x22);
    return {plain, wide};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto read = [&](uint64_t offset, uint8_t* dst, size_t n) -> size_t {
        if (offset >= size) return 0;
        const size_t k = n < size - offset ? n : static_cast<size_t>(size - offset);
        std::memcpy(dst, data + offset, k);
        return k;
    };
    mora::WavLayout layout;
    std::string error;
    if (mora::ParseWav(read, size, layout, error)) {
        if (!layout.format.Valid() || layout.dataOffset + layout.dataBytes > size ||
            layout.dataBytes % layout.format.BlockAlign() != 0)
            std::abort();
    }
    return 0;
}
