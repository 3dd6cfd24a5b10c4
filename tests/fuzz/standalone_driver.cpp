// Runs a libFuzzer entry point without libFuzzer: every file named on the command line, then a
// fixed number of inputs made from a seeded generator (random bytes, and truncated, bit-flipped,
// spliced and enlarged copies of the target's seeds). The same inputs every run.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "tests/fuzz/fuzz_seeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
using Bytes = std::vector<uint8_t>;

void Run(const Bytes& input) {
    // An empty vector's data() may be null; the entry point gets a valid pointer either way.
    static const uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(input.empty() ? &kNothing : input.data(), input.size());
}

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes out = seed;
    auto pick = [&](size_t n) {
        return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0;
    };
    switch (rng() % 5) {
        case 0:  // truncate
            out.resize(pick(out.size() + 1));
            break;
        case 1:  // flip some bits
            for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n && !out.empty(); ++i)
                out[pick(out.size())] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 2:  // overwrite a run with extreme values
            for (size_t i = pick(out.size()), n = 1 + rng() % 8; i < out.size() && n; ++i, --n)
                out[i] = (rng() & 1) ? 0xFF : 0x00;
            break;
        case 3:  // insert random bytes
            out.insert(out.begin() + static_cast<long>(pick(out.size() + 1)), 1 + rng() % 64,
                       static_cast<uint8_t>(rng()));
            break;
        default:  // random bytes appended
            for (size_t n = rng() % 256; n; --n) out.push_back(static_cast<uint8_t>(rng()));
            break;
    }
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        Run(Bytes(std::istreambuf_iterator<char>(in), {}));
    }
    if (argc > 1) return 0;
    std::mt19937 rng(20261208);
    std::vector<Bytes> seeds;
    if (MoraFuzzSeeds) seeds = MoraFuzzSeeds();
    Run({});
    for (int i = 0; i < 1000; ++i) {
        Bytes random(rng() % 2048);
        for (auto& b : random) b = static_cast<uint8_t>(rng());
        Run(random);
    }
    for (const auto& seed : seeds) {
        Run(seed);
        Bytes current = seed;
        for (int i = 0; i < 3000; ++i) {
            current = (i % 4 == 0) ? Mutate(seed, rng) : Mutate(current, rng);
            Run(current);
        }
    }
    std::printf("fuzz driver: %zu seeds, all inputs handled\n", seeds.size());
    return 0;
}
