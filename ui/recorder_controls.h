#pragma once
// The controls of the recorder screens: the level meter, the running time and the state
// picture.

#include <array>
#include <cstdint>

#include "ui/win.h"

namespace mora {

// Lit steps (0 ... 80) for a level byte: 0 (full scale) lights all 80, 79 and quieter none.
int MeterSteps(uint8_t level);

// A column of 80 steps per channel; the lit part comes from the pressed picture, the rest
// from the normal one, and only the part that changed is repainted.
class VuWin : public Win {
  public:
    static constexpr int kSteps = 80;
    VuWin(WWin* owner, const Skin& skin, SkinRect units, int channels = 2);
    // Lit steps per channel; the rows between the old and the new level are repainted.
    void SetSteps(int left, int right);
    // Level 0 on every channel, the whole column repainted.
    void Reset();
    int Steps(int channel) const { return steps_[channel]; }
    // The rows that changed by the last SetSteps (empty when nothing did).
    QRect LastChange() const { return lastChange_; }
    void Paint(QPainter& painter) override;

  private:
    QRect ChannelRect(int channel) const;
    QRect Rows(int channel, int from, int to) const;

    bool turned_;
    int channels_;
    std::array<int, 2> steps_{};
    QRect lastChange_;
};

class RecTimeWin : public StaticTextWin {
  public:
    // The record screen's large time uses font 1; the editor's smaller field another.
    RecTimeWin(WWin* owner, const Skin& skin, SkinRect units, uint32_t background, int font = 1);
};

// Shows the state icon of the current transport state.
class RecStatusWin : public Win {
  public:
    RecStatusWin(WWin* owner, const Skin& skin, SkinRect units, int firstIcon);
    void SetIndex(int index);
    int Index() const { return index_; }
    void Paint(QPainter& painter) override;

  private:
    const Skin& skin_;
    int firstIcon_;
    int index_ = 0;
};

}  // namespace mora
