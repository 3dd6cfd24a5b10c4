#include "ui/recorder_controls.h"

#include <QPainter>

#include "ui/artwork_parts.h"

namespace mora {

int MeterSteps(uint8_t level) {
    return level >= 79 ? 0 : 80 - level;
}

VuWin::VuWin(WWin* owner, const Skin& skin, SkinRect units, int channels)
    : Win(owner, skin, units), turned_(skin.Flipped()), channels_(std::clamp(channels, 1, 2)) {}

QRect VuWin::ChannelRect(int channel) const {
    // The same columns the pictures draw: a gap of an eighth of the width between channels.
    const qreal gap = std::max<qreal>(1.0, w_ * 0.12);
    const qreal cw = (w_ - gap * (channels_ - 1)) / channels_;
    const qreal left = x_ + channel * (cw + gap);
    return QRectF(left, y_, cw, h_).toAlignedRect();
}

QRect VuWin::Rows(int channel, int from, int to) const {
    // Steps from (inclusive) to to (exclusive), as window rows.
    if (from >= to) return {};
    const QRect column = ChannelRect(channel);
    const QRect meter(x_, y_, w_, h_);
    const QRectF a = MeterStepRows(meter, from, turned_);
    const QRectF b = MeterStepRows(meter, to - 1, turned_);
    return QRectF(QPointF(column.left(), std::min(a.top(), b.top())),
                  QPointF(column.right() + 1, std::max(a.bottom(), b.bottom())))
        .toAlignedRect();
}

void VuWin::SetSteps(int left, int right) {
    const int wanted[2] = {std::clamp(left, 0, kSteps), std::clamp(right, 0, kSteps)};
    lastChange_ = QRect();
    for (int ch = 0; ch < channels_; ++ch) {
        const int old = steps_[ch];
        const int now = wanted[ch];
        if (old == now) continue;
        steps_[ch] = now;
        lastChange_ |= Rows(ch, std::min(old, now), std::max(old, now));
    }
    if (!lastChange_.isEmpty()) Redraw(lastChange_);
}

void VuWin::Reset() {
    steps_.fill(0);
    lastChange_ = Rect();
    Redraw();
}

void VuWin::Paint(QPainter& painter) {
    CopyFromPicture(painter, Rect(), false);
    for (int ch = 0; ch < channels_; ++ch) {
        const QRect lit = Rows(ch, 0, steps_[ch]);
        if (!lit.isEmpty()) CopyFromPicture(painter, lit, true);
    }
}

RecTimeWin::RecTimeWin(WWin* owner, const Skin& skin, SkinRect units, uint32_t background, int font)
    : StaticTextWin(owner, skin, units, font, background, kAlignCentre) {}

RecStatusWin::RecStatusWin(WWin* owner, const Skin& skin, SkinRect units, int firstIcon)
    : Win(owner, skin, units), skin_(skin), firstIcon_(firstIcon) {}

void RecStatusWin::SetIndex(int index) {
    if (index == index_) return;
    index_ = index;
    Redraw();
}

void RecStatusWin::Paint(QPainter& painter) {
    const QPixmap& icon = skin_.Bitmap(firstIcon_ + index_);
    if (icon.isNull()) return;
    painter.save();
    if (skin_.Flipped()) {
        painter.translate(QRectF(Rect()).center());
        painter.rotate(180);
        painter.translate(-QRectF(Rect()).center());
    }
    painter.drawPixmap(Rect(), icon);
    painter.restore();
}

}  // namespace mora
