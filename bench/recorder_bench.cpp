// The whole recorder, end to end: a minute of audio read by the file input device as fast as the
// engine takes it, processed, metered and encoded to MP2 through the engine's buffer handler, in
// CPU seconds beside the twolame command encoding the same audio already at 48 kHz. Also the
// worst buffer-handler times, which must stay far below the 50 ms a buffer lasts.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "bench/bench_audio.h"
#include "bench/bench_util.h"
#include "engine/engine.h"
#include "platform/audio/audio_system.h"
#include "platform/audio/wav_io.h"
#include "platform/event_loop.h"
#include "tests/support/temp_dir.h"

namespace {
using namespace mora;
using bench::TestAudio;
using bench::WriteWav;

class BenchProject : public EngineProject {
  public:
    explicit BenchProject(std::string folder) : folder_(std::move(folder)) {}
    std::string Folder() const override { return folder_; }
    bool Mp2() const override { return true; }
    bool RecordToFtp() const override { return false; }
    std::string NextRecording() override { return "bench00"; }
    void PreviousRecording() override {}
    void AppendRecording(const std::string&, uint32_t) override {}
    void SaveProject() override {}
    std::string SelectNextRecording() override { return {}; }

  private:
    std::string folder_;
};

struct RecorderRun {
    double cpu = 0;
    double worstP99Ms = 0;
    double maxMs = 0;
};

RecorderRun Record(const std::string& folder, const std::string& in, int channels, int index,
                   bool eq) {
    ManualEventLoop loop;
    auto audio = OpenAudioSystem(loop, "file:" + in + ",,fast").system;
    Settings settings;
    settings.EqOn = eq ? 1 : 0;
    settings.EqBands = {EqBand{5000, 60, 20, 1}, EqBand{1000, -30, 20, 1}, EqBand{250, 40, 20, 1}};
    settings.RecordStereo = channels == 2 ? 1 : 0;
    settings.Mp2BitrateIndex = static_cast<uint8_t>(index);
    LastState lastState;
    lastState.RecordGain = 6;
    EngineFormat format;
    InputDsp dsp;
    RecordingEdit edit;
    std::unique_ptr<JStreamAudioReadFile> reader;
    BenchProject project(folder);
    InternetState internet;
    Engine engine({loop,
                   *audio,
                   settings,
                   lastState,
                   format,
                   dsp,
                   edit,
                   reader,
                   project,
                   internet,
                   -1,
                   {},
                   {}});
    RecorderRun run;
    engine.events.level = [&](uint8_t) {
        if (engine.SavedBuffers() % 100 == 99)
            run.worstP99Ms = std::max(run.worstP99Ms, engine.Load().Percentile99().count() / 1e6);
    };
    const double start = bench::SelfCpu();
    engine.StartInput();
    engine.RequestSaving();
    loop.RunPending();  // the input stops by itself at the end of the file
    run.cpu = bench::SelfCpu() - start;
    run.maxMs = engine.Load().Max().count() / 1e6;
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

// Rounds alternate ours and twolame, so that a machine whose speed wanders (shared cores,
// frequency steps) treats both alike; the medians and the median of each round's ratio are
// printed. MORA_BENCH_ROUNDS sets the count (5 by default). Each round also records with the
// equaliser switched off, to show what its three sections cost, and runs the same processing
// with sox piped into twolame.
int main() {
    test::TempDir dir;
    const uint32_t seconds = 60;
    const char* roundsText = std::getenv("MORA_BENCH_ROUNDS");
    const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 5);
    for (int channels : {1, 2}) {
        const int index = channels == 2 ? 7 : 3;
        const char* kbps = channels == 2 ? "128" : "64";
        const std::string in441 = dir.File("in441.wav"), in48 = dir.File("in48.wav");
        WriteWav(in441, TestAudio(44100, seconds, channels), channels, 44100);
        WriteWav(in48, TestAudio(48000, seconds, channels), channels, 48000);
        const std::string command = std::string("twolame ") + (channels == 2 ? "-m s" : "-m m") +
                                    " -b " + kbps + " " + in48 + " " + dir.File("t.mp2");
        // The same work done by the usual tools: sox removes DC, runs the three bands and the gain
        // and converts to 48 kHz, and twolame encodes what it pipes.
        const std::string ch = std::to_string(channels);
        const std::string chain =
            "sox " + in441 +
            " -t raw -e signed -b 16 - highpass 7 equalizer 5000 2q 6 equalizer 1000 2q -3 "
            "equalizer 250 2q 4 gain 6 rate -l 48000 | twolame -r -s 48000 -N " +
            ch + (channels == 2 ? " -m s" : " -m m") + " -b " + kbps + " - " + dir.File("s.mp2");
        std::vector<double> ours, plain, theirs, ratios, tools;
        RecorderRun worst;
        for (int r = 0; r < rounds; ++r) {
            // Which of the two records first changes from round to round, so neither always
            // meets the files the other left.
            if (r % 2) plain.push_back(Record(dir.Path(), in441, channels, index, false).cpu);
            const RecorderRun run = Record(dir.Path(), in441, channels, index, true);
            if (r % 2 == 0) plain.push_back(Record(dir.Path(), in441, channels, index, false).cpu);
            worst.worstP99Ms = std::max(worst.worstP99Ms, run.worstP99Ms);
            worst.maxMs = std::max(worst.maxMs, run.maxMs);
            ours.push_back(run.cpu);
            const double twolame = bench::ChildCpu(command);
            if (twolame > 0) {
                theirs.push_back(twolame);
                ratios.push_back(run.cpu / twolame);
            }
            const double toolChain = bench::ChildCpu(chain);
            if (toolChain > 0) tools.push_back(toolChain);
        }
        const std::string what =
            std::string("recorder MP2 ") + (channels == 2 ? "stereo 128k" : "mono 64k");
        const double twolame = theirs.empty() ? -1 : Median(theirs);
        bench::Compare(what.c_str(), seconds, Median(ours), "twolame (48k in)", twolame);
        if (twolame > 0)
            std::printf(
                "%-40s CPU per recorded second (median of %d): ours %.2f ms, twolame %.2f ms, "
                "ours/twolame %.2fx (median of the rounds' ratios %.2fx)\n",
                what.c_str(), rounds, Median(ours) * 1000 / seconds, twolame * 1000 / seconds,
                Median(ours) / twolame, Median(ratios));
        if (twolame > 0)
            std::printf("%-40s without the equaliser: ours %.2f ms, ours/twolame %.2fx\n",
                        what.c_str(), Median(plain) * 1000 / seconds, Median(plain) / twolame);
        if (!tools.empty())
            std::printf("%-40s sox (DC, EQ, gain, 48k) | twolame: %.2f ms, ours/that %.2fx\n",
                        what.c_str(), Median(tools) * 1000 / seconds, Median(ours) / Median(tools));
        std::printf(
            "%-40s buffer handler: p99 %.2f ms (worst 5 s window), max %.2f ms, buffer "
            "50 ms\n",
            what.c_str(), worst.worstP99Ms, worst.maxMs);
    }
    return 0;
}
