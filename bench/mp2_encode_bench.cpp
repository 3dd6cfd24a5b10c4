// The MP2 recording pipeline (input processing, 44.1 kHz PCM resampled to 48 kHz, encoded) in
// seconds of audio per CPU second, beside the twolame command on the same audio already at 48 kHz
// and ffmpeg converting and encoding the 44.1 kHz input; and a PCM Broadcast Wave publication of an
// hour of audio beside sox converting it to 48 kHz.

#include <cmath>
#include <numbers>
#include <vector>

#include "audio/bwf_file_writers.h"
#include "audio/input_processing.h"
#include "audio/level_meter.h"
#include "audio/mp2_encoder.h"
#include "audio/wav_file_writer.h"
#include "bench/bench_audio.h"
#include "bench/bench_util.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace {
using namespace mora;
using bench::TestAudio;
using bench::WriteWav;

class NullMp2 : public JStreamWrMP2 {
  public:
    size_t bytes = 0;

  protected:
    void WriteEncoded(const uint8_t*, uint32_t count) override { bytes += count; }
};

// What the recorder does with every buffer of 0.05 s: DC removal, three equaliser bands and
// gain in place, the level byte, then the encoder.
double RecordCpu(std::vector<int16_t> pcm, int channels, int bitrateIndex) {
    Settings settings;
    settings.EqOn = 1;
    settings.EqBands = {EqBand{5000, 60, 20, 1}, EqBand{1000, -30, 20, 1}, EqBand{250, 40, 20, 1}};
    InputDsp dsp;
    dsp.channels = channels;
    ComputeAllSections(dsp, settings, 6);
    const LevelTables tables = BuildLevelTables();
    NullMp2 enc;
    enc.SetBitrate(bitrateIndex);
    const double start = bench::SelfCpu();
    enc.StartEncoder({channels == 2, 44100, 44100});
    const uint32_t buffer = 2205;
    const uint32_t frames = static_cast<uint32_t>(pcm.size()) / static_cast<uint32_t>(channels);
    unsigned levels = 0;
    for (uint32_t at = 0; at < frames; at += buffer) {
        const uint32_t n = std::min(buffer, frames - at);
        int16_t* samples = pcm.data() + size_t{at} * static_cast<size_t>(channels);
        auto* bytes = reinterpret_cast<uint8_t*>(samples);
        const uint32_t length = n * static_cast<uint32_t>(channels) * 2;
        ProcessInputBuffer(dsp, bytes, length);
        levels += BufferLevel(tables, bytes, length, 16);
        enc.EncodeSamples(samples, n);
    }
    enc.FinishEncoder();
    const double cpu = bench::SelfCpu() - start;
    if (levels == 0xFFFFFFFF) std::printf("(levels %u)\n", levels);  // keeps the work observable
    return cpu;
}
}  // namespace

int main() {
    test::TempDir dir;
    const uint32_t seconds = 60;
    for (int channels : {1, 2}) {
        const int index = channels == 2 ? 7 : 3;
        const char* kbps = channels == 2 ? "128" : "64";
        auto pcm = TestAudio(44100, seconds, channels);
        auto pcm48 = TestAudio(48000, seconds, channels);
        const std::string in441 = dir.File("in441.wav"), in48 = dir.File("in48.wav");
        WriteWav(in441, pcm, channels, 44100);
        WriteWav(in48, pcm48, channels, 48000);
        const double ours = RecordCpu(pcm, channels, index);
        const std::string mode = channels == 2 ? "-m s" : "-m m";
        const double twolame = bench::ChildCpu("twolame " + mode + " -b " + kbps + " " + in48 +
                                               " " + dir.File("t.mp2"));
        const double ffmpeg =
            bench::ChildCpu("ffmpeg -y -v error -i " + in441 + " -ar 48000 -c:a mp2 -b:a " + kbps +
                            "k " + dir.File("f.mp2"));
        const std::string what =
            std::string("record MP2 ") + (channels == 2 ? "stereo 128k" : "mono 64k");
        bench::Compare(what.c_str(), seconds, ours, "twolame (48k in)", twolame);
        bench::Compare(what.c_str(), seconds, ours, "ffmpeg -ar 48000 mp2", ffmpeg);
    }

    // One hour of a mono 44.1 kHz recording published as a 48 kHz PCM Broadcast Wave file.
    const uint32_t hour = 3600;
    auto pcm = TestAudio(44100, 60, 1);
    std::vector<int16_t> longPcm;
    longPcm.reserve(size_t{44100} * hour);
    for (uint32_t m = 0; m < hour / 60; ++m) longPcm.insert(longPcm.end(), pcm.begin(), pcm.end());
    const std::string hourWav = dir.File("hour.wav");
    WriteWav(hourWav, longPcm, 1, 44100);
    AudioWriteFormat format;
    BwfSource source;
    BwfClip clip;
    clip.name = "hour";
    clip.levels.assign(size_t{20} * hour, 30);
    source.clips = {clip};
    const double start = bench::SelfCpu();
    {
        JStreamAudioWriteBWFWavFile w(format, dir.Path());
        w.SetMetadata(BuildBwfMetadata(source));
        w.Open("hour");
        const auto* bytes = reinterpret_cast<const uint8_t*>(longPcm.data());
        const size_t total = longPcm.size() * 2;
        for (size_t at = 0; at < total; at += 4410)
            w.WriteSamples(bytes + at, static_cast<uint32_t>(std::min<size_t>(4410, total - at)));
        w.Finish();
        w.Close();
    }
    const double ours = bench::SelfCpu() - start;
    const double sox = bench::ChildCpu("sox " + hourWav + " -r 48000 " + dir.File("sox.wav"));
    bench::Compare("publish 1 h WAV as 48 kHz BWF", hour, ours, "sox -r 48000", sox);
    return 0;
}
