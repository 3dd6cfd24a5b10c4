#pragma once
// The record screen: the tape-recorder face of the program. Five transport buttons, the level
// meter, the state picture, the running time, the project name, the time left and battery
// lines, and the gain and volume knobs with their texts. Its transport logic lives in
// RecorderWWin, which the editor screen shares.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/settings.h"
#include "ui/recorder_controls.h"
#include "ui/transport.h"
#include "ui/wwin.h"

namespace mora {

// Keys of the screens' key table (virtual-key codes).
enum ScreenKey : int {
    kKeyEnter = 0x0D,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
};
// The table's key for a Qt key code, or 0 for keys the screens do not take.
int ScreenKeyFromQt(int qtKey);

// What the recorder screens read besides the engine.
struct RecorderEnv {
    const Settings* settings = nullptr;
    std::function<std::string()> projectName;
    std::function<std::string()> projectFolder;
    // Battery charge in percent as the system reports it; nothing when it cannot tell.
    std::function<std::optional<int>()> battery;
    std::function<std::optional<uint64_t>(const std::string& folder)> freeBytes;
};

// Seconds of recording that `freeBytes` hold: free KiB less a 1024 KiB reserve, times 128,
// divided by the WAV rate / 4 or by the MP2 bitrate (bit/s) / 64.
uint32_t RecordingSecondsLeft(uint64_t freeBytes, bool mp2, uint32_t wavRate,
                              uint32_t mp2BitsPerSecond);
// The time-left line, "%.2dh:%.2dm max", for `freeBytes` in the recording format and MP2
// bitrate of the settings; WAV at `wavRate`.
std::string RecordingTimeLeftText(const Settings& settings, uint64_t freeBytes, uint32_t wavRate);

class RecorderWWin : public WWin, public TransportView {
  public:
    RecorderWWin(ScreenHost& host, int index, const Skin& skin, int pictures, TransportState& state,
                 TransportControl& transport, RecorderEnv env);

    TransportState State() const { return state_; }
    // The transport callbacks of the Stop, Play and Record buttons.
    void OnRecord(bool pressed);
    void OnPlay(bool pressed);
    void OnStop(bool pressed);
    void OnWind(int direction, bool pressed);
    void GainUp() { StepGain(1); }
    void GainDown() { StepGain(-1); }
    void VolumeUp() { StepVolume(1); }
    void VolumeDown() { StepVolume(-1); }
    // Presses a transport button as a click would (TransportState::Armed: the Record button).
    void PressButton(TransportState which);
    // Enter: plays when stopped or armed, else stops.
    void PlayOrStop();

    void ShowLevels(uint8_t left, uint8_t right) override;
    void ShowTime(uint64_t ms) override;
    void TransportEnded() override;

    void KeyDown(int key) override;
    void TimerTick() override;
    void Activate() override;
    void Deactivate() override;

    ToggleButtonWin* Button(TransportState state) const;
    VuWin* Meter() const { return vu_; }
    RecTimeWin* Time() const { return time_; }
    RecStatusWin* Status() const { return status_; }
    NameWin* NameText() const { return name_; }
    StaticTextWin* GainText() const { return gainText_; }
    StaticTextWin* VolumeText() const { return volumeText_; }
    StaticTextWin* TimeLeftText() const { return maxTime_; }
    StaticTextWin* BatteryText() const { return battery_; }
    StripeWin* GainKnob() const { return gainKnob_; }

    void RefreshGainText();
    void RefreshVolumeText();
    void RefreshBattery();
    void RefreshTimeLeft();

  protected:
    // The five transport buttons, first in the screen's table.
    void AddTransportButtons(SkinElement stop, SkinElement play, SkinElement record,
                             SkinElement rewind, SkinElement fastForward);
    void SetTransportState(TransportState next);
    void StepGain(int delta);
    void StepVolume(int delta);
    void ShowTimeText(uint64_t ms);

    const Skin& skin_;
    TransportState& state_;
    TransportControl& transport_;
    RecorderEnv env_;
    // Children, owned by the table; null when the screen has no such element.
    ToggleButtonWin* stop_ = nullptr;
    ToggleButtonWin* play_ = nullptr;
    ToggleButtonWin* record_ = nullptr;
    ToggleButtonWin* rewind_ = nullptr;
    ToggleButtonWin* fastForward_ = nullptr;
    VuWin* vu_ = nullptr;
    RecTimeWin* time_ = nullptr;
    RecStatusWin* status_ = nullptr;
    NameWin* name_ = nullptr;
    StaticTextWin* maxTime_ = nullptr;
    StaticTextWin* battery_ = nullptr;
    StaticTextWin* gainText_ = nullptr;
    StripeWin* gainKnob_ = nullptr;
    StaticTextWin* volumeText_ = nullptr;
    StripeWin* volumeKnob_ = nullptr;

    virtual void LightState(TransportState state, bool on);

  private:
    bool bound_ = false;
    int shownBattery_ = -1;
    // The marker text stays up until the time has moved on by this many milliseconds.
    uint64_t markerShownAt_ = 0;
    bool markerShown_ = false;
    uint64_t lastShownSecond_ = UINT64_MAX;
    uint64_t lastTimeMs_ = 0;
    int interfaceLevel_ = 0;
};

class RecordWWin : public RecorderWWin {
  public:
    RecordWWin(ScreenHost& host, const Skin& skin, int pictures, TransportState& state,
               TransportControl& transport, RecorderEnv env);
};

}  // namespace mora
