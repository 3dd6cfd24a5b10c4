// Writes a fuzz target's seeds (MoraFuzzSeeds) as files into the folder named on the command line,
// the corpus its libFuzzer run starts from.

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/fuzz/fuzz_seeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (!MoraFuzzSeeds) return 0;
    int n = 0;
    for (const auto& seed : MoraFuzzSeeds()) {
        std::ofstream out(std::string(argv[1]) + "/seed" + std::to_string(n++), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.data()),
                  static_cast<std::streamsize>(seed.size()));
        if (!out) return 1;
    }
    return 0;
}
