// The EQ preset reader takes any file the user picks: it must survive any bytes, and a preset
// it accepts must write back to the same bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/eq_preset_file.h"
#include "tests/fuzz/fuzz_seeds.h"

std::vector<std::vector<uint8_t>> MoraFuzzSeeds() {
    const auto bytes = mora::EncodeEqPreset(mora::DefaultEqBands());
    return {std::vector<uint8_t>(bytes.begin(), bytes.end())};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mora::EqBandSet bands = mora::DefaultEqBands();
    if (mora::DecodeEqPreset(data, size, bands)) {
        const auto again = mora::EncodeEqPreset(bands);
        if (size != again.size() || std::memcmp(again.data(), data, size) != 0) std::abort();
    }
    return 0;
}
