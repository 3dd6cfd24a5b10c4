// The recorder: input slots, the buffer-done handler, saving into the project's next recording.

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "audio/eq_presets.h"
#include "audio/mp2_bitrate.h"
#include "audio/mp2_encoder.h"
#include "audio/recording_reader.h"
#include "engine/engine.h"
#include "platform/event_loop.h"
#include "platform/trace.h"
#include "platform/ui_services.h"
#include "stream/report.h"

namespace mora {

namespace {

constexpr char kNoTimeLeft[] =
    "You have no recording-\ntime left in your current\nproject. Please open\nanother project "
    "on\nanother storage medium.";
constexpr char kLevelArrayFull[] =
    "The recording has reached the longest length a recording can have and was stopped.";
constexpr char kMarkerTableFull[] =
    "The recording holds as many markers as a recording can have and was stopped.";

uint32_t BufferBase(uint32_t rate) {
    return rate == 48000 || rate == 96000 ? 19200 : 17640;
}

}  // namespace

uint32_t Engine::InputBufferLength() const {
    const uint32_t channels = c_.format.stereo ? 2 : 1;
    return (BufferBase(c_.format.recordingRate) >> c_.format.levelShift) * channels *
           static_cast<uint32_t>(c_.format.width) / 16;
}

int Engine::OpenCardInput(uint32_t& bufferLength) {
    PdAudioCard* card = c_.audio.DigitalCard();
    const PdAudioStatus status =
        card ? card->Open(c_.settings.PdAudioInput) : PdAudioStatus::kCardMissing;
    if (status != PdAudioStatus::kOk) {
        ReportError(status == PdAudioStatus::kNoDriver ? "No driver installed"
                                                       : "No PDAudio card present");
        return 1;
    }
    cardOpen_ = true;
    int code = -1;
    for (int attempt = 0; attempt < 10 && code < 0; ++attempt) {
        code = card->RateCode();
        if (code < 0) ::usleep(10000);
    }
    const uint32_t rate = PdAudioRateOf(code);
    const uint32_t channels = c_.format.stereo ? 2 : 1;
    const uint32_t shift = c_.format.levelShift;
    if (rate == 44100 || rate == 48000) {
        c_.format.width = recordingMp2_ ? 16 : 24;
        bufferLength = (BufferBase(rate) >> shift) * channels * c_.format.width / 16;
    } else if (rate == 88100 || rate == 96000) {
        if (recordingMp2_) {
            ReportError("Sample rate not supported at mp2-recording");
            return 1;
        }
        c_.format.width = 24;
        bufferLength = (BufferBase(rate) >> shift) * channels * 3;
    } else {
        ReportError("No valid digital input signal");
        return 1;
    }
    if (!card->SignalPresent()) {
        Ui().MessageBox("PDAudio", "Record Fail no S/PDIF input\n", MsgIcon::Error, MsgButtons::Ok);
        ReportError("No valid digital input signal");
        return 1;
    }
    // The card names the 88.2 kHz class 88100; the files say what it is.
    c_.format.recordingRate = rate == 88100 ? 88200 : rate;
    PcmFormat pcm{rate, static_cast<uint16_t>(channels), static_cast<uint16_t>(c_.format.width)};
    std::weak_ptr<bool> alive = alive_;
    auto done = [this, alive](AudioBuffer& b) {
        if (alive.lock()) OnInputBuffer(b);
    };
    if (card->OpenInput(pcm, done, input_) != kAudioOk) {
        input_.reset();
        ReportError("waveInOpen");
        return 1;
    }
    return 0;
}

bool Engine::ComputeLimit() {
    limit_ = 0;
    const auto free = c_.freeBytes(c_.project.Folder());
    const uint64_t kb = free ? *free / 1024 : 0;
    if (kb > 1040) {
        const uint64_t d =
            recordingMp2_
                ? uint64_t{kMp2BitratesKbps[std::min<size_t>(c_.format.mp2BitrateIndex, 11)]} *
                      1000 / 64
                : uint64_t{c_.format.recordingRate / 4} * (c_.format.stereo ? 2 : 1) *
                      static_cast<uint64_t>(c_.format.width) / 16;
        const uint64_t seconds = d ? ((kb - 1024) * 128) / d : 0;
        const uint64_t limit = uint64_t{LevelUnitsPerSecond(c_.format)} * seconds;
        limit_ = limit > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(limit);
    }
    if (limit_ == 0) {
        Ui().MessageBox("Error", kNoTimeLeft, MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    return true;
}

void Engine::CreateWriter() {
    writeFormat_ = WriterFormat(c_.format, true);
    const std::string folder = c_.project.Folder();
    // A writer writes into the folder it was made for.
    if (folder != writerFolder_) writers_.Reset();
    writerFolder_ = folder;
    const bool live = c_.project.RecordToFtp();
    const WriterKind kind =
        recordingMp2_ ? (live ? WriterKind::Mp2RecordingLiveUpload : WriterKind::Mp2Recording)
                      : (live ? WriterKind::WavRecordingLiveUpload : WriterKind::WavRecording);
    WriterContext context{c_.settings, c_.internet, writeFormat_, folder, {}, {}};
    JStreamAudioWrite* writer = writers_.Select(kind, context);
    // The settings' rate may be one the encoder refuses for this mode; record at the allowed one.
    if (auto* mp2 = dynamic_cast<JStreamWrMP2*>(writer))
        mp2->SetBitrate(c_.format.mp2BitrateIndex, writeFormat_.levelValuesPerSecond);
    if (writer && live) writer->Prepare();
}

int Engine::StartInput() {
    if (inputRunning_ || playing_) return 1;
    if (input_) CloseInput();
    recordingMp2_ = c_.project.Mp2();
    c_.format.width = 16;
    c_.format.stereo = c_.settings.RecordStereo != 0;
    // A pair the encoder refuses (stereo below 64 kbit/s or at 80, mono above 192) records at the
    // nearest rate the mode allows: the reporter can always record.
    c_.format.mp2BitrateIndex = static_cast<uint32_t>(
        RecordableMp2BitrateIndex(static_cast<int>(c_.settings.Mp2BitrateIndex), c_.format.stereo));
    uint32_t bufferLength = 0;
    if (c_.settings.PdAudioInput) {
        if (OpenCardInput(bufferLength) != 0) {
            CloseInput();
            return 1;
        }
    } else {
        c_.format.recordingRate = c_.interfaceDevice >= 0 ? 48000 : 44100;
        // The sound device delivers 16-bit samples, whatever the last file played held.
        c_.format.width = 16;
        bufferLength = InputBufferLength();
        PcmFormat pcm{c_.format.recordingRate, static_cast<uint16_t>(c_.format.stereo ? 2 : 1), 16};
        std::weak_ptr<bool> alive = alive_;
        auto done = [this, alive](AudioBuffer& b) {
            if (alive.lock()) OnInputBuffer(b);
        };
        if (int rc = c_.audio.OpenInput(kDefaultDevice, pcm, done, input_); rc != kAudioOk) {
            Trace("waveInOpen: %s", AudioErrorText(rc).c_str());
            input_.reset();
            ReportError("waveInOpen");
            return 1;
        }
        if (c_.interfaceDevice >= 0) {
            c_.interfaceControl.gain = c_.lastState.InterfaceGain;
            c_.interfaceControl.volume = c_.lastState.InterfaceVolume;
            c_.interfaceControl.channels = c_.format.stereo ? 2 : 1;
            uint32_t result = 0;
            input_->Message(kMaycomMessage, kMaycomControl,
                            reinterpret_cast<uintptr_t>(&c_.interfaceControl), result);
        }
    }
    bufferLength_ = std::min(bufferLength, kSlotBytes);
    // The writers take the input's rate and width from here; the readers change only the
    // fields of the file they read.
    c_.format.inputRate = c_.format.recordingRate;
    c_.format.inputWidth = c_.format.width;
    if (!ComputeLimit()) {
        CloseInput();
        return 1;
    }
    CreateWriter();

    // The input processing follows the input's rate and channels, and starts from rest. A
    // headset plugged in or out since the last start switches between the "_ext" and "_int"
    // presets of the same name.
    c_.dsp.sampleRate = c_.format.recordingRate;
    c_.dsp.channels = c_.format.stereo ? 2 : 1;
    FollowHeadset(c_.dsp, c_.settings, c_.lastState.RecordGain, ReadHeadsetState());
    ComputeAllSections(c_.dsp, c_.settings, c_.lastState.RecordGain);
    ResetInputState(c_.dsp);

    for (EngineSlot& slot : slots_) QueueInputSlot(slot);
    if (input_->Start() != kAudioOk) {
        ReportError("waveInStart");
        CloseInput();
        return 1;
    }
    inputRunning_ = true;
    savedBuffers_ = 0;
    countdown_ = 0;
    blink_ = 0;
    currentLevel_ = kLevelSilent;
    StateChanged();
    return 0;
}

void Engine::QueueInputSlot(EngineSlot& slot) {
    slot.header =
        AudioBuffer{slot.data.data(), bufferLength_, 0, static_cast<uintptr_t>(slot.index), 0};
    if (input_->Prepare(slot.header) != kAudioOk) {
        ReportError("waveInPrepareHeader");
        return;
    }
    if (input_->AddBuffer(slot.header) != kAudioOk) {
        input_->Unprepare(slot.header);
        ReportError(cardOpen_ ? "PDAudioInAddBuffer" : "waveInAddBuffer");
        return;
    }
    slot.queued = true;
}

void Engine::RequestSaving() {
    if (!inputRunning_) {
        ReportError("WavStartRecordSaving");
        return;
    }
    ClearLevels(c_.edit);
    c_.edit.markerCount = 0;
    c_.edit.cutCount = 0;
    c_.edit.cropBegin = c_.edit.cropEnd = 0;
    c_.edit.shift = c_.format.levelShift;
    // An MP2 file holds 48 kHz whatever the input ran at; the level file keeps the input's rate.
    c_.edit.captureRate = c_.format.inputRate;
    recordingName_ = c_.project.NextRecording();
    recordingPath_ = c_.project.Folder() + recordingName_ + (recordingMp2_ ? ".mp2" : ".wav");
    std::remove(recordingPath_.c_str());
    std::remove(LevelFilePathOf(recordingPath_).c_str());
    countdown_ = 1;
    lastDropped_ = false;
}

void Engine::StartSaving() {
    saving_ = true;
    JStreamAudioWrite* writer = writers_.Current();
    if (writer) writer->Open(recordingName_);
    StateChanged();
}

void Engine::InsertMarker() {
    if (!saving_ || !inputRunning_) return;
    if (c_.edit.markerCount >= kMaxMarkers) {
        StopWithMessage(kMarkerTableFull);
        return;
    }
    c_.edit.markers[c_.edit.markerCount++] = savedBuffers_;
    if (events.marker) events.marker(c_.edit.markerCount);
}

void Engine::StopWithMessage(const std::string& text) {
    StopInput();
    Ui().MessageBox("Mora Edit", text, MsgIcon::Warning, MsgButtons::Ok);
}

void Engine::OnInputBuffer(AudioBuffer& header) {
    const uintptr_t index = header.user;
    if (index >= kEngineSlots) {
        ReportError("WimDataMsg");
        return;
    }
    EngineSlot& slot = slots_[index];
    const uint32_t bytes = std::min(header.bytesRecorded, header.length);
    const auto audioNs = std::chrono::nanoseconds(
        c_.format.recordingRate ? int64_t{bytes} * 1000000000 /
                                      (int64_t{c_.format.recordingRate} *
                                       (c_.format.stereo ? 2 : 1) * (c_.format.width / 8))
                                : 0);
    LoadTimer timer(load_, audioNs);
    slot.queued = false;
    JStreamAudioWrite* writer = writers_.Current();

    if (inputRunning_ && bytes > 0) {
        if (!cardOpen_) ProcessInputBuffer(c_.dsp, slot.data.data(), bytes);
        slot.level = BufferLevel(tables_, slot.data.data(), bytes, c_.format.width);
        currentLevel_ = slot.level;
        if (saving_) {
            if (!AppendLevel(c_.edit, slot.level)) {
                StopWithMessage(kLevelArrayFull);
            } else if (writer) {
                writer->WriteSamples(slot.data.data(), bytes);
                if (!writer->IsReady()) StopInput();
            }
        }
    }
    if (input_->Unprepare(header) != kAudioOk) ReportError("waveInUnprepareHeader");
    if (inputRunning_ && c_.interfaceDevice < 0 && events.level) events.level(slot.level);

    if (inputRunning_) {
        if (saving_) {
            ++savedBuffers_;
            if (savedBuffers_ % kCheckpointBuffers == 0) Checkpoint();
            if (savedBuffers_ >= limit_) StopInput();
            // The next buffer would not fit the level array: stop while this one still did.
            else if (c_.edit.levelCount >= c_.edit.levels.size())
                StopWithMessage(kLevelArrayFull);
        }
        // A short buffer while running: the input has nothing more to give.
        if (inputRunning_ && bytes < header.length) StopInput();
        if (inputRunning_) QueueInputSlot(slot);
        if (!saving_) {
            if (countdown_ > 0) {
                if (--countdown_ == 0) StartSaving();
            } else if (inputRunning_ && --blink_ <= 0) {
                blink_ = 2 << c_.format.levelShift;
                blinkOn_ = !blinkOn_;
                if (events.blink) events.blink(blinkOn_);
            }
        }
    }
    if (!inputRunning_) {
        if (saving_ || countdown_ > 0) StopSaving();
        input_->Reset();
        bool anyQueued = false;
        for (const EngineSlot& s : slots_) anyQueued = anyQueued || s.queued;
        if (!anyQueued) {
            std::weak_ptr<bool> alive = alive_;
            c_.loop.Post([this, alive] {
                if (alive.lock() && !inputRunning_ && input_) CloseInput();
            });
        }
    }
}

void Engine::StopInput() {
    if (!inputRunning_) return;
    inputRunning_ = false;
    if (input_) {
        if (input_->Stop() != kAudioOk) ReportError("waveInStop");
        if (input_->Reset() != kAudioOk) ReportError("waveInReset");
    }
    StateChanged();
}

void Engine::Checkpoint() {
    // The level file of the recording in progress, so that a crash leaves its levels and
    // markers beside the audio; the finished recording's file replaces it.
    c_.edit.cropBegin = 0;
    c_.edit.cropEnd = c_.edit.levelCount;
    SaveVuFile(c_.edit, LevelFilePathOf(recordingPath_));
}

void Engine::StopSaving() {
    JStreamAudioWrite* writer = writers_.Current();
    const bool started = saving_;
    if (started && writer) writer->Close();
    saving_ = false;
    countdown_ = 0;
    const uint32_t shortest = kShortestRecording << c_.format.levelShift >> 2;
    if (!started || c_.edit.levelCount < shortest) {
        // Too short to keep: the number steps back and the files go at once.
        lastDropped_ = true;
        std::remove(recordingPath_.c_str());
        std::remove(LevelFilePathOf(recordingPath_).c_str());
        c_.project.PreviousRecording();
        ClearLevels(c_.edit);
        c_.edit.markerCount = 0;
        Notify(events.viewsChanged);
        StateChanged();
        return;
    }
    c_.edit.cropBegin = 0;
    c_.edit.cropEnd = c_.edit.levelCount;
    SaveVuFile(c_.edit, LevelFilePathOf(recordingPath_));
    const uint32_t length = OpenRecording(recordingPath_);
    c_.project.AppendRecording(recordingPath_, length ? length : c_.edit.levelCount);
    c_.project.SaveProject();
    Notify(events.viewsChanged);
    StateChanged();
}

void Engine::CloseInput() {
    if (input_) {
        if (input_->Reset() != kAudioOk) ReportError("waveInReset at exit");
        for (EngineSlot& slot : slots_) {
            if (slot.header.flags & kBufferPrepared) {
                if (input_->Unprepare(slot.header) != kAudioOk)
                    ReportError("waveInUnprepareHeader .h");
            }
            slot.queued = false;
        }
        if (input_->Close() != kAudioOk) ReportError("waveInClose");
        input_.reset();
    }
    if (cardOpen_ && c_.audio.DigitalCard()) c_.audio.DigitalCard()->Close();
    cardOpen_ = false;
    inputRunning_ = false;
}

void Engine::SetRecordingMode(bool mp2) {
    if (mp2 == recordingMp2_) return;
    recordingMp2_ = mp2;
    if (c_.reader) c_.reader->CloseFile();
    c_.reader.reset();
    writers_.Reset();
}

}  // namespace mora
