#pragma once
// An engine on the deterministic event loop and the file devices (as fast as the engine queues),
// with a project whose recordings are numbered files in a temporary folder.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "net/ftp_stream.h"
#include "platform/event_loop.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_dir.h"

namespace mora::test {

// Recordings "takeNN" in one folder; the list holds what AppendRecording added.
class FolderProject : public EngineProject {
  public:
    explicit FolderProject(std::string folder) : folder_(std::move(folder)) {}
    std::string Folder() const override { return folder_; }
    bool Mp2() const override { return mp2; }
    bool RecordToFtp() const override { return toFtp; }
    std::string NextRecording() override;
    void PreviousRecording() override;
    void AppendRecording(const std::string& audioPath, uint32_t length) override;
    void SaveProject() override { ++saves; }
    std::string SelectNextRecording() override;

    bool mp2 = false;
    bool toFtp = false;
    int number = -1;
    int saves = 0;
    int current = -1;  // index into `list`
    struct Entry {
        std::string path;
        uint32_t length;
    };
    std::vector<Entry> list;
    // Play-all loads the next recording's level file into this edit state.
    RecordingEdit* edit = nullptr;

  private:
    std::string folder_;
};

// Interleaved 16-bit samples: a tone whose pitch and loudness vary, so that any misplaced
// buffer shows.
std::vector<int16_t> TestSignal(uint32_t frames, int channels, uint32_t rate = 44100);
void WriteWav(const std::string& path, const std::vector<int16_t>& samples, int channels,
              uint32_t rate = 44100);
// The samples of a 16-bit WAV file (after its 44-byte header).
std::vector<int16_t> WavSamples(const std::string& path);

struct EngineRig {
    // Input from `inWav` (may be empty for silence), output into dir/out.wav; with an
    // `interfaceDevice` the input runs at the external interface's 48 kHz.
    explicit EngineRig(const std::string& inWav = "", const std::string& extra = "",
                       int interfaceDevice = -1);
    ~EngineRig();

    // Starts the input, asks for saving and lets `buffers` buffers be saved, then stops and runs
    // the loop until the input is closed. Markers go in after the saved counts in `marks`.
    void Record(uint32_t buffers, const std::vector<uint32_t>& marks = {});
    // Plays until the output is closed again.
    void PlayToEnd(int channels);

    ScriptedUi ui;
    TempDir dir;
    ManualEventLoop loop;
    std::unique_ptr<AudioSystem> audio;
    Settings settings;
    LastState lastState;
    EngineFormat format;
    InputDsp dsp;
    RecordingEdit edit;
    std::unique_ptr<JStreamAudioReadFile> reader;
    FolderProject project{dir.Path()};
    InternetState internet;
    std::optional<uint64_t> freeBytes = uint64_t{1} << 34;
    std::unique_ptr<Engine> engine;
    std::vector<int32_t> positions;
};

}  // namespace mora::test
