#pragma once
// The elements the screens are made of. Every element is a rectangle of the window; controls
// paint by copying their rectangle from the owning screen's normal or pressed picture, or by
// drawing text and lines into it. The left button reaches them through the screen's hit test:
// press on the hit element, drag while a press started one, release on the element pressed.

#include <QRect>
#include <functional>
#include <string>

#include "ui/skin.h"

class QPainter;
class QPixmap;

namespace mora {

class Win;
class WWin;

// The shared pointer state of the left button (one per window).
struct PointerState {
    int pressX = 0;
    int pressY = 0;
    int dx = 0;  // offset of the mouse from the press position while dragging
    int dy = 0;
    Win* pressed = nullptr;
    bool buttonDown = false;
    bool dragActive = false;
};

class Win {
  public:
    // `units` is in skin units: x and w are scaled by the horizontal factor, y and h by the
    // vertical one, each truncated.
    Win(WWin* owner, const Skin& skin, SkinRect units);
    Win(WWin* owner, QRect pixels);
    virtual ~Win() = default;
    Win(const Win&) = delete;
    Win& operator=(const Win&) = delete;

    virtual void RightDown(int x, int y) { (void)x, (void)y; }
    virtual void RightUp(int x, int y) { (void)x, (void)y; }
    virtual void TimerTick() {}
    virtual void KeyDown(int key) { (void)key; }
    virtual void Paint(QPainter& painter) { (void)painter; }
    // True when (x, y) lies inside; the element then records itself as the pressed one.
    virtual bool HitTest(PointerState& pointer, int x, int y);
    virtual void Press(PointerState& pointer) { (void)pointer; }
    virtual void Release(PointerState& pointer) { (void)pointer; }
    virtual void Drag(PointerState& pointer) { (void)pointer; }

    QRect Rect() const { return QRect(x_, y_, w_, h_); }
    WWin* Owner() const { return owner_; }

  protected:
    // Has the window repaint this element's rectangle (or a part of it).
    void Redraw() const;
    void Redraw(const QRect& part) const;
    // Copies `part` (window pixels) of the owner's pressed or normal picture into place.
    void CopyFromPicture(QPainter& painter, const QRect& part, bool pressed) const;

    WWin* owner_;
    int x_, y_, w_, h_;
};

// Draws `text` into `r` in a skin font: centred or from the left edge, upside down in place
// when the font is turned.
void DrawSkinText(QPainter& painter, const QRect& r, const QString& text, const SkinFont& font,
                  const QColor& colour, bool centred);
// The same with the horizontal alignment given (left, centre or right).
void DrawSkinText(QPainter& painter, const QRect& r, const QString& text, const SkinFont& font,
                  const QColor& colour, Qt::Alignment horizontal);

// Text background markers of StaticTextWin.
inline constexpr uint32_t kTextTransparent = 0x555555;
inline constexpr uint32_t kTextOverPicture = 0x555556;
// Alignment values that centre the text horizontally or put it against the right edge; any
// other starts it at the left edge.
inline constexpr int kAlignCentre = 6;
inline constexpr int kAlignRight = 2;

class StaticTextWin : public Win {
  public:
    StaticTextWin(WWin* owner, const Skin& skin, SkinRect units, int font, uint32_t background,
                  int alignment);
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    // Keeps the text upright on a flipped skin: only the record screen's elements turn.
    void KeepUpright() { upright_ = true; }
    void Paint(QPainter& painter) override;

  protected:
    const Skin& skin_;
    std::string text_;
    int font_;
    uint32_t background_;
    int alignment_;
    bool upright_ = false;
};

class ToggleButtonWin : public Win {
  public:
    using Callback = std::function<void(bool on)>;
    ToggleButtonWin(WWin* owner, const Skin& skin, SkinRect units, Callback callback,
                    bool on = false);
    bool On() const { return on_; }
    void SetState(bool on);
    void Paint(QPainter& painter) override;
    // Calls the callback with the inverted state; the callback decides what lights.
    void Press(PointerState& pointer) override;

  private:
    Callback callback_;
    bool on_;
};

class PushButtonWin : public Win {
  public:
    PushButtonWin(WWin* owner, const Skin& skin, SkinRect units, std::function<void()> callback);
    bool Down() const { return down_; }
    // Shows the button up again when its release never came (the screen went meanwhile).
    void Reset() { down_ = false; }
    void Paint(QPainter& painter) override;
    void Press(PointerState& pointer) override;
    void Release(PointerState& pointer) override;

  private:
    std::function<void()> callback_;
    bool down_ = false;
};

// A button with its own two pictures from the skin.
class ButtonWin : public Win {
  public:
    ButtonWin(WWin* owner, const Skin& skin, SkinRect units, int normalBitmap, int pressedBitmap);
    int State() const { return state_; }
    void SetState(int state);
    void Paint(QPainter& painter) override;

  private:
    const Skin& skin_;
    int normal_;
    int pressed_;
    int state_ = 0;
};

// A vertical bar of three pictures; a press anywhere in its rows at or right of its left edge
// counts.
class ButtonBarWin : public Win {
  public:
    ButtonBarWin(WWin* owner, const Skin& skin, SkinRect units, int top, int middle, int bottom,
                 std::function<void(int y)> callback);
    bool HitTest(PointerState& pointer, int x, int y) override;
    void Paint(QPainter& painter) override;
    void Press(PointerState& pointer) override;

  private:
    const Skin& skin_;
    int bitmaps_[3];
    std::function<void(int y)> callback_;
};

// The visible part of a recording as a thumb on a bar.
class ScrollbarWin : public Win {
  public:
    struct Callbacks {
        std::function<bool()> busy;        // a long operation runs: presses are ignored
        std::function<void(int)> page;     // -1: back one visible width, +1: forward
        std::function<void(int dx)> drag;  // the thumb dragged by dx pixels from the press
        std::function<void()> dragStart;
    };
    ScrollbarWin(WWin* owner, const Skin& skin, SkinRect units, Callbacks callbacks);
    // The visible range [start, end) of `total` units.
    void SetRange(uint32_t start, uint32_t end, uint32_t total);
    int ThumbOffset() const { return thumbOffset_; }
    int ThumbWidth() const { return thumbWidth_; }
    void Paint(QPainter& painter) override;
    void Press(PointerState& pointer) override;
    void Drag(PointerState& pointer) override;

  private:
    Callbacks callbacks_;
    int thumbOffset_ = 0;
    int thumbWidth_ = 0;
};

class PrgBarWin : public Win {
  public:
    PrgBarWin(WWin* owner, const Skin& skin, SkinRect units) : Win(owner, skin, units) {}
    void SetFilled(int width);
    int Filled() const { return filled_; }
    void Paint(QPainter& painter) override;

  private:
    int filled_ = 0;
};

// A rotary knob. Dragging up or down by 8 pixels is one step.
class StripeWin : public Win {
  public:
    static constexpr int kDragStep = 8;
    StripeWin(WWin* owner, const Skin& skin, SkinRect units, SkinRect middle,
              std::function<void(int steps)> callback);
    uint32_t Value() const { return value_; }
    void SetValue(uint32_t value);
    // The pointer's angle in degrees, counter-clockwise from 3 o'clock.
    double Angle() const;
    void Paint(QPainter& painter) override;
    void Press(PointerState& pointer) override;
    void Drag(PointerState& pointer) override;

  private:
    const Skin& skin_;
    int centreX_, centreY_;
    std::function<void(int)> callback_;
    uint32_t value_ = 0;
    int dragSteps_ = 0;
};

class NameWin : public Win {
  public:
    NameWin(WWin* owner, const Skin& skin, SkinRect units, int font);
    void SetName(const std::string& name);
    const std::string& Name() const { return name_; }
    void Paint(QPainter& painter) override;

  private:
    const Skin& skin_;
    int font_;
    std::string name_;
};

}  // namespace mora
