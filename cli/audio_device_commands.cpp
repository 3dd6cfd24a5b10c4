// mora-cli devices / play / capture: the audio device layer from the shell, on the backend
// MORA_AUDIO chooses, driven by buffers exactly as the recorder and the player drive it.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/sample_io.h"
#include "platform/audio/wav_io.h"
#include "platform/event_loop.h"

namespace mora::cli {
namespace {
using Json = nlohmann::ordered_json;

constexpr int kWatchdogTimer = 1;
constexpr int kInterruptTimer = 2;
constexpr int kCaptureBuffers = 16;
constexpr int kPlayBuffers = 4;

std::unique_ptr<AudioSystem> OpenSystem(EventLoop& loop, const char* command) {
    auto choice = OpenAudioSystemFromEnvironment(loop);
    if (!choice.system) {
        std::fprintf(stderr, "mora-cli %s: MORA_AUDIO: %s\n", command, choice.error.c_str());
        return nullptr;
    }
    if (!choice.notice.empty()) std::fprintf(stderr, "%s\n", choice.notice.c_str());
    return std::move(choice.system);
}

int Fail(const char* command, const char* what, int code) {
    std::fprintf(stderr, "mora-cli %s: %s: %s\n", command, what, AudioErrorText(code).c_str());
    return kExitFailed;
}

// Parses a whole positive number; 0 when the text is not one.
int Devices(const Args& args) {
    BlockingEventLoop loop;
    auto system = OpenSystem(loop, "devices");
    if (!system) return kExitUsage;
    const auto inputs = system->InputDevices();
    const auto outputs = system->OutputDevices();
    if (args.Has("json")) {
        Json json;
        json["backend"] = system->Name();
        json["inputs"] = inputs;
        json["outputs"] = outputs;
        json["digitalCard"] = system->DigitalCard() != nullptr;
        std::cout << json.dump(2) << "\n";
        return kExitOk;
    }
    std::printf("Backend: %s\nInputs:\n", system->Name().c_str());
    for (size_t i = 0; i < inputs.size(); ++i) std::printf("  %zu: %s\n", i, inputs[i].c_str());
    std::printf("Outputs:\n");
    for (size_t i = 0; i < outputs.size(); ++i) std::printf("  %zu: %s\n", i, outputs[i].c_str());
    if (system->DigitalCard()) std::printf("Digital input card: PDAudio\n");
    return kExitOk;
}

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C ends playing or recording the ordinary way (the recording keeps what it has); the loop
// looks at the flag ten times a second, since a signal handler may not touch the loop.
void OnInterrupt(BlockingEventLoop& loop, std::function<void()> stop) {
    interrupted = 0;
    std::signal(SIGINT, [](int) { interrupted = 1; });
    loop.StartTimer(kInterruptTimer, 100, [&loop, stop = std::move(stop)] {
        if (!interrupted) return;
        interrupted = 0;
        loop.StopTimer(kInterruptTimer);
        stop();
    });
}

// Stops the loop when nothing has come back for far longer than the audio could take.
void Watchdog(BlockingEventLoop& loop, int ms, bool& timedOut) {
    loop.StartTimer(kWatchdogTimer, ms, [&loop, &timedOut] {
        timedOut = true;
        loop.Quit();
    });
}

int Play(const Args& args) {
    if (args.positional.size() != 1) {
        std::fprintf(stderr, "mora-cli play: name one WAV file\n");
        return kExitUsage;
    }
    const std::string& path = args.positional[0];
    std::FILE* file = std::fopen(path.c_str(), "rb");
    struct stat st {};
    if (!file || ::fstat(fileno(file), &st) != 0) {
        std::fprintf(stderr, "mora-cli play: %s: %s\n", path.c_str(), std::strerror(errno));
        if (file) std::fclose(file);
        return kExitFailed;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, &std::fclose);
    const int fd = fileno(file);
    WavLayout layout;
    std::string error;
    auto readAt = [fd](uint64_t offset, uint8_t* dst, size_t n) {
        const ssize_t got = ::pread(fd, dst, n, static_cast<off_t>(offset));
        return got < 0 ? size_t{0} : static_cast<size_t>(got);
    };
    if (!ParseWavFile(fd, layout, error)) {
        std::fprintf(stderr, "mora-cli play: %s: %s\n", path.c_str(), error.c_str());
        return kExitFailed;
    }

    BlockingEventLoop loop;
    auto system = OpenSystem(loop, "play");
    if (!system) return kExitUsage;
    const PcmFormat format = layout.format;
    const uint32_t bufferBytes = format.BytesPerSecond() / 20;  // 0.05 s
    std::vector<std::vector<uint8_t>> memory(kPlayBuffers, std::vector<uint8_t>(bufferBytes));
    std::vector<AudioBuffer> buffers(kPlayBuffers);
    uint64_t position = 0;
    int queued = 0;
    bool failed = false;
    bool timedOut = false;
    std::unique_ptr<AudioOutput> output;

    // Fills a buffer with the next samples and queues it; false at the end of the file.
    auto queue = [&](AudioBuffer& b) {
        const uint64_t left = layout.dataBytes - position;
        if (left == 0) return false;
        const auto n = static_cast<uint32_t>(left < bufferBytes ? left : bufferBytes);
        const size_t got = readAt(layout.dataOffset + position, b.data, n);
        if (got != n) return false;
        position += n;
        if (b.length != n) {  // the last, shorter buffer
            output->Unprepare(b);
            b.length = n;
            output->Prepare(b);
        }
        if (int rc = output->Write(b); rc != kAudioOk) {
            Fail("play", "writing a buffer", rc);
            failed = true;
            return false;
        }
        ++queued;
        return true;
    };
    auto done = [&](AudioBuffer& b) {
        --queued;
        Watchdog(loop, 5000, timedOut);
        if (!queue(b) && queued == 0) loop.Quit();
    };
    if (int rc = system->OpenOutput(kDefaultDevice, format, done, output); rc != kAudioOk)
        return Fail("play", "cannot open the output", rc);
    for (int i = 0; i < kPlayBuffers; ++i) {
        buffers[i] = AudioBuffer{memory[i].data(), bufferBytes, 0, static_cast<uintptr_t>(i), 0};
        output->Prepare(buffers[i]);
    }
    output->Pause();  // queue them all before the first is heard
    for (auto& b : buffers)
        if (!queue(b)) break;
    output->Restart();
    OnInterrupt(loop, [&] {
        position = layout.dataBytes;  // queue nothing more
        output->Reset();
    });
    if (queued > 0) {
        Watchdog(loop, 5000, timedOut);
        loop.Run();
    }
    output->Close();
    if (timedOut) {
        std::fprintf(stderr, "mora-cli play: the output stopped returning buffers\n");
        return kExitFailed;
    }
    return failed ? kExitFailed : kExitOk;
}

int Capture(const Args& args) {
    if (args.positional.size() != 2) {
        std::fprintf(stderr, "mora-cli capture: give SECONDS and OUT.wav\n");
        return kExitUsage;
    }
    // SECONDS may have a fraction, so it is the one number read here rather than by ParseNumber.
    char* end = nullptr;
    const double seconds = std::strtod(args.positional[0].c_str(), &end);
    if (*end || !(seconds > 0 && seconds <= 24 * 3600)) {
        Complain(args, "SECONDS takes a number above 0 and up to 86400");
        return kExitUsage;
    }
    const auto rate = NumberOption(args, "rate", 44100, 1000, 768000, "Hz");
    const auto channels = NumberOption(args, "channels", 1, 1, 2);
    if (!rate || !channels) return kExitUsage;
    PcmFormat format;
    format.rate = static_cast<uint32_t>(*rate);
    format.channels = static_cast<uint16_t>(*channels);
    const std::string& path = args.positional[1];

    BlockingEventLoop loop;
    auto system = OpenSystem(loop, "capture");
    if (!system) return kExitUsage;
    std::string error;
    auto sink = CreateWavSink(path, format, error);
    if (!sink) {
        std::fprintf(stderr, "mora-cli capture: %s\n", error.c_str());
        return kExitFailed;
    }
    const uint32_t bufferBytes = format.BytesPerSecond() / 20;
    const auto wanted = static_cast<uint64_t>(seconds * format.rate) * format.BlockAlign();
    std::vector<std::vector<uint8_t>> memory(kCaptureBuffers, std::vector<uint8_t>(bufferBytes));
    std::vector<AudioBuffer> buffers(kCaptureBuffers);
    uint64_t taken = 0;
    int queued = 0;
    bool stopping = false;
    bool timedOut = false;
    std::unique_ptr<AudioInput> input;

    auto finish = [&] {
        if (stopping) return;
        stopping = true;
        input->Reset();
    };
    auto done = [&](AudioBuffer& b) {
        --queued;
        const uint64_t n = std::min<uint64_t>(b.bytesRecorded, wanted - taken);
        sink->Write(b.data, n);
        taken += n;
        // A short buffer while recording means the input has no more to give.
        if (taken >= wanted || (b.bytesRecorded < b.length && !stopping)) finish();
        if (!stopping && input->AddBuffer(b) == kAudioOk) ++queued;
        if (stopping && queued == 0) loop.Quit();
        if (!stopping) Watchdog(loop, 5000, timedOut);
    };
    if (int rc = system->OpenInput(kDefaultDevice, format, done, input); rc != kAudioOk)
        return Fail("capture", "cannot open the input", rc);
    for (int i = 0; i < kCaptureBuffers; ++i) {
        buffers[i] = AudioBuffer{memory[i].data(), bufferBytes, 0, static_cast<uintptr_t>(i), 0};
        if (int rc = input->Prepare(buffers[i]); rc != kAudioOk)
            return Fail("capture", "preparing a buffer", rc);
        if (int rc = input->AddBuffer(buffers[i]); rc != kAudioOk)
            return Fail("capture", "queuing a buffer", rc);
        ++queued;
    }
    if (int rc = input->Start(); rc != kAudioOk)
        return Fail("capture", "cannot start the input", rc);
    Watchdog(loop, 5000, timedOut);
    OnInterrupt(loop, finish);
    loop.Run();
    input->Close();
    sink.reset();
    if (timedOut) {
        std::fprintf(stderr, "mora-cli capture: the input stopped delivering buffers\n");
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar kDevices{{
    "devices",
    "[--json]",
    "Lists the audio inputs and outputs of the backend that MORA_AUDIO chooses (the sound\n"
    "server unless it says null, file:IN.wav[,OUT.wav], or adds +maycom or +pdaudio).",
    {},
    {"json"},
    Devices,
}};

const CommandRegistrar kPlay{{
    "play",
    "FILE.wav",
    "Plays a 16- or 24-bit PCM WAV file through the default output, four buffers of 0.05 s\n"
    "queued at a time, until the file ends.",
    {},
    {},
    Play,
}};

const CommandRegistrar kCapture{{
    "capture",
    "SECONDS OUT.wav [--rate R] [--channels C]",
    "Records SECONDS of 16-bit PCM from the default input into OUT.wav, with 16 buffers of\n"
    "0.05 s queued as the recorder does. Rate 44100 and one channel unless given; an input\n"
    "that ends earlier (a file device) ends the recording there.",
    {"rate", "channels"},
    {},
    Capture,
}};

}  // namespace
}  // namespace mora::cli
