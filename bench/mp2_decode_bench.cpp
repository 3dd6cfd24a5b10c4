// Decoding an MP2 recording to 44100 Hz through the reader (as playback does), beside mpg123 and
// ffmpeg decoding the same file, in seconds of audio per second of CPU.
//
// usage: bench_mp2_decode [SECONDS]   (default 300 s of stereo 128 kbit/s audio)

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_reader.h"
#include "platform/ui_services.h"

namespace {
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// CPU seconds a shell command takes (its children included).
double ChildCpu(const std::string& command) {
    const double before = CpuSeconds(RUSAGE_CHILDREN);
    if (!Run(command)) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return CpuSeconds(RUSAGE_CHILDREN) - before;
}
}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
    char pattern[] = "/tmp/mora-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string dir = std::string(pattern) + "/";
    const std::string wav = dir + "in.wav", mp2 = dir + "in.mp2";
    if (!Run("sox -n -r 48000 -c 2 -b 16 " + wav + " synth " + std::to_string(seconds) +
             " pinknoise sine 300-3000 vol 0.4") ||
        !Run("ffmpeg -v error -y -i " + wav + " -c:a mp2 -b:a 128k -f mp2 " + mp2)) {
        std::fprintf(stderr, "could not make the test recording (sox, ffmpeg)\n");
        return 1;
    }

    mora::EngineFormat format;
    format.mp2BitrateIndex = 7;
    format.stereo = true;
    format.outputChannels = 2;
    mora::JStreamAudioReadMP2File reader(format);
    reader.Decoder().logPath = dir + "mp2dec.txt";
    const double start = CpuSeconds(RUSAGE_SELF);
    const uint32_t units = reader.ReadLength(mp2);
    reader.SetFileName(mp2);
    reader.StartAt(0);
    std::vector<int16_t> unit(mora::OutputFramesPerUnit(format) * 2);
    for (uint32_t i = 0; i < units; ++i) reader.GetUnit(unit.data());
    reader.CloseFile();
    const double ours = CpuSeconds(RUSAGE_SELF) - start;
    const double audio = units / 20.0;

    const double mpg123 = ChildCpu("mpg123 -q -w " + dir + "mpg123.wav " + mp2);
    const double ffmpeg =
        ChildCpu("ffmpeg -v error -y -i " + mp2 + " -ar 44100 " + dir + "ffmpeg.wav");
    std::filesystem::remove_all(dir);

    std::printf("MP2 stereo 128 kbit/s, %.0f s of audio, decoded to 44100 Hz\n", audio);
    std::printf("  %-26s %10.0f s audio / s CPU\n", "reader (libmad + converter)", audio / ours);
    std::printf("  %-26s %10.0f s audio / s CPU   speed ours/theirs %.2f\n", "mpg123 -w (48000 Hz)",
                audio / mpg123, mpg123 / ours);
    std::printf("  %-26s %10.0f s audio / s CPU   speed ours/theirs %.2f\n", "ffmpeg -ar 44100",
                audio / ffmpeg, ffmpeg / ours);
    return 0;
}
