#pragma once
// What the recorder screens ask of the audio engine (record, arm, stop, play, wind, mark, gain
// and volume) and what the engine shows on them while one is bound (levels, time, the end of a
// recording or of playback it ended by itself).

#include <cstdint>

namespace mora {

// The program-wide transport state; the screens light their buttons from it.
enum class TransportState : uint32_t {
    Stopped = 0,
    Armed = 1,  // the input is open and monitored, nothing is saved
    Recording = 2,
    Playing = 3,
    FastForward = 4,
    Rewind = 5,
};

class TransportView {
  public:
    virtual ~TransportView() = default;
    // Level bytes (0 full scale ... 79 quiet; 80 none) of the left and right channel.
    virtual void ShowLevels(uint8_t left, uint8_t right) = 0;
    // Time of the recording being made, or the play position, in milliseconds.
    virtual void ShowTime(uint64_t ms) = 0;
    // The engine stopped by itself: the end of playback, or the recording limit.
    virtual void TransportEnded() = 0;
    // The play position (level units) moved, by playback or by a restart.
    virtual void ShowPosition(int32_t unit) { (void)unit; }
};

// The play positions Stop's release moves between: where the last playback started and where
// it stopped (-1 while there is none).
struct RememberedPositions {
    int32_t start = -1;
    int32_t stop = -1;
};

class TransportControl {
  public:
    virtual ~TransportControl() = default;

    // The screen that shows levels and time from now on (nullptr: none).
    virtual void Bind(TransportView* view) = 0;

    // Lets the recorder settle its input choice before a Record press is handled.
    virtual void PrepareInput() {}
    // Opens the input and monitors it; false when that failed (the engine told the user).
    virtual bool StartInput() = 0;
    virtual void StopInput() = 0;
    // Saves from the next input buffer on.
    virtual void StartSaving() = 0;
    // Ends the recording (it joins the project) and closes the input.
    virtual void StopSaving() = 0;
    // Adds a marker at the record position; returns its number from 1, or 0 when refused.
    virtual int InsertMarker() = 0;

    // No long operation runs and the play position lies before the end.
    virtual bool CanPlay() = 0;
    // Starts playback at the play position with the current volume; false when it did not.
    virtual bool StartPlaying() = 0;
    virtual void StopPlaying() = 0;
    // Plays the clip list from the current clip on, starting at `from` (level units): at the
    // end of each clip the list moves on to the next, until the last ends, or stops after the
    // first when only the selected clip is played. False when playback did not start.
    virtual bool StartPlayingClips(uint32_t from) { return (void)from, false; }
    // +1 fast forward, -1 rewind; false when playback did not start.
    virtual bool StartWinding(int direction) = 0;
    // Moves the play position to the other remembered position.
    virtual void SwapPosition() {}
    // Moves the play position (playing or not); the view learns it through ShowPosition.
    virtual void RestartPlaying(int32_t position) { (void)position; }
    virtual RememberedPositions Remembered() const { return {}; }
    // With the reduced layout: the previous (-1) or next (+1) clip.
    virtual void StepClip(int delta) { (void)delta; }

    // Record gain in dB (0 ... 40) and the playback volume step (0 ... 20).
    virtual int RecordGain() const = 0;
    virtual void StepGain(int delta) = 0;
    virtual int PlayVolume() const = 0;
    virtual void StepVolume(int delta) = 0;

    // The external interface, when it was found at start-up.
    virtual bool HasInterface() const { return false; }
    // The interface's gain (126 ... 254) and volume (111 ... 127) values.
    virtual int InterfaceGain() const { return 126; }
    virtual int InterfaceVolume() const { return 127; }
    virtual void StepInterfaceGain(int steps) { (void)steps; }
    virtual void StepInterfaceVolume(int steps) { (void)steps; }
    // The interface's input peak, 0 ... 32767.
    virtual int InterfaceInputLevel() { return 0; }

    // The sample rate a WAV recording is made at.
    virtual uint32_t RecordingRate() const { return HasInterface() ? 48000 : 44100; }
};

}  // namespace mora
