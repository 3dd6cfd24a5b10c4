#include "ui/about_screen.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "audio/mp2_bitrate.h"
#include "ui/field_text.h"

namespace mora {

namespace {

// Skin units of a row that its label takes; the value has the rest.
constexpr int kLabelUnits = 108;
constexpr int kRowUnits = 14;
// Fonts: the heading in the normal fixed-pitch font, rows and version in the sans-serif one.
constexpr int kHeadingFont = 0;
constexpr int kRowFont = 3;

uint64_t MiB(std::optional<uint64_t> bytes) {
    return bytes.value_or(0) >> 20;
}

}  // namespace

std::string VersionLine() {
    return Format("Mora Edit  version %d.%d.%d", MORA_VERSION_MAJOR, MORA_VERSION_MINOR,
                  MORA_VERSION_PATCH);
}

AboutWWin::AboutWWin(ScreenHost& host, const Skin& skin, AboutEnv env, int pictures)
    : WWin(host, kIndex, &skin, pictures), env_(std::move(env)) {
    using E = SkinElement;
    const uint32_t background = skin.ColourValue(SkinColour::TextBackground);
    auto text = [&](SkinRect r, int font, int alignment, uint32_t back) {
        StaticTextWin* t =
            Add(std::make_unique<StaticTextWin>(this, skin, r, font, back, alignment));
        t->KeepUpright();
        return t;
    };
    device_ = Add(std::make_unique<ToggleButtonWin>(this, skin, skin.Rect(E::AboutDevice),
                                                    [this](bool) { ShowDevicePage(); }));
    project_ = Add(std::make_unique<ToggleButtonWin>(
        this, skin, skin.Rect(E::AboutProject), [this](bool) { ShowProjectPage(); }, true));
    heading_ = text(skin.Rect(E::AboutName), kHeadingFont, kAlignCentre, background);
    // A label keeps to the left part of its row; the value lies over the whole row against its
    // right edge, drawn over the picture, so that a long value (the project folder) may take
    // what a short label leaves.
    const SkinRect row = skin.Rect(E::AboutWindowText);
    const int labelUnits = std::min(kLabelUnits, row.w);
    for (int r = 0; r < kRows; ++r) {
        const int y = row.y + kRowUnits * r;
        labels_[r] = text({row.x, y, labelUnits, row.h}, kRowFont, 0, background);
        values_[r] = text({row.x, y, row.w, row.h}, kRowFont, kAlignRight, kTextTransparent);
    }
    version_ = text(skin.Rect(E::AboutVersion), kRowFont, kAlignCentre, background);
    version_->SetText(VersionLine());
}

void AboutWWin::Activate() {
    FillPage();
    host_.EnableEditPopup(false);
    WWin::Activate();
}

void AboutWWin::ShowPage(Page page) {
    page_ = page;
    device_->SetState(page == Page::Device);
    project_->SetState(page == Page::Project);
    FillPage();
    host_.InvalidateScreen();
}

void AboutWWin::RefreshAbout() {
    FillPage();
    host_.InvalidateScreen();
}

void AboutWWin::FillPage() {
    for (int r = 0; r < kRows; ++r) SetRow(r, "", "");
    if (page_ == Page::Device) {
        FillDevicePage();
    } else {
        FillProjectPage();
    }
}

void AboutWWin::SetRow(int row, const std::string& label, const std::string& value) {
    labels_[row]->SetText(label);
    // The value is shortened in its middle to the room the label leaves.
    const QFontMetrics metrics(skin_->Font(kRowFont, false).font);
    const int labelWidth = std::min(metrics.horizontalAdvance(QString::fromStdString(label)),
                                    labels_[row]->Rect().width());
    const int gap = label.empty() ? 0 : metrics.averageCharWidth() / 2;
    const int room = std::max(0, values_[row]->Rect().width() - labelWidth - gap);
    values_[row]->SetText(
        metrics.elidedText(QString::fromStdString(value), Qt::ElideMiddle, room).toStdString());
}

void AboutWWin::FillDevicePage() {
    heading_->SetText("Available memory in MByte");
    // The program works in its own folder; a star says the project shares its volume.
    const std::string folder = env_.projectFolder ? env_.projectFolder() : std::string();
    uint64_t here = 0;
    uint64_t project = 0;
    if (env_.freeBytes) {
        here = MiB(env_.freeBytes("."));
        project = MiB(env_.freeBytes(folder.empty() ? "." : folder));
    }
    SetRow(0, "Main memory",
           Format(here == project ? "%7d*" : "%7d ",
                  static_cast<int>(std::min<uint64_t>(here, INT32_MAX))));
    const double load = env_.processorLoad ? env_.processorLoad() : 0.0;
    SetRow(1, "Processor-load", Format("%d%%", static_cast<int>(std::lround(load * 100))));
    int battery = 0;
    if (env_.battery) battery = std::clamp(env_.battery().value_or(0), 0, 100);
    SetRow(2, "Battery", Format("%d%%", battery));
}

void AboutWWin::FillProjectPage() {
    const Settings& settings = *env_.settings;
    heading_->SetText(env_.projectName ? env_.projectName() : std::string());
    const std::string folder = env_.projectFolder ? env_.projectFolder() : std::string();
    SetRow(0, "At: ", folder);
    const bool mp2 = env_.projectMp2 ? env_.projectMp2() : settings.RecordMp2 != 0;
    SetRow(1, "Recording format", mp2 ? "mp2" : "wav");
    SetRow(2, "", settings.RecordStereo ? "stereo" : "mono");
    const uint32_t index =
        std::min<uint32_t>(settings.Mp2BitrateIndex, kMp2BitratesKbps.size() - 1);
    SetRow(3, "MP2 bitrate (kbit/s)", std::to_string(kMp2BitratesKbps[index]));
    SetRow(4, "Input EQ", settings.EqProfileName + (settings.EqOn ? "" : "(Off)"));
    uint64_t free = 0;
    if (env_.freeBytes) free = env_.freeBytes(folder.empty() ? "." : folder).value_or(0);
    const uint32_t rate = env_.recordingRate ? env_.recordingRate() : 44100;
    SetRow(5, "Available recording time", RecordingTimeLeftText(settings, free, rate));
}

}  // namespace mora
