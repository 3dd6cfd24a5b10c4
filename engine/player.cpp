// The player: four output slots filled one level unit at a time from the current reader, the
// transport (play, fast forward, rewind, play-all) and the closing buffer.

#include <algorithm>
#include <cstdio>

#include "audio/recording_reader.h"
#include "engine/engine.h"
#include "platform/event_loop.h"
#include "platform/trace.h"
#include "stream/report.h"

namespace mora {

namespace {

// The cursor lags the sound by the buffers queued ahead of the one being heard.
constexpr int32_t kLag = 3;
constexpr int kStartupBuffers = 4;
constexpr int kJumpBuffers = 4;
constexpr int32_t kWindStep = 20;
constexpr int kWindBuffers = 2;
constexpr uintptr_t kClosingIndex = kPlaySlots;

void ReportCode(const char* format, int code) {
    char text[64];
    std::snprintf(text, sizeof text, format, code);
    ReportError(text);
}

}  // namespace

uint32_t Engine::OpenRecording(const std::string& audioPath) {
    bool mp2 = false;
    if (c_.reader) c_.reader->CloseFile();
    const uint32_t length = OpenRecordingReader(audioPath, c_.format, c_.reader, mp2);
    playFormat_ = c_.format;
    playReader_ = c_.reader.get();
    playEnd_.reset();
    return length;
}

uint32_t Engine::PlayEnd() const {
    const uint32_t count = c_.edit.levelCount;
    if (playEnd_) return std::min(*playEnd_, count);
    if (c_.edit.cropEnd > c_.edit.cropBegin && c_.edit.cropEnd <= count) return c_.edit.cropEnd;
    return count;
}

const VuCut* Engine::CutStartingAt(int32_t unit) const {
    for (uint32_t i = 0; i < c_.edit.cutCount; ++i) {
        const VuCut& cut = c_.edit.cuts[i];
        if (static_cast<int64_t>(cut.begin) == unit && cut.end != cut.begin) return &cut;
    }
    return nullptr;
}

const VuCut* Engine::CutHolding(int32_t unit) const {
    for (uint32_t i = 0; i < c_.edit.cutCount; ++i) {
        const VuCut& cut = c_.edit.cuts[i];
        if (unit >= static_cast<int64_t>(cut.begin) && unit < static_cast<int64_t>(cut.end))
            return &cut;
    }
    return nullptr;
}

void Engine::ShowPosition(int32_t shown) {
    shownPos_ = std::max(shown, 0);
    if (events.position) events.position(shownPos_);
    if (events.level && static_cast<uint32_t>(shownPos_) < c_.edit.levelCount)
        events.level(c_.edit.levels[static_cast<size_t>(shownPos_)]);
}

void Engine::RestoreReaderFormat() {
    c_.format.recordingRate = playFormat_.recordingRate;
    c_.format.playMode = playFormat_.playMode;
    c_.format.bytesPerUnit = playFormat_.bytesPerUnit;
    c_.format.width = playFormat_.width;
    c_.format.channels = playFormat_.channels;
    c_.format.stereo = playFormat_.stereo;
    c_.format.mp2BitrateIndex = playFormat_.mp2BitrateIndex;
}

int Engine::StartPlaying(int channels) {
    if (inputRunning_ || playing_) {
        ReportError("StartPlaying");
        return 1;
    }
    if (!c_.reader) return 1;
    channels = channels == 2 ? 2 : 1;
    // The reader's view of the format; the recorder may have changed it since.
    if (playReader_ == c_.reader.get()) RestoreReaderFormat();
    c_.format.outputChannels = channels;
    if (output_ && output_->Format().channels != channels) ExitPlaying();
    if (!output_) {
        PcmFormat pcm{OutputRate(c_.format), static_cast<uint16_t>(channels), 16};
        std::weak_ptr<bool> alive = alive_;
        auto done = [this, alive](AudioBuffer& b) {
            if (alive.lock()) OnOutputBuffer(b);
        };
        if (int rc = c_.audio.OpenOutput(kDefaultDevice, pcm, done, output_); rc != kAudioOk) {
            Trace("waveOutOpen: %s", AudioErrorText(rc).c_str());
            output_.reset();
            ReportError("waveOutOpen");
            return 1;
        }
        if (c_.interfaceDevice >= 0) {
            uint32_t result = 0;
            c_.interfaceControl.channels = channels;
            output_->Message(kMaycomMessage, kMaycomControl,
                             reinterpret_cast<uintptr_t>(&c_.interfaceControl), result);
        }
    }
    playing_ = true;
    fillEnded_ = false;
    if (transport_ < kPlaying) transport_ = kPlaying;
    readPos_ = std::max(readPos_, 0);
    c_.reader->StartAt(readPos_);
    if (!c_.reader->IsOpen()) {
        playing_ = false;
        return 1;
    }
    output_->Pause();
    startup_ = kStartupBuffers;
    jump_ = transport_ == kFastForward || transport_ == kRewind ? kWindBuffers : 0;
    for (int i = 0; i < kPlaySlots && playing_ && !fillEnded_; ++i) FillAndQueue(slots_[i]);
    output_->Restart();
    StateChanged();
    // Nothing at all to play (the position is at the end): close the way a finished one does.
    bool anyQueued = false;
    for (int i = 0; i < kPlaySlots; ++i) anyQueued = anyQueued || slots_[i].queued;
    if (!anyQueued) {
        playing_ = false;
        QueueClosingBuffer();
        StateChanged();
    }
    return 0;
}

void Engine::FillAndQueue(EngineSlot& slot) {
    if (!AdvanceTransport() || !playing_) return;
    const uint32_t length = OutputFramesPerUnit(c_.format) * c_.format.outputChannels * 2;
    slot.header = AudioBuffer{slot.data.data(), std::min(length, kSlotBytes), 0,
                              static_cast<uintptr_t>(slot.index), 0};
    c_.reader->GetUnit(reinterpret_cast<int16_t*>(slot.data.data()));
    if (!c_.reader->IsGood()) {
        fillEnded_ = true;
        return;
    }
    if (int rc = output_->Prepare(slot.header); rc != kAudioOk) {
        ReportCode("waveOutPrepareHeader err=%d", rc);
        return;
    }
    slot.queued = true;
    if (output_->Write(slot.header) != kAudioOk) {
        slot.queued = false;
        output_->Unprepare(slot.header);
        ReportCode("waveOutWrite bufid=%d", slot.index);
    }
}

// One step of the transport per filled buffer; false when no more audio is to be queued.
bool Engine::AdvanceTransport() {
    if (transport_ == kFastForward || transport_ == kRewind) {
        if (--jump_ <= 0) {
            jump_ = kWindBuffers;
            AdvanceWind();
            if (fillEnded_) return false;
        }
    }
    return AdvancePlay();
}

bool Engine::AdvancePlay() {
    const int32_t shown = std::max(readPos_ - kLag, 0);
    if (const VuCut* cut = CutStartingAt(readPos_)) {
        readPos_ = static_cast<int32_t>(cut->end);
        if (static_cast<uint32_t>(readPos_) < PlayEnd()) c_.reader->Seek(readPos_);
        jump_ = std::max(jump_, kJumpBuffers);
        ShowPosition(shown);
    } else if (startup_ > 0) {
        --startup_;
    } else {
        ShowPosition(shown);
    }
    // No audio at or past the play end is queued; the cursor catches up as the last buffers
    // come back.
    if (static_cast<uint32_t>(readPos_) >= PlayEnd()) {
        if (transport_ == kPlayAll && NextPlayAllRecording()) return AdvancePlay();
        fillEnded_ = true;
        return false;
    }
    ++readPos_;
    return true;
}

void Engine::AdvanceWind() {
    const bool forward = transport_ == kFastForward;
    int64_t target = int64_t{readPos_} + (forward ? kWindStep : -kWindStep);
    if (const VuCut* cut =
            CutHolding(static_cast<int32_t>(std::clamp<int64_t>(target, 0, INT32_MAX))))
        target = forward ? int64_t{cut->end} : int64_t{cut->begin} - kWindStep;
    const int64_t end = PlayEnd();
    if (target < 0 || target >= end) {
        readPos_ = static_cast<int32_t>(target < 0 ? 0 : end);
        ShowPosition(readPos_);
        fillEnded_ = true;
        return;
    }
    readPos_ = static_cast<int32_t>(target);
    ShowPosition(readPos_ - kLag);
    if (playing_) c_.reader->SeekFast(readPos_);
}

bool Engine::NextPlayAllRecording() {
    const std::string next = c_.project.SelectNextRecording();
    if (next.empty()) return false;
    const int channels = c_.format.outputChannels;
    if (OpenRecording(next) == 0) return false;
    c_.format.outputChannels = channels;
    readPos_ = static_cast<int32_t>(c_.edit.cropBegin);
    c_.reader->StartAt(readPos_);
    Notify(events.viewsChanged);
    return c_.reader->IsOpen();
}

void Engine::OnOutputBuffer(AudioBuffer& header) {
    const uintptr_t index = header.user;
    if (index >= kClosingIndex) {
        output_->Unprepare(header);
        std::weak_ptr<bool> alive = alive_;
        c_.loop.Post([this, alive] {
            if (alive.lock() && !playing_) ExitPlaying();
        });
        return;
    }
    EngineSlot& slot = slots_[index];
    const auto audioNs =
        std::chrono::nanoseconds(int64_t{1000000000} / LevelUnitsPerSecond(c_.format));
    LoadTimer timer(load_, audioNs);
    slot.queued = false;
    if (output_->Unprepare(header) != kAudioOk) ReportError("waveOutUnprepareHeader");
    if (playing_ && !fillEnded_) FillAndQueue(slot);
    bool anyQueued = false;
    for (int i = 0; i < kPlaySlots; ++i) anyQueued = anyQueued || slots_[i].queued;
    if (playing_ && fillEnded_) {
        const int32_t end = static_cast<int32_t>(PlayEnd());
        ShowPosition(anyQueued ? std::min(shownPos_ + 1, end) : std::min(readPos_, end));
    }
    if ((!playing_ || fillEnded_) && !anyQueued && !shuttingDown_) {
        if (playing_) {
            playing_ = false;
            if (c_.reader) c_.reader->CloseFile();
            StateChanged();
        }
        QueueClosingBuffer();
    }
}

void Engine::QueueClosingBuffer() {
    if (!output_ || (closing_.flags & kBufferQueued)) return;
    closing_ = AudioBuffer{closingData_.data(), kClosingBufferBytes, 0, kClosingIndex, 0};
    if (int rc = output_->Prepare(closing_); rc != kAudioOk) {
        ReportCode("waveOutPrepareHeader0 err=%d", rc);
        return;
    }
    if (output_->Write(closing_) != kAudioOk) ReportError("waveOutWrite 0");
}

void Engine::StopPlaying() {
    if (!playing_) return;
    playing_ = false;
    if (output_ && output_->Reset() != kAudioOk) ReportError("waveOutReset");
    if (c_.reader) c_.reader->CloseFile();
    readPos_ = shownPos_;
    ShowPosition(shownPos_);
    StateChanged();
}

void Engine::ExitPlaying() {
    StopPlaying();
    if (!output_) return;
    output_->Reset();
    for (int i = 0; i < kPlaySlots; ++i) {
        if (slots_[i].header.flags & kBufferPrepared) output_->Unprepare(slots_[i].header);
        slots_[i].queued = false;
    }
    if (closing_.flags & kBufferPrepared) output_->Unprepare(closing_);
    if (output_->Close() != kAudioOk) ReportError("waveOutClose");
    output_.reset();
}

void Engine::RestartPlaying(int32_t position) {
    const int32_t count = static_cast<int32_t>(c_.edit.levelCount);
    if (position < 0 || position >= count) {
        readPos_ = shownPos_ = position < 0 ? 0 : count;
        ShowPosition(shownPos_);
        return;
    }
    readPos_ = position;
    ShowPosition(position);
    if (playing_) {
        c_.reader->Seek(position);
        startup_ = kStartupBuffers;
        fillEnded_ = false;
    }
}

}  // namespace mora
