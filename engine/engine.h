#pragma once
// The audio engine: the recorder and the player over the audio device layer. Everything runs on
// the program's one event loop; the devices hand every buffer back as a posted callback, and
// each step of recording or playing runs inside that callback. The record and editor screens
// drive the engine through the operations below and learn what happened through EngineEvents.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio_reader.h"
#include "audio/engine_format.h"
#include "audio/input_processing.h"
#include "audio/level_file.h"
#include "audio/level_meter.h"
#include "engine/engine_project.h"
#include "engine/processor_load.h"
#include "platform/audio/audio_device.h"
#include "platform/audio/simulated_devices.h"
#include "publish/audio_writer_factory.h"
#include "settings/settings.h"

namespace mora {

class EventLoop;

inline constexpr int kEngineSlots = 16;
inline constexpr uint32_t kSlotBytes = 115200;
inline constexpr int kPlaySlots = 4;
inline constexpr uint32_t kClosingBufferBytes = 512;
// A recording shorter than this many level values at shift 2 (one second) is dropped.
inline constexpr uint32_t kShortestRecording = 20;
// The level file of the recording in progress is rewritten this often (in saved buffers, about
// five seconds at shift 2), so a crash loses little.
inline constexpr uint32_t kCheckpointBuffers = 100;

// The transport states the record and editor screens share with the player.
enum Transport : int {
    kStopped = 0,
    kArmed = 1,
    kRecording = 2,
    kPlaying = 3,
    kFastForward = 4,
    kRewind = 5,
    kPlayAll = 6,
};

// What the engine stands on; every reference must outlive the engine.
struct EngineContext {
    EventLoop& loop;
    AudioSystem& audio;
    Settings& settings;
    LastState& lastState;  // input gain, interface gain and volume, playback volume
    EngineFormat& format;
    InputDsp& dsp;
    RecordingEdit& edit;  // the current recording's levels, markers, cuts and crop range
    // The current reader, which plays the current recording (replaced by OpenRecording).
    std::unique_ptr<JStreamAudioReadFile>& reader;
    EngineProject& project;
    InternetState& internet;
    // The external interface's input device (-1 when there is none) and its control block.
    int interfaceDevice = -1;
    MaycomControl interfaceControl{};
    // Free bytes on the medium of a folder; the file system's figure unless replaced.
    std::function<std::optional<uint64_t>(const std::string&)> freeBytes;
};

// Notifications for the screens; every member may be left empty.
struct EngineEvents {
    std::function<void()> stateChanged;     // input, saving or playing started or stopped
    std::function<void(uint8_t)> level;     // the level value of each buffer (meter)
    std::function<void(uint32_t)> marker;   // a marker was inserted: its 1-based number
    std::function<void(bool)> blink;        // the recording indicator while armed
    std::function<void(int32_t)> position;  // the shown play position moved
    std::function<void()> viewsChanged;     // a recording was added or dropped, or play-all moved
};

struct EngineSlot {
    int index = 0;
    bool queued = false;
    uint8_t level = kLevelSilent;
    AudioBuffer header;
    std::vector<uint8_t> data;
};

class Engine {
  public:
    explicit Engine(EngineContext context);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    EngineEvents events;

    // ---- Recorder ----
    // Opens and starts the input (monitoring). 0 ok, 1 failed (the reason was shown) or refused
    // because the input or playback is running.
    int StartInput();
    // Saving starts with the first buffer that comes back after this call, into the project's
    // next recording.
    void RequestSaving();
    // Stops the input; saving ends when the last buffer is back.
    void StopInput();
    void CloseInput();
    // While saving: a marker at the saved-buffer count.
    void InsertMarker();
    // Chooses WAV or MP2 recordings (the writer kind and the reader kind follow).
    void SetRecordingMode(bool mp2);
    // The external interface's input gain (126..254) and output volume (111..127).
    void MaycomGainStep(int delta);
    void MaycomVolumeStep(int delta);
    // The interface's current peak for the meter (falls by an eighth per reading).
    uint32_t MaycomPeak();
    // The software input gain in whole dB (0..40).
    void GainStep(int delta);

    bool InputRunning() const { return inputRunning_; }
    bool Saving() const { return saving_; }
    bool SavingRequested() const { return countdown_ > 0; }
    uint32_t SavedBuffers() const { return savedBuffers_; }
    uint32_t LimitBuffers() const { return limit_; }
    uint8_t CurrentLevel() const { return currentLevel_; }
    // The recording being saved or last saved: its audio path.
    const std::string& RecordingPath() const { return recordingPath_; }
    // The last recording stopped was dropped for being too short.
    bool LastDropped() const { return lastDropped_; }

    // ---- Player ----
    // Plays the current recording (OpenRecording) from the play position to the play end through
    // `channels` output channels. 0 ok, 1 refused or failed.
    int StartPlaying(int channels);
    void StopPlaying();
    void ExitPlaying();
    // Moves the play position, playing or not.
    void RestartPlaying(int32_t position);
    // Opens `audioPath` with the reader of its kind; its length in level units (0: refused).
    uint32_t OpenRecording(const std::string& audioPath);
    // Where playback ends (the end of the selection); by default the crop end or the level
    // count.
    void SetPlayEnd(uint32_t unit) { playEnd_ = unit; }
    uint32_t PlayEnd() const;
    // Fast forward and rewind while playing: the transport moves by 20 units per two buffers.
    void Wind(bool forward);
    void SetTransport(int state);
    int TransportState() const { return transport_; }

    bool Playing() const { return playing_; }
    bool OutputOpen() const { return output_ != nullptr; }
    int32_t ReadPosition() const { return readPos_; }
    int32_t ShownPosition() const { return shownPos_; }
    JStreamAudioReadFile* Reader() { return c_.reader.get(); }

    // ---- Both ----
    // The share of real time the buffer handlers took over the last seconds (0..1).
    double LoadShare() const { return load_.Share(); }
    const ProcessorLoad& Load() const { return load_; }
    // During shutdown the devices close directly.
    void SetShuttingDown() { shuttingDown_ = true; }

  private:
    friend class EngineTestAccess;

    // Recorder steps.
    void OnInputBuffer(AudioBuffer& header);
    int OpenCardInput(uint32_t& bufferLength);
    bool ComputeLimit();
    void CreateWriter();
    void QueueInputSlot(EngineSlot& slot);
    void StartSaving();
    void StopSaving();
    void Checkpoint();
    void StopWithMessage(const std::string& text);
    uint32_t InputBufferLength() const;

    // Player steps.
    void OnOutputBuffer(AudioBuffer& header);
    void RestoreReaderFormat();
    void FillAndQueue(EngineSlot& slot);
    bool AdvanceTransport();
    bool AdvancePlay();
    void AdvanceWind();
    bool NextPlayAllRecording();
    void QueueClosingBuffer();
    void ShowPosition(int32_t shown);
    const VuCut* CutStartingAt(int32_t unit) const;
    const VuCut* CutHolding(int32_t unit) const;

    void StateChanged() {
        // Recording or playing that ended by itself leaves the transport stopped.
        if (!inputRunning_ && !saving_ && countdown_ == 0 && !playing_) transport_ = kStopped;
        c_.project.EngineBusy(inputRunning_ || saving_, playing_);
        Notify(events.stateChanged);
    }
    void Notify(const std::function<void()>& fn) {
        if (fn) fn();
    }

    EngineContext c_;
    LevelTables tables_;
    std::array<EngineSlot, kEngineSlots> slots_;
    std::vector<uint8_t> closingData_;
    AudioBuffer closing_{};
    bool shuttingDown_ = false;
    ProcessorLoad load_;
    // Callbacks posted to the loop check this before touching the engine.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    // Recorder state.
    std::unique_ptr<AudioInput> input_;
    bool cardOpen_ = false;
    bool inputRunning_ = false;
    bool saving_ = false;
    int countdown_ = 0;
    int blink_ = 0;
    bool blinkOn_ = false;
    uint32_t savedBuffers_ = 0;
    uint32_t limit_ = 0;
    uint32_t bufferLength_ = 0;
    uint8_t currentLevel_ = kLevelSilent;
    uint32_t maycomPeak_ = 0;
    std::string recordingName_;
    std::string recordingPath_;
    bool lastDropped_ = false;
    bool recordingMp2_ = false;
    AudioWriteFormat writeFormat_;
    AudioWriterSlot writers_;
    std::string writerFolder_;

    // Player state.
    std::unique_ptr<AudioOutput> output_;
    // The format as the reader left it, restored when playing starts (recording changes it).
    EngineFormat playFormat_;
    const JStreamAudioReadFile* playReader_ = nullptr;  // the reader playFormat_ belongs to
    bool playing_ = false;
    int transport_ = kStopped;
    int32_t readPos_ = 0;
    int32_t shownPos_ = 0;
    std::optional<uint32_t> playEnd_;
    int startup_ = 0;
    int jump_ = 0;
    bool fillEnded_ = false;  // nothing more to queue: the play end was reached
};

}  // namespace mora
