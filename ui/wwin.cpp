#include "ui/wwin.h"

#include <QPainter>

namespace mora {

namespace {

QRect ScreenRect(const Skin* skin) {
    return skin ? QRect(QPoint(0, 0), skin->MainSize()) : QRect();
}

}  // namespace

WWin::WWin(ScreenHost& host, int index, const Skin* skin, int pictures)
    : Win(nullptr, ScreenRect(skin)),
      host_(host),
      skin_(skin),
      index_(index),
      pictures_(pictures) {}

const QPixmap& WWin::NormalPicture() const {
    static const QPixmap none;
    return skin_ && pictures_ ? skin_->Bitmap(pictures_) : none;
}

const QPixmap& WWin::PressedPicture() const {
    static const QPixmap none;
    return skin_ && pictures_ ? skin_->Bitmap(pictures_ + 1) : none;
}

void WWin::Activate() {
    active_ = true;
    host_.CheckMenuItem(cmd::ScreenItem(index_), true);
    host_.InvalidateScreen();
}

void WWin::Deactivate() {
    active_ = false;
    host_.CheckMenuItem(cmd::ScreenItem(index_), false);
}

void WWin::Paint(QPainter& painter) {
    const QPixmap& normal = NormalPicture();
    if (normal.isNull()) {
        painter.fillRect(Rect(), Qt::black);
    } else {
        // A picture from a skin file may differ in size from the screen: it is shown as it is.
        painter.drawPixmap(QPointF(0, 0), normal);
    }
    for (const auto& child : children_) child->Paint(painter);
}

bool WWin::HitTest(PointerState& pointer, int x, int y) {
    for (const auto& child : children_) {
        if (child->HitTest(pointer, x, y)) return true;
    }
    return false;
}

Win* WWin::Child(int i) const {
    return i >= 0 && i < ChildCount() ? children_[i].get() : nullptr;
}

void OnLeftDown(PointerState& pointer, WWin& screen, int x, int y) {
    if (pointer.buttonDown) return;
    pointer.buttonDown = true;
    pointer.pressX = x;
    pointer.pressY = y;
    pointer.dx = pointer.dy = 0;
    pointer.pressed = nullptr;
    if (screen.HitTest(pointer, x, y) && pointer.pressed) pointer.pressed->Press(pointer);
}

void OnMouseMove(PointerState& pointer, int x, int y) {
    if (!pointer.dragActive || !pointer.pressed) return;
    pointer.dx = x - pointer.pressX;
    pointer.dy = y - pointer.pressY;
    pointer.pressed->Drag(pointer);
}

void OnLeftUp(PointerState& pointer, int x, int y) {
    if (!pointer.buttonDown) return;
    pointer.dx = x - pointer.pressX;
    pointer.dy = y - pointer.pressY;
    pointer.buttonDown = false;
    if (Win* pressed = pointer.pressed) pressed->Release(pointer);
    pointer.pressed = nullptr;
    pointer.dragActive = false;
}

void ForgetPressed(PointerState& pointer) {
    pointer = PointerState{};
}

}  // namespace mora
