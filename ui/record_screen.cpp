#include "ui/record_screen.h"

#include <QPainter>

#include "audio/level_meter.h"
#include "audio/mp2_bitrate.h"
#include "ui/artwork.h"
#include "ui/field_text.h"

namespace mora {

namespace {

// The marker text stays up this long before the running time comes back.
constexpr uint64_t kMarkerHoldMs = 2000;
// Battery and time left are read again this often while the transport runs.
constexpr uint64_t kRefreshEverySeconds = 10;

PointerState& NoPointer() {
    static PointerState pointer;
    return pointer;
}

}  // namespace

uint32_t RecordingSecondsLeft(uint64_t freeBytes, bool mp2, uint32_t wavRate,
                              uint32_t mp2BitsPerSecond) {
    uint64_t kib = freeBytes >> 10;
    kib = kib > 1024 ? kib - 1024 : 0;
    const uint64_t divisor = mp2 ? mp2BitsPerSecond >> 6 : wavRate >> 2;
    if (divisor == 0) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(kib * 128 / divisor, UINT32_MAX));
}

std::string RecordingTimeLeftText(const Settings& settings, uint64_t freeBytes, uint32_t wavRate) {
    const uint32_t index =
        std::min<uint32_t>(settings.Mp2BitrateIndex, kMp2BitratesKbps.size() - 1);
    const uint32_t seconds = RecordingSecondsLeft(freeBytes, settings.RecordMp2 != 0, wavRate,
                                                  kMp2BitratesKbps[index] * 1000);
    return Format("%.2dh:%.2dm max", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60));
}

RecorderWWin::RecorderWWin(ScreenHost& host, int index, const Skin& skin, int pictures,
                           TransportState& state, TransportControl& transport, RecorderEnv env)
    : WWin(host, index, &skin, pictures),
      skin_(skin),
      state_(state),
      transport_(transport),
      env_(std::move(env)) {}

ToggleButtonWin* RecorderWWin::Button(TransportState state) const {
    switch (state) {
        case TransportState::Stopped:
            return stop_;
        case TransportState::Armed:
        case TransportState::Recording:
            return record_;
        case TransportState::Playing:
            return play_;
        case TransportState::FastForward:
            return fastForward_;
        case TransportState::Rewind:
            return rewind_;
    }
    return nullptr;
}

void RecorderWWin::LightState(TransportState state, bool on) {
    if (ToggleButtonWin* button = Button(state)) button->SetState(on);
    if (state == TransportState::Recording && play_) play_->SetState(on);
}

void RecorderWWin::SetTransportState(TransportState next) {
    LightState(state_, false);
    state_ = next;
    LightState(state_, true);
    if (status_) status_->SetIndex(static_cast<int>(next));
}

void RecorderWWin::OnRecord(bool) {
    transport_.PrepareInput();
    if (state_ == TransportState::Stopped) {
        // The microphone-AGC applet of the original device does not exist here.
        SetTransportState(TransportState::Armed);
        if (!transport_.StartInput()) {
            SetTransportState(TransportState::Stopped);
            return;
        }
        host_.EnableTopMenus(false);
        ShowTimeText(0);
        return;
    }
    if (state_ == TransportState::Recording) {
        if (!time_) return;
        const int number = transport_.InsertMarker();
        if (number <= 0) return;
        time_->SetText(Format("  Mark %3d ", number));
        markerShown_ = true;
        markerShownAt_ = lastTimeMs_;
        return;
    }
    OnStop(true);
}

void RecorderWWin::OnPlay(bool) {
    if (state_ == TransportState::Armed) {
        SetTransportState(TransportState::Recording);
        transport_.StartSaving();
        return;
    }
    // While recording the engine would refuse playback: the press does nothing.
    if (state_ == TransportState::Recording || !transport_.CanPlay()) return;
    if (state_ != TransportState::Playing) SetTransportState(TransportState::Playing);
    if (!transport_.StartPlaying()) SetTransportState(TransportState::Stopped);
}

void RecorderWWin::OnStop(bool pressed) {
    if (!pressed) {
        // Stop is lit already: the press moves between the remembered positions.
        transport_.SwapPosition();
        return;
    }
    switch (state_) {
        case TransportState::Armed:
            transport_.StopInput();
            host_.EnableTopMenus(true);
            break;
        case TransportState::Recording:
            transport_.StopSaving();
            host_.EnableTopMenus(true);
            break;
        case TransportState::Playing:
        case TransportState::FastForward:
        case TransportState::Rewind:
            transport_.StopPlaying();
            break;
        case TransportState::Stopped:
            break;
    }
    SetTransportState(TransportState::Stopped);
    if (vu_) vu_->Reset();
    markerShown_ = false;
    RefreshTimeLeft();
}

void RecorderWWin::OnWind(int direction, bool) {
    if (state_ == TransportState::Armed || state_ == TransportState::Recording) {
        // The toggle does not light by itself; nothing changes while the input is open.
        return;
    }
    const TransportState wind =
        direction > 0 ? TransportState::FastForward : TransportState::Rewind;
    if (state_ == wind) {
        OnStop(true);
        return;
    }
    if (!transport_.CanPlay()) return;
    SetTransportState(wind);
    if (!transport_.StartWinding(direction)) SetTransportState(TransportState::Stopped);
}

void RecorderWWin::TransportEnded() {
    if (state_ == TransportState::Armed || state_ == TransportState::Recording)
        host_.EnableTopMenus(true);
    SetTransportState(TransportState::Stopped);
    if (vu_) vu_->Reset();
    markerShown_ = false;
    RefreshTimeLeft();
}

void RecorderWWin::ShowLevels(uint8_t left, uint8_t right) {
    if (vu_) vu_->SetSteps(MeterSteps(left), MeterSteps(right));
}

void RecorderWWin::ShowTime(uint64_t ms) {
    lastTimeMs_ = ms;
    if (markerShown_) {
        if (ms < markerShownAt_ + kMarkerHoldMs) return;
        markerShown_ = false;
    }
    ShowTimeText(ms);
    const uint64_t second = ms / 1000;
    if (second != lastShownSecond_ && second % kRefreshEverySeconds == 0 && second != 0) {
        RefreshTimeLeft();
        RefreshBattery();
    }
    lastShownSecond_ = second;
}

void RecorderWWin::ShowTimeText(uint64_t ms) {
    if (!time_) return;
    const uint64_t s = ms / 1000;
    if (state_ == TransportState::Playing || state_ == TransportState::FastForward ||
        state_ == TransportState::Rewind) {
        time_->SetText(Format("%3dm:%.2ds.%.2d", static_cast<int>(s / 60), static_cast<int>(s % 60),
                              static_cast<int>(ms % 1000 / 10)));
    } else {
        time_->SetText(Format("%.2dh:%.2dm:%.2ds", static_cast<int>(s / 3600),
                              static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)));
    }
}

void RecorderWWin::PressButton(TransportState which) {
    if (ToggleButtonWin* button = which == TransportState::Armed ? record_ : Button(which)) {
        button->Press(NoPointer());
    }
}

void RecorderWWin::PlayOrStop() {
    const bool idle = state_ == TransportState::Stopped || state_ == TransportState::Armed;
    PressButton(idle ? TransportState::Playing : TransportState::Stopped);
}

void RecorderWWin::KeyDown(int key) {
    const Settings& settings = *env_.settings;
    if (settings.ScreenMode == 2) {
        // A flipped screen takes only the arrows, turned round with it.
        switch (key) {
            case kKeyLeft:
                key = kKeyRight;
                break;
            case kKeyRight:
                key = kKeyLeft;
                break;
            case kKeyUp:
                key = kKeyDown;
                break;
            case kKeyDown:
                key = kKeyUp;
                break;
            default:
                return;
        }
    }
    switch (key) {
        case kKeyEnter:
            PlayOrStop();
            return;
        case kKeyLeft:
        case kKeyRight: {
            const int delta = key == kKeyLeft ? -1 : 1;
            if (transport_.HasInterface()) {
                transport_.StepInterfaceVolume(delta);
            } else if (settings.LiteLayout) {
                transport_.StepClip(delta);
            } else {
                transport_.StepVolume(delta);
            }
            RefreshVolumeText();
            return;
        }
        case kKeyUp:
            GainUp();
            return;
        case kKeyDown:
            GainDown();
            return;
        case '1':
        case '3':
            if (settings.LiteLayout) transport_.StepClip(key == '1' ? -1 : 1);
            return;
        case '2':
            PressButton(TransportState::Rewind);
            return;
        case '5':
            PressButton(TransportState::FastForward);
            return;
        case '7':
            PressButton(TransportState::Stopped);
            return;
        case '8':
            PressButton(TransportState::Playing);
            return;
        case '9':
            PressButton(TransportState::Armed);
            return;
        default:
            return;
    }
}

void RecorderWWin::StepGain(int delta) {
    if (!gainText_) return;
    if (transport_.HasInterface()) {
        transport_.StepInterfaceGain(2 * delta);
    } else {
        transport_.StepGain(delta);
    }
    RefreshGainText();
}

void RecorderWWin::StepVolume(int delta) {
    if (transport_.HasInterface()) {
        transport_.StepInterfaceVolume(delta);
    } else {
        transport_.StepVolume(delta);
    }
    RefreshVolumeText();
}

void RecorderWWin::RefreshGainText() {
    if (!gainText_) return;
    int knob = 0;
    if (transport_.HasInterface()) {
        const int value = transport_.InterfaceGain();
        gainText_->SetText(Format("%+2.0fdB", value * 0.5 - 96));
        knob = (value - 126) * 512;
    } else {
        const int gain = transport_.RecordGain();
        gainText_->SetText(Format("%+2ddB", gain));
        knob = gain * 65536 / 40;
    }
    if (gainKnob_) gainKnob_->SetValue(static_cast<uint32_t>(std::clamp(knob, 0, 65535)));
}

void RecorderWWin::RefreshVolumeText() {
    if (!volumeText_ || !transport_.HasInterface()) return;
    const int value = transport_.InterfaceVolume();
    volumeText_->SetText(Format("  %+2.0fdB", static_cast<double>(value - 121)));
    if (volumeKnob_) {
        volumeKnob_->SetValue(static_cast<uint32_t>(std::clamp((value - 111) * 4096, 0, 65535)));
    }
}

void RecorderWWin::RefreshBattery() {
    if (!env_.settings->ShowBattery || !battery_) return;
    int percent = 0;
    if (env_.battery) {
        if (std::optional<int> reported = env_.battery()) percent = std::clamp(*reported, 0, 100);
    }
    if (percent == shownBattery_) return;
    // The first text after activation differs slightly from the later ones.
    battery_->SetText(shownBattery_ < 0 ? Format("Battery: %d%%", percent)
                                        : Format("Battery:%3d%%  ", percent));
    shownBattery_ = percent;
}

void RecorderWWin::RefreshTimeLeft() {
    const Settings& settings = *env_.settings;
    if (!settings.ShowMaxTime || !maxTime_) return;
    uint64_t free = 0;
    if (env_.freeBytes && env_.projectFolder) {
        free = env_.freeBytes(env_.projectFolder()).value_or(0);
    }
    maxTime_->SetText(RecordingTimeLeftText(settings, free, transport_.RecordingRate()));
}

void RecorderWWin::TimerTick() {
    if (!transport_.HasInterface() || !vu_) return;
    static const LevelTables tables = BuildLevelTables();
    const int level = std::clamp(transport_.InterfaceInputLevel(), 0, 32767);
    // The meter rises at once and falls by an eighth of the difference per tick.
    interfaceLevel_ =
        level > interfaceLevel_ ? level : interfaceLevel_ - (interfaceLevel_ - level) / 8;
    const int steps = MeterSteps(tables.forward[interfaceLevel_ / 64]);
    vu_->SetSteps(steps, steps);
}

void RecorderWWin::Activate() {
    WWin::Activate();
    transport_.Bind(this);
    bound_ = true;
    const Settings& settings = *env_.settings;
    host_.EnableEditPopup(true);
    host_.EnableMenuItem(cmd::PublishClip, true);
    if (settings.EnableToFile) {
        host_.EnableMenuItem(cmd::ClipToFile, true);
        host_.EnableMenuItem(cmd::ClipListToFile, false);
    }
    if (settings.FastPublishFormat != 0) {
        host_.EnableMenuItem(cmd::FastClip, true);
        host_.EnableMenuItem(cmd::FastClipList, false);
    }
    if (name_ && env_.projectName) name_->SetName(env_.projectName());
    RefreshGainText();
    RefreshVolumeText();
    RefreshBattery();
    RefreshTimeLeft();
}

void RecorderWWin::Deactivate() {
    if (bound_) transport_.Bind(nullptr);
    bound_ = false;
    shownBattery_ = -1;
    lastShownSecond_ = UINT64_MAX;
    WWin::Deactivate();
}

void RecorderWWin::AddTransportButtons(SkinElement stop, SkinElement play, SkinElement record,
                                       SkinElement rewind, SkinElement fastForward) {
    auto toggle = [this](SkinElement e, ToggleButtonWin::Callback callback) {
        return Add(std::make_unique<ToggleButtonWin>(this, skin_, skin_.Rect(e), callback));
    };
    stop_ = toggle(stop, [this](bool on) { OnStop(on); });
    play_ = toggle(play, [this](bool on) { OnPlay(on); });
    record_ = toggle(record, [this](bool on) { OnRecord(on); });
    rewind_ = toggle(rewind, [this](bool on) { OnWind(-1, on); });
    fastForward_ = toggle(fastForward, [this](bool on) { OnWind(1, on); });
}

RecordWWin::RecordWWin(ScreenHost& host, const Skin& skin, int pictures, TransportState& state,
                       TransportControl& transport, RecorderEnv env)
    : RecorderWWin(host, 0, skin, pictures, state, transport, std::move(env)) {
    using E = SkinElement;
    auto rect = [&](E e) { return skin.Rect(e); };
    AddTransportButtons(E::Stop, E::Play, E::Record, E::Rewind, E::FastForward);
    vu_ = Add(std::make_unique<VuWin>(this, skin, rect(E::VU), 2));
    const uint32_t background = skin.ColourValue(SkinColour::TextBackground);
    time_ = Add(std::make_unique<RecTimeWin>(this, skin, rect(E::RecTime), background));
    status_ = Add(std::make_unique<RecStatusWin>(this, skin, rect(E::RecStatus), kFirstStateIcon));
    name_ = Add(std::make_unique<NameWin>(this, skin, rect(E::Name), 0));
    auto text = [&](E e, int font, int alignment) {
        return Add(
            std::make_unique<StaticTextWin>(this, skin, rect(e), font, background, alignment));
    };
    const Settings& settings = *env_.settings;
    if (settings.ShowMaxTime) maxTime_ = text(E::MaxTime, 0, kAlignCentre);
    if (settings.ShowBattery) battery_ = text(E::Battery, 0, kAlignCentre);
    if (transport.HasInterface()) {
        gainText_ = text(E::CFACGainText, 3, 0);
        gainKnob_ = Add(std::make_unique<StripeWin>(this, skin, rect(E::CFACGainKnob),
                                                    rect(E::CFACGainKnobMiddle),
                                                    [this](int steps) { StepGain(steps); }));
        volumeText_ = text(E::CFACVolText, 3, 0);
        volumeKnob_ = Add(std::make_unique<StripeWin>(this, skin, rect(E::CFACVolKnob),
                                                      rect(E::CFACVolKnobMiddle),
                                                      [this](int steps) { StepVolume(steps); }));
    } else if (settings.DigitalMicGainControl) {
        gainText_ = text(E::CFACGainText, 3, 0);
        gainKnob_ =
            Add(std::make_unique<StripeWin>(this, skin, rect(E::GainKnob), rect(E::GainKnobMiddle),
                                            [this](int steps) { StepGain(steps); }));
    }
    LightState(state_, true);
    status_->SetIndex(static_cast<int>(state_));
    ShowTimeText(0);
}

int ScreenKeyFromQt(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyEnter;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Down:
            return kKeyDown;
        default:
            break;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
    return 0;
}

}  // namespace mora
