// Every command that takes a WAV file accepts the same files: extensible PCM with other chunks
// before the audio and a data size a cut-off recorder left at 0, and none takes float samples.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/riff.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace mora::test {
namespace {

// A stereo 48 kHz file: extensible format, an odd-sized chunk before the data, data size 0.
std::vector<uint8_t> ExtensibleWav(uint16_t subFormat, uint16_t bits, uint32_t frames) {
    std::vector<uint8_t> b(12 + 48 + 12 + 8);
    PutTag(&b[0], "RIFF");
    PutTag(&b[8], "WAVE");
    uint8_t* f = &b[12];
    PutTag(f, "fmt ");
    PutLE32(f + 4, 40);
    PutLE16(f + 8, kWaveFormatExtensible);
    PutLE16(f + 10, 2);
    PutLE32(f + 12, 48000);
    PutLE32(f + 16, 48000u * 2 * bits / 8);
    PutLE16(f + 20, 2 * bits / 8);
    PutLE16(f + 22, bits);
    PutLE16(f + 24, 22);
    PutLE16(f + 32, subFormat);
    PutTag(&b[60], "LIST");
    PutLE32(&b[64], 3);
    PutTag(&b[72], "data");
    for (uint32_t i = 0; i < frames * 2; ++i) {
        const auto v = static_cast<int16_t>((i * 977) % 20000 - 10000);
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    return b;
}

TEST(WavAcceptance, EveryCommandTakesTheSameFiles) {
    TempDir dir;
    WriteFileBytes(dir.File("ext.wav"), ExtensibleWav(kWaveFormatPcm, 16, 48000));
    WriteFileBytes(dir.File("float.wav"), ExtensibleWav(3, 32, 24000));
    ::setenv("MORA_AUDIO", ("file:," + dir.File("out.wav") + ",fast").c_str(), 1);
    for (const char* name : {"ext.wav", "float.wav"}) {
        const bool good = std::string(name) == "ext.wav";
        const std::string in = dir.File(name);
        const std::vector<std::vector<std::string>> commands = {
            {"play", in},
            {"info", in},
            {"decode", in, dir.File("d.wav")},
            {"process", in, dir.File("p.wav")},
            {"encode", in, dir.File("e.mp2")},
        };
        for (const auto& args : commands) {
            const auto r = RunCli(args);
            EXPECT_EQ(r.status == 0, good) << args[0] << " " << name << ": " << r.err;
        }
    }
    // One second of audio came through: the repaired data size covers the whole file.
    EXPECT_EQ(ReadFileBytes(dir.File("p.wav")).size(), 44u + 48000 * 4);
}

}  // namespace
}  // namespace mora::test
