// Input buffers of 0.05 s through the sound server: how evenly they come back (median and 99th
// percentile of the interval between buffer-done callbacks on the event loop) and the CPU time
// the layer spends per second of audio, beside the CPU time of parecord recording the same
// length. Uses the user's sound server when one answers, else starts a private daemon.
//
//   bench_audio_device_jitter [SECONDS]     (default 10)

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/audio/pulse_system.h"
#include "platform/event_loop.h"
#include "tests/platform/audio/pulse_daemon.h"

namespace {
using Clock = std::chrono::steady_clock;

double CpuSeconds(const rusage& r) {
    return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

// Runs parecord for `seconds` and gives the CPU time it used, or -1.
double ParecordCpu(double seconds, const std::string& out) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execlp("parecord", "parecord", "--rate=44100", "--channels=1", "--format=s16le",
                 "--latency-msec=50", "--file-format=wav", out.c_str(), nullptr);
        ::_exit(127);
    }
    if (pid < 0) return -1;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    ::kill(pid, SIGINT);
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) return -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return -1;
    return CpuSeconds(usage);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (!(seconds >= 2)) {
        std::fprintf(stderr, "usage: bench_audio_device_jitter [SECONDS >= 2]\n");
        return 2;
    }
    mora::BlockingEventLoop loop;
    std::string error;
    std::unique_ptr<mora::test::PulseDaemon> daemon;
    auto system = mora::ConnectSoundServer(loop, 1000, error);
    const char* server = "the user's sound server";
    if (!system) {
        daemon = std::make_unique<mora::test::PulseDaemon>();
        if (!daemon->Ready()) {
            std::fprintf(stderr, "no sound server: %s\n", daemon->Error().c_str());
            return 1;
        }
        system = mora::ConnectSoundServer(loop, 5000, error);
        server = "a private PulseAudio daemon (null sink monitor)";
    }
    if (!system) {
        std::fprintf(stderr, "cannot connect: %s\n", error.c_str());
        return 1;
    }

    constexpr uint32_t kBytes = 4410;  // 0.05 s, 44100 Hz mono 16-bit, as the recorder uses
    std::vector<std::vector<uint8_t>> memory(16, std::vector<uint8_t>(kBytes));
    std::vector<mora::AudioBuffer> buffers(16);
    std::vector<Clock::time_point> times;
    const auto total = static_cast<size_t>(seconds * 20);
    std::unique_ptr<mora::AudioInput> input;
    auto done = [&](mora::AudioBuffer& b) {
        times.push_back(Clock::now());
        if (times.size() >= total + 20) {
            loop.Quit();
            return;
        }
        input->AddBuffer(b);
    };
    if (int rc =
            system->OpenInput(mora::kDefaultDevice, mora::PcmFormat{44100, 1, 16}, done, input)) {
        std::fprintf(stderr, "cannot open the input: %s\n", mora::AudioErrorText(rc).c_str());
        return 1;
    }
    for (int i = 0; i < 16; ++i) {
        buffers[i] = mora::AudioBuffer{memory[i].data(), kBytes, 0, static_cast<uintptr_t>(i), 0};
        input->Prepare(buffers[i]);
        input->AddBuffer(buffers[i]);
    }
    loop.StartTimer(1, static_cast<int>(seconds * 1000) + 10000, [&] { loop.Quit(); });
    rusage startUsage{};
    ::getrusage(RUSAGE_SELF, &startUsage);
    input->Start();
    loop.Run();
    input->Reset();
    input->Close();
    // CPU of the whole process, start-up included, as parecord's is counted below.
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double cpuTotal = CpuSeconds(usage);
    if (times.size() < total + 20) {
        std::fprintf(stderr, "only %zu buffers came back\n", times.size());
        return 1;
    }
    std::vector<double> intervals;
    for (size_t i = 21; i < times.size(); ++i)
        intervals.push_back(
            std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    const double audioSeconds = times.size() * 0.05;
    const double oursPerSecond = cpuTotal / audioSeconds;

    const std::string out = "/tmp/mora-bench-parecord-" + std::to_string(::getpid()) + ".wav";
    const double parecordCpu = ParecordCpu(audioSeconds, out);
    std::remove(out.c_str());

    std::printf("Sound server: %s\n", server);
    std::printf(
        "Input buffers of 0.05 s (44100 Hz mono 16-bit, 16 queued), %zu intervals after 1 s of "
        "settling\n",
        intervals.size());
    std::printf("  interval median  %7.2f ms\n", Percentile(intervals, 0.5));
    std::printf("  interval p99     %7.2f ms\n", Percentile(intervals, 0.99));
    std::printf("  interval max     %7.2f ms\n",
                *std::max_element(intervals.begin(), intervals.end()));
    std::printf("CPU per second of audio (whole process, %.1f s recorded)\n", audioSeconds);
    std::printf("  mora audio layer %7.3f ms/s (start-up and connection %.1f ms of it)\n",
                oursPerSecond * 1000, CpuSeconds(startUsage) * 1000);
    if (parecordCpu < 0) {
        std::printf("  parecord         not available\n");
        return 0;
    }
    const double theirsPerSecond = parecordCpu / audioSeconds;
    std::printf("  parecord         %7.3f ms/s\n", theirsPerSecond * 1000);
    std::printf("  ratio mora/parecord %.2f\n", oursPerSecond / theirsPerSecond);
    return 0;
}
