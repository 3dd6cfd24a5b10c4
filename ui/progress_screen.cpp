#include "ui/progress_screen.h"

#include <QCoreApplication>
#include <cstdio>

namespace mora {

namespace {

// The percentage sits this many skin units below the title.
constexpr int kPercentOffset = 26;

}  // namespace

ProgressWWin::ProgressWWin(ScreenHost& host, const Skin& skin, int pictures)
    : WWin(host, kIndex, &skin, pictures) {
    using E = SkinElement;
    const uint32_t background = skin.ColourValue(SkinColour::TextBackground);
    cancel_ = Add(std::make_unique<PushButtonWin>(this, skin, skin.Rect(E::ProgressCancel),
                                                  [this] { Cancel(); }));
    bar_ = Add(std::make_unique<PrgBarWin>(this, skin, skin.Rect(E::ProgressBar)));
    SkinRect text = skin.Rect(E::ProgressText);
    title_ = Add(std::make_unique<StaticTextWin>(this, skin, text, 0, background, kAlignCentre));
    text.y += kPercentOffset;
    percent_ = Add(std::make_unique<StaticTextWin>(this, skin, text, 2, background, kAlignCentre));
    title_->KeepUpright();
    percent_->KeepUpright();
}

void ProgressWWin::ProgressStart(uint32_t total, const std::string& title) {
    total_ = total;
    titleText_ = title;
    Restart();
}

void ProgressWWin::Activate() {
    WWin::Activate();
    Restart();
}

void ProgressWWin::Restart() {
    cancelRequested_ = false;
    cancel_->Reset();
    done_ = 0;
    shownPercent_ = -1;
    bar_->SetFilled(total_ == 0 ? bar_->Rect().width() : 0);
    title_->SetText(titleText_);
    ShowPercent();
    host_.InvalidateScreen();
    host_.UpdateScreen();
}

void ProgressWWin::ProgressStep(uint32_t steps) {
    done_ = steps > total_ - done_ ? total_ : done_ + steps;
    const int width = bar_->Rect().width();
    bar_->SetFilled(
        total_ == 0 ? width
                    : static_cast<int>(uint64_t{static_cast<uint32_t>(width)} * done_ / total_));
    ShowPercent();
}

int ProgressWWin::Percent() const {
    return total_ == 0 ? 100 : static_cast<int>(uint64_t{done_} * 100 / total_);
}

void ProgressWWin::ShowPercent() {
    const int percent = Percent();
    if (percent == shownPercent_) return;
    char text[16];
    std::snprintf(text, sizeof text, "%4d %%", percent);
    percent_->SetText(text);
    shownPercent_ = percent;
}

bool ProgressWWin::ProgressCancelled() {
    QCoreApplication::processEvents();
    return cancelRequested_;
}

}  // namespace mora
