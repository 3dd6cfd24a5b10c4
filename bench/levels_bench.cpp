// Input processing speed: DC removal, three equaliser bands, gain and the level byte, in
// seconds of audio processed per CPU second, beside sox running three peaking equalisers and
// a volume change over the same file. Mono and stereo at 44100 Hz.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/input_processing.h"
#include "audio/level_meter.h"

namespace {

constexpr int kSeconds = 60;
constexpr int kRate = 44100;
constexpr int kRounds = 5;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

double ChildCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

bool Run(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The sample bytes of a 16-bit WAV file.
std::vector<uint8_t> WavData(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    for (size_t pos = 12; pos + 8 <= bytes.size();) {
        uint32_t size = bytes[pos + 4] | (bytes[pos + 5] << 8) | (bytes[pos + 6] << 16) |
                        (static_cast<uint32_t>(bytes[pos + 7]) << 24);
        if (std::memcmp(&bytes[pos], "data", 4) == 0)
            return {
                bytes.begin() + static_cast<long>(pos + 8),
                bytes.begin() + static_cast<long>(std::min<size_t>(bytes.size(), pos + 8 + size))};
        pos += 8 + size + (size & 1);
    }
    return {};
}

double Ours(const std::vector<uint8_t>& source, int channels) {
    mora::Settings settings;
    settings.EqOn = 1;
    settings.EqOverallGain = 0;
    settings.EqBands = {mora::EqBand{5000, 60, 20, 1}, mora::EqBand{1000, -30, 20, 1},
                        mora::EqBand{250, 40, 20, 1}};
    mora::InputDsp dsp;
    dsp.channels = channels;
    mora::ComputeAllSections(dsp, settings, 6);
    const mora::LevelTables tables = mora::BuildLevelTables();
    const uint32_t bufferBytes = kRate / 20 * 2 * channels;
    std::vector<uint8_t> data;
    unsigned checksum = 0;
    double cpu = 0;
    for (int round = 0; round < kRounds; ++round) {
        data = source;
        mora::ResetInputState(dsp);
        const double start = ProcessCpuSeconds();
        for (size_t done = 0; done < data.size(); done += bufferBytes) {
            const uint32_t n =
                static_cast<uint32_t>(std::min<size_t>(bufferBytes, data.size() - done));
            mora::ProcessInputBuffer(dsp, data.data() + done, n);
            checksum += mora::BufferLevel(tables, data.data() + done, n, 16);
        }
        cpu += ProcessCpuSeconds() - start;
    }
    if (checksum == 0xFFFFFFFF) std::puts("");
    return static_cast<double>(kSeconds) * kRounds / cpu;
}

double Sox(const std::string& in, const std::string& out) {
    const double start = ChildCpuSeconds();
    for (int round = 0; round < kRounds; ++round) {
        if (!Run({"sox", in, out, "equalizer", "5000", "2q", "6", "equalizer", "1000", "2q", "-3",
                  "equalizer", "250", "2q", "4", "vol", "6dB"}))
            return 0;
    }
    return static_cast<double>(kSeconds) * kRounds / (ChildCpuSeconds() - start);
}

}  // namespace

int main() {
    char folder[] = "/tmp/mora-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string dir = folder;
    int failed = 0;
    std::printf("input processing (DC + 3 EQ bands + gain + level), %d s at %d Hz, %d rounds\n",
                kSeconds, kRate, kRounds);
    std::printf("%-8s %22s %22s %8s\n", "", "mora (audio s/CPU s)", "sox (audio s/CPU s)", "ratio");
    for (int channels : {1, 2}) {
        const std::string in = dir + "/in" + std::to_string(channels) + ".wav";
        const std::string out = dir + "/out.wav";
        if (!Run({"sox", "-n", "-r", std::to_string(kRate), "-b", "16", "-c",
                  std::to_string(channels), in, "synth", std::to_string(kSeconds), "pinknoise",
                  "sine", "440", "vol", "0.4"})) {
            std::fprintf(stderr, "sox could not make the input file\n");
            failed = 1;
            break;
        }
        const double ours = Ours(WavData(in), channels);
        const double sox = Sox(in, out);
        std::printf("%-8s %22.0f %22.0f %7.2fx\n", channels == 1 ? "mono" : "stereo", ours, sox,
                    sox > 0 ? ours / sox : 0.0);
        std::remove(in.c_str());
        std::remove(out.c_str());
    }
    rmdir(folder);
    return failed;
}
