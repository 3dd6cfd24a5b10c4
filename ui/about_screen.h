#pragma once
// The about screen: an information page with two faces, the device page (free space, processor
// load, battery) and the project page (where the project lives, its recording format, the input
// equaliser and the recording time left), chosen with two buttons, and the version line.

#include <array>
#include <functional>
#include <string>

#include "ui/artwork.h"
#include "ui/record_screen.h"
#include "ui/wwin.h"

namespace mora {

// What the about screen reads besides what the recorder screens read.
struct AboutEnv : RecorderEnv {
    // The current recording format: MP2 rather than WAV.
    std::function<bool()> projectMp2;
    // The audio engine's share of real time (0 ... 1).
    std::function<double()> processorLoad;
    // The sample rate WAV recordings are made at.
    std::function<uint32_t()> recordingRate;
};

// The program title and its version, as the about screen shows it.
std::string VersionLine();

class AboutWWin : public WWin {
  public:
    static constexpr int kIndex = 4;
    static constexpr int kRows = 8;
    enum class Page { Device, Project };

    AboutWWin(ScreenHost& host, const Skin& skin, AboutEnv env, int pictures = kAboutPictures);

    // The buttons' callbacks: light the page's button, fill the page and repaint.
    void ShowDevicePage() { ShowPage(Page::Device); }
    void ShowProjectPage() { ShowPage(Page::Project); }
    // Fills the current page again (after the input equaliser changed, say) and repaints.
    void RefreshAbout();
    // Fills the page, grays the Edit popup and activates the screen.
    void Activate() override;

    Page CurrentPage() const { return page_; }
    ToggleButtonWin* DeviceButton() const { return device_; }
    ToggleButtonWin* ProjectButton() const { return project_; }
    StaticTextWin* Heading() const { return heading_; }
    StaticTextWin* Label(int row) const { return labels_[row]; }
    StaticTextWin* Value(int row) const { return values_[row]; }
    StaticTextWin* Version() const { return version_; }

  private:
    void ShowPage(Page page);
    void FillPage();
    void FillDevicePage();
    void FillProjectPage();
    void SetRow(int row, const std::string& label, const std::string& value);

    AboutEnv env_;
    Page page_ = Page::Project;
    ToggleButtonWin* device_ = nullptr;
    ToggleButtonWin* project_ = nullptr;
    StaticTextWin* heading_ = nullptr;
    std::array<StaticTextWin*, kRows> labels_{};
    std::array<StaticTextWin*, kRows> values_{};
    StaticTextWin* version_ = nullptr;
};

}  // namespace mora
