#include "ui/win.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "ui/wwin.h"

namespace mora {

namespace {

QRect ScaleRect(const Skin& skin, SkinRect r) {
    return skin.Scaled(r);
}

}  // namespace

Win::Win(WWin* owner, const Skin& skin, SkinRect units) : Win(owner, ScaleRect(skin, units)) {}

Win::Win(WWin* owner, QRect pixels)
    : owner_(owner), x_(pixels.x()), y_(pixels.y()), w_(pixels.width()), h_(pixels.height()) {}

bool Win::HitTest(PointerState& pointer, int x, int y) {
    if (x < x_ || x >= x_ + w_ || y < y_ || y >= y_ + h_) return false;
    pointer.pressed = this;
    return true;
}

void Win::Redraw() const {
    Redraw(Rect());
}

void Win::Redraw(const QRect& part) const {
    if (owner_) owner_->Host().InvalidateRect(part);
}

void Win::CopyFromPicture(QPainter& painter, const QRect& part, bool pressed) const {
    if (!owner_) return;
    const QPixmap& picture = pressed ? owner_->PressedPicture() : owner_->NormalPicture();
    if (picture.isNull()) return;
    const qreal dpr = picture.devicePixelRatio();
    painter.drawPixmap(
        QRectF(part), picture,
        QRectF(part.x() * dpr, part.y() * dpr, part.width() * dpr, part.height() * dpr));
}

void DrawSkinText(QPainter& painter, const QRect& r, const QString& text, const SkinFont& font,
                  const QColor& colour, bool centred) {
    DrawSkinText(painter, r, text, font, colour,
                 Qt::Alignment(centred ? Qt::AlignHCenter : Qt::AlignLeft));
}

void DrawSkinText(QPainter& painter, const QRect& r, const QString& text, const SkinFont& font,
                  const QColor& colour, Qt::Alignment horizontal) {
    painter.save();
    painter.setClipRect(r);
    // A text a little too wide for its rectangle is narrowed rather than cut off.
    QFont shown = font.font;
    const int wide = QFontMetrics(shown).horizontalAdvance(text);
    if (wide > r.width() && r.width() > 0 && shown.pixelSize() > 0) {
        shown.setPixelSize(
            std::max(shown.pixelSize() * 3 / 4, shown.pixelSize() * r.width() / wide));
    }
    painter.setFont(shown);
    painter.setPen(colour);
    const int flags = (horizontal & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    if (font.turned) {
        // Upside down in place: turned about the rectangle's centre.
        painter.translate(r.center() + QPointF(0.5, 0.5));
        painter.rotate(180);
        painter.drawText(QRectF(-r.width() / 2.0, -r.height() / 2.0, r.width(), r.height()), flags,
                         text);
    } else {
        painter.drawText(r, flags, text);
    }
    painter.restore();
}

StaticTextWin::StaticTextWin(WWin* owner, const Skin& skin, SkinRect units, int font,
                             uint32_t background, int alignment)
    : Win(owner, skin, units),
      skin_(skin),
      font_(font),
      background_(background),
      alignment_(alignment) {}

void StaticTextWin::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Redraw();
}

void StaticTextWin::Paint(QPainter& painter) {
    if (background_ == kTextOverPicture) {
        CopyFromPicture(painter, Rect(), false);
    } else if (background_ != kTextTransparent) {
        painter.fillRect(Rect(), ColourFromValue(background_));
    }
    DrawSkinText(painter, Rect(), QString::fromStdString(text_),
                 skin_.Font(font_, skin_.Flipped() && !upright_), skin_.Colour(SkinColour::Text),
                 Qt::Alignment(alignment_ == kAlignCentre  ? Qt::AlignHCenter
                               : alignment_ == kAlignRight ? Qt::AlignRight
                                                           : Qt::AlignLeft));
}

ToggleButtonWin::ToggleButtonWin(WWin* owner, const Skin& skin, SkinRect units, Callback callback,
                                 bool on)
    : Win(owner, skin, units), callback_(std::move(callback)), on_(on) {}

void ToggleButtonWin::SetState(bool on) {
    if (on == on_) return;
    on_ = on;
    Redraw();
}

void ToggleButtonWin::Paint(QPainter& painter) {
    if (on_) CopyFromPicture(painter, Rect(), true);
}

void ToggleButtonWin::Press(PointerState&) {
    if (callback_) callback_(!on_);
}

PushButtonWin::PushButtonWin(WWin* owner, const Skin& skin, SkinRect units,
                             std::function<void()> callback)
    : Win(owner, skin, units), callback_(std::move(callback)) {}

void PushButtonWin::Paint(QPainter& painter) {
    if (down_) CopyFromPicture(painter, Rect(), true);
}

void PushButtonWin::Press(PointerState&) {
    down_ = true;
    Redraw();
    if (callback_) callback_();
}

void PushButtonWin::Release(PointerState&) {
    down_ = false;
    Redraw();
}

ButtonWin::ButtonWin(WWin* owner, const Skin& skin, SkinRect units, int normalBitmap,
                     int pressedBitmap)
    : Win(owner, skin, units), skin_(skin), normal_(normalBitmap), pressed_(pressedBitmap) {}

void ButtonWin::SetState(int state) {
    state_ = state;
    Redraw();
}

void ButtonWin::Paint(QPainter& painter) {
    const QPixmap& picture = skin_.Bitmap(state_ == 1 ? pressed_ : normal_);
    if (!picture.isNull()) painter.drawPixmap(Rect(), picture);
}

ButtonBarWin::ButtonBarWin(WWin* owner, const Skin& skin, SkinRect units, int top, int middle,
                           int bottom, std::function<void(int y)> callback)
    : Win(owner, skin, units),
      skin_(skin),
      bitmaps_{top, middle, bottom},
      callback_(std::move(callback)) {}

bool ButtonBarWin::HitTest(PointerState& pointer, int x, int y) {
    if (x < x_ || y < y_ || y >= y_ + h_) return false;
    pointer.pressed = this;
    return true;
}

void ButtonBarWin::Paint(QPainter& painter) {
    // The top and bottom pictures keep their height; the middle one fills between them.
    const QPixmap& top = skin_.Bitmap(bitmaps_[0]);
    const QPixmap& middle = skin_.Bitmap(bitmaps_[1]);
    const QPixmap& bottom = skin_.Bitmap(bitmaps_[2]);
    const int th =
        top.isNull() ? 0 : std::min(h_ / 3, static_cast<int>(top.deviceIndependentSize().height()));
    const int bh =
        bottom.isNull()
            ? 0
            : std::min(h_ / 3, static_cast<int>(bottom.deviceIndependentSize().height()));
    if (th) painter.drawPixmap(QRect(x_, y_, w_, th), top);
    if (!middle.isNull()) painter.drawPixmap(QRect(x_, y_ + th, w_, h_ - th - bh), middle);
    if (bh) painter.drawPixmap(QRect(x_, y_ + h_ - bh, w_, bh), bottom);
}

void ButtonBarWin::Press(PointerState& pointer) {
    if (callback_) callback_(pointer.pressY - y_);
}

ScrollbarWin::ScrollbarWin(WWin* owner, const Skin& skin, SkinRect units, Callbacks callbacks)
    : Win(owner, skin, units), callbacks_(std::move(callbacks)) {}

void ScrollbarWin::SetRange(uint32_t start, uint32_t end, uint32_t total) {
    if (total == 0) {
        thumbOffset_ = thumbWidth_ = 0;
    } else {
        thumbOffset_ = static_cast<int>(static_cast<uint64_t>(w_) * start / total);
        thumbWidth_ = static_cast<int>(static_cast<uint64_t>(w_) * end / total) - thumbOffset_;
        if (thumbWidth_ < 4) {
            thumbWidth_ = 4;
            thumbOffset_ = std::min(thumbOffset_, std::max(0, w_ - 4));
        }
    }
    Redraw();
}

void ScrollbarWin::Paint(QPainter& painter) {
    if (thumbWidth_ > 0) {
        CopyFromPicture(painter, QRect(x_ + thumbOffset_, y_, thumbWidth_, h_), true);
    }
}

void ScrollbarWin::Press(PointerState& pointer) {
    if ((callbacks_.busy && callbacks_.busy()) || thumbWidth_ >= w_) return;
    const int at = pointer.pressX - x_;
    if (at < thumbOffset_) {
        if (callbacks_.page) callbacks_.page(-1);
    } else if (at >= thumbOffset_ + thumbWidth_) {
        if (callbacks_.page) callbacks_.page(1);
    } else {
        pointer.dragActive = true;
        if (callbacks_.dragStart) callbacks_.dragStart();
    }
}

void ScrollbarWin::Drag(PointerState& pointer) {
    if (callbacks_.drag) callbacks_.drag(pointer.dx);
}

void PrgBarWin::SetFilled(int width) {
    width = std::clamp(width, 0, w_);
    if (width == filled_) return;
    const int from = std::min(width, filled_);
    const int to = std::max(width, filled_);
    filled_ = width;
    Redraw(QRect(x_ + from, y_, to - from, h_));
}

void PrgBarWin::Paint(QPainter& painter) {
    if (filled_ > 0) CopyFromPicture(painter, QRect(x_, y_, filled_, h_), true);
}

StripeWin::StripeWin(WWin* owner, const Skin& skin, SkinRect units, SkinRect middle,
                     std::function<void(int steps)> callback)
    : Win(owner, skin, units),
      skin_(skin),
      centreX_(static_cast<int>(middle.x * skin.ScaleX())),
      centreY_(static_cast<int>(middle.y * skin.ScaleY())),
      callback_(std::move(callback)) {}

void StripeWin::SetValue(uint32_t value) {
    value = std::min<uint32_t>(value, 65535);
    if (value == value_) return;
    value_ = value;
    Redraw();
}

double StripeWin::Angle() const {
    return 240.0 - value_ * 300.0 / 65536.0 + (skin_.Flipped() ? 180.0 : 0.0);
}

void StripeWin::Paint(QPainter& painter) {
    // The face under the pointer comes back first, so an old pointer does not stay.
    CopyFromPicture(painter, Rect(), false);
    const double a = Angle() * M_PI / 180.0;
    const QPointF centre(x_ + centreX_ + 0.5, y_ + centreY_ + 0.5);
    const double length = std::min(w_, h_) * 0.36;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xff, 0xb5, 0x2e), std::max(1.5, std::min(w_, h_) * 0.09),
                        Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(std::cos(a), -std::sin(a)) * length);
    painter.restore();
}

void StripeWin::Press(PointerState& pointer) {
    pointer.dragActive = true;
    dragSteps_ = 0;
}

void StripeWin::Drag(PointerState& pointer) {
    // Up (as the reporter holds the screen) turns the knob up; 8 pixels of travel are a step.
    const int steps = (skin_.Flipped() ? pointer.dy : -pointer.dy) / kDragStep;
    if (steps != dragSteps_ && callback_) {
        const int delta = steps - dragSteps_;
        dragSteps_ = steps;
        callback_(delta);
    }
}

NameWin::NameWin(WWin* owner, const Skin& skin, SkinRect units, int font)
    : Win(owner, skin, units), skin_(skin), font_(font) {}

void NameWin::SetName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    Redraw();
}

void NameWin::Paint(QPainter& painter) {
    DrawSkinText(painter, Rect(), QString::fromStdString(name_), skin_.Font(font_, skin_.Flipped()),
                 skin_.Colour(SkinColour::Text), true);
}

}  // namespace mora
