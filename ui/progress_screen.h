#pragma once
// The progress screen: what a long operation (publishing) shows while it runs on the GUI thread,
// a title, a bar, the percentage and a Cancel button. The operation calls it between blocks;
// asking whether it was cancelled lets the pending input through, so Cancel works meanwhile.

#include <cstdint>
#include <string>

#include "ui/artwork.h"
#include "ui/wwin.h"

namespace mora {

class ProgressWWin : public WWin {
  public:
    static constexpr int kIndex = 5;
    static constexpr uint32_t kDefaultTotal = 100;

    ProgressWWin(ScreenHost& host, const Skin& skin, int pictures = kProgressPictures);

    // Starts over with `total` steps under `title`: Cancel forgotten, nothing done, the screen
    // repainted at once.
    void ProgressStart(uint32_t total, const std::string& title);
    // Adds `steps` (never beyond the total) to the bar and the percentage.
    void ProgressStep(uint32_t steps = 1);
    // Processes the pending events (a press on Cancel among them), then says whether Cancel
    // was pressed since the start.
    bool ProgressCancelled();
    // What the Cancel button does; also the window's answer to a close while the job runs.
    void Cancel() { cancelRequested_ = true; }

    // Starts over with the stored total and title.
    void Activate() override;

    PushButtonWin* CancelButton() const { return cancel_; }
    PrgBarWin* Bar() const { return bar_; }
    StaticTextWin* TitleText() const { return title_; }
    StaticTextWin* PercentText() const { return percent_; }

  private:
    void Restart();
    // Percent done; a total of 0 counts as done.
    int Percent() const;
    void ShowPercent();

    bool cancelRequested_ = false;
    uint32_t total_ = kDefaultTotal;
    uint32_t done_ = 0;
    int shownPercent_ = -1;
    std::string titleText_;
    PushButtonWin* cancel_ = nullptr;
    PrgBarWin* bar_ = nullptr;
    StaticTextWin* title_ = nullptr;
    StaticTextWin* percent_ = nullptr;
};

}  // namespace mora
