#include "tests/engine/engine_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "audio/recording_reader.h"
#include "platform/audio/audio_system.h"
#include "platform/riff.h"

namespace mora::test {

std::string FolderProject::NextRecording() {
    char name[32];
    std::snprintf(name, sizeof name, "take%.2d", ++number);
    return name;
}

void FolderProject::PreviousRecording() {
    if (number >= -1) --number;
}

void FolderProject::AppendRecording(const std::string& audioPath, uint32_t length) {
    list.push_back({audioPath, length});
    current = static_cast<int>(list.size()) - 1;
}

std::string FolderProject::SelectNextRecording() {
    if (current + 1 >= static_cast<int>(list.size())) return {};
    ++current;
    if (edit) LoadVuFile(*edit, LevelFilePathOf(list[current].path));
    return list[current].path;
}

std::vector<int16_t> TestSignal(uint32_t frames, int channels, uint32_t rate) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    double phase = 0;
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        phase += 2 * M_PI * (300 + 200 * std::sin(2 * M_PI * 0.7 * t)) / rate;
        const double loud = 6000 + 5000 * std::sin(2 * M_PI * 1.3 * t);
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(loud * std::sin(phase + c) + 300);
    }
    return out;
}

void WriteWav(const std::string& path, const std::vector<int16_t>& samples, int channels,
              uint32_t rate) {
    const auto header = PcmWavHeader(static_cast<uint16_t>(channels), rate, 16, samples.size() * 2);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header.data(), 1, header.size(), f);
    std::fwrite(samples.data(), 2, samples.size(), f);
    std::fclose(f);
}

std::vector<int16_t> WavSamples(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    std::vector<int16_t> out;
    if (bytes.size() < 44) return out;
    out.resize((bytes.size() - 44) / 2);
    std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
    return out;
}

EngineRig::EngineRig(const std::string& inWav, const std::string& extra, int interfaceDevice) {
    std::string choice = "file:" + inWav + "," + dir.File("out.wav") + ",fast" + extra;
    audio = OpenAudioSystem(loop, choice).system;
    format.levelShift = 2;
    EngineContext context{loop,   *audio,  settings, lastState,       format, dsp, edit,
                          reader, project, internet, interfaceDevice, {},     {}};
    context.freeBytes = [this](const std::string&) { return freeBytes; };
    engine = std::make_unique<Engine>(context);
    engine->events.position = [this](int32_t p) { positions.push_back(p); };
    project.edit = &edit;
}

EngineRig::~EngineRig() {
    engine.reset();
    loop.RunPending();
}

void EngineRig::Record(uint32_t buffers, const std::vector<uint32_t>& marks) {
    engine->events.level = [this, buffers, marks](uint8_t) {
        for (uint32_t m : marks)
            if (engine->SavedBuffers() == m && engine->Saving()) engine->InsertMarker();
        if (engine->Saving() && engine->SavedBuffers() + 1 >= buffers) engine->StopInput();
    };
    if (engine->StartInput() != 0) return;
    engine->RequestSaving();
    loop.RunPending();
    engine->events.level = nullptr;
}

void EngineRig::PlayToEnd(int channels) {
    positions.clear();
    engine->StartPlaying(channels);
    loop.RunPending();
}

}  // namespace mora::test
