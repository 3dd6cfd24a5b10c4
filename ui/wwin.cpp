#include "ui/wwin.h"

#include <QPainter>

namespace mora {

void WWin::Activate() {
    active_ = true;
    host_.CheckMenuItem(cmd::ScreenItem(index_), true);
    host_.InvalidateScreen();
}

void WWin::Deactivate() {
    active_ = false;
    host_.CheckMenuItem(cmd::ScreenItem(index_), false);
}

void WWin::Paint(QPainter& painter, const QRect& area) {
    painter.fillRect(area, Qt::black);
}

}  // namespace mora
