#include "ui/rec_graph.h"

#include <QPainter>
#include <algorithm>

#include "ui/artwork.h"
#include "ui/wwin.h"

namespace mora {

RecGraphWin::RecGraphWin(WWin* owner, const Skin& skin, SkinRect units, const EditState& edit,
                         Callbacks callbacks)
    : RecGraphWin(owner, skin, skin.Scaled(units), edit, std::move(callbacks)) {}

RecGraphWin::RecGraphWin(WWin* owner, const Skin& skin, QRect pixels, const EditState& edit,
                         Callbacks callbacks)
    : Win(owner, pixels), skin_(skin), edit_(edit), callbacks_(std::move(callbacks)) {
    // The quietest value sits on the graph's last row, not below it.
    for (int v = 0; v <= kLevelRange; ++v) {
        rowOf_[v] = y_ + std::min(std::max(h_ - 1, 0), v * h_ / kLevelRange);
    }
    points_.reserve(static_cast<size_t>(std::max(w_, 0)));
}

int RecGraphWin::WholeZoom() const {
    const uint64_t count = Count();
    const uint64_t width = static_cast<uint64_t>(std::max(w_, 1));
    int z = kClosestZoom;
    // Columns the whole recording needs at zoom z.
    auto columns = [count](int zoom) {
        return zoom >= 0 ? (count + (uint64_t{1} << zoom) - 1) >> zoom : count << -zoom;
    };
    while (z < 40 && columns(z) > width) ++z;
    return z;
}

uint64_t RecGraphWin::VisibleUnits() const {
    const uint64_t width = static_cast<uint64_t>(std::max(w_, 0));
    if (zoom_ >= 0) return width << zoom_;
    const uint64_t per = uint64_t{1} << -zoom_;
    return (width + per - 1) / per;
}

void RecGraphWin::SetView(int zoom, int64_t first) {
    zoom = std::clamp(zoom, kClosestZoom, std::max(WholeZoom(), kClosestZoom));
    const int oldZoom = zoom_;
    const uint32_t oldFirst = first_;
    zoom_ = zoom;
    const uint64_t visible = VisibleUnits();
    const int64_t last = Count() > visible ? static_cast<int64_t>(Count() - visible) : 0;
    first_ = static_cast<uint32_t>(std::clamp<int64_t>(first, 0, last));
    if (zoom_ != oldZoom || first_ != oldFirst) Redraw();
}

uint64_t RecGraphWin::UnitAt(int column) const {
    column = std::max(column, 0);
    if (zoom_ >= 0) return first_ + (static_cast<uint64_t>(column) << zoom_);
    return first_ + (static_cast<uint64_t>(column) >> -zoom_);
}

int64_t RecGraphWin::ColumnOf(uint32_t unit) const {
    const int64_t d = static_cast<int64_t>(unit) - first_;
    if (zoom_ >= 0) return d >= 0 ? d >> zoom_ : -((-d + (int64_t{1} << zoom_) - 1) >> zoom_);
    return d * (int64_t{1} << -zoom_);
}

bool RecGraphWin::InView(uint32_t unit) const {
    const int64_t column = ColumnOf(unit);
    return column >= 0 && column < w_;
}

QRect RecGraphWin::ColumnRect(int64_t column) const {
    return QRect(x_ + static_cast<int>(column), y_, 1, h_);
}

void RecGraphWin::SetCursor(uint32_t unit) {
    if (unit == cursor_) return;
    const uint32_t old = cursor_;
    cursor_ = unit;
    if (InView(old)) Redraw(ColumnRect(ColumnOf(old)));
    if (InView(unit)) Redraw(ColumnRect(ColumnOf(unit)));
}

void RecGraphWin::Points(std::vector<QPoint>& points) const {
    points.clear();
    const uint8_t* levels = edit_.rec.levels.data();
    const uint64_t count = std::min<uint64_t>(Count(), edit_.rec.levels.size());
    if (zoom_ >= 0) {
        const uint64_t step = uint64_t{1} << zoom_;
        uint64_t u = first_;
        for (int c = 0; c < w_ && u < count; ++c, u += step) {
            const uint8_t* p = levels + u;
            const uint8_t* end = levels + std::min(u + step, count);
            // The loudest value of the column is the smallest; an empty column is silence.
            uint8_t smallest = kLevelRange;
            for (; p != end; ++p) smallest = std::min(smallest, *p);
            points.emplace_back(x_ + c, rowOf_[smallest]);
        }
    } else {
        const int shift = -zoom_;
        for (int c = 0; c < w_; ++c) {
            const uint64_t u = first_ + (static_cast<uint64_t>(c) >> shift);
            if (u >= count) break;
            points.emplace_back(x_ + c, rowOf_[std::min<uint8_t>(levels[u], kLevelRange)]);
        }
    }
}

void RecGraphWin::DrawSegment(QPainter& painter, uint32_t begin, uint32_t end,
                              const QColor& colour) {
    if (end <= begin || points_.empty()) return;
    const int64_t n = static_cast<int64_t>(points_.size());
    // The columns that show any of the units [begin, end).
    const int64_t from = std::max<int64_t>(ColumnOf(begin), 0);
    const int64_t to =
        std::min<int64_t>((zoom_ >= 0 ? ColumnOf(end - 1) : ColumnOf(end) - 1), n - 1);
    if (from > to) return;
    painter.setPen(QPen(colour, 1));
    if (from == to) {
        painter.drawPoint(points_[static_cast<size_t>(from)]);
    } else {
        painter.drawPolyline(points_.data() + from, static_cast<int>(to - from + 1));
    }
}

void RecGraphWin::Draw(QPainter& painter) {
    const RecordingEdit& rec = edit_.rec;
    if (Count() == 0) return;
    painter.save();
    painter.setClipRect(Rect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    Points(points_);
    painter.setPen(QPen(skin_.Colour(SkinColour::Waveform), 1));
    painter.drawPolyline(points_.data(), static_cast<int>(points_.size()));

    const QColor cutColour = skin_.Colour(SkinColour::WaveformCut);
    const QColor editColour = skin_.Colour(SkinColour::WaveformEditCut);
    // The crop range, when it leaves something out; the cuts inside it are drawn over it.
    const uint32_t cropEnd = std::min(rec.cropEnd, rec.levelCount);
    if (rec.cropBegin < cropEnd && (rec.cropBegin > 0 || cropEnd < rec.levelCount)) {
        DrawSegment(painter, rec.cropBegin, cropEnd, cutColour);
    }
    for (uint32_t i = 0; i < rec.cutCount; ++i) {
        const VuCut& cut = rec.cuts[i];
        const bool current = static_cast<int32_t>(i) == edit_.selectedCut;
        const QColor colour = current ? editColour : cutColour;
        if (cut.begin == cut.end) {
            if (!InView(cut.begin)) continue;
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(ColumnRect(ColumnOf(cut.begin)), Qt::white);
            painter.restore();
            continue;
        }
        // A faint band behind the skipped part, so a cut inside the crop range stands out.
        const int64_t from = std::max<int64_t>(ColumnOf(cut.begin), 0);
        const int64_t to = std::min<int64_t>(ColumnOf(cut.end), w_);
        if (from < to) {
            QColor band = colour;
            band.setAlpha(current ? 70 : 45);
            painter.fillRect(
                QRect(x_ + static_cast<int>(from), y_, static_cast<int>(to - from), h_), band);
        }
        DrawSegment(painter, cut.begin, cut.end, colour);
    }

    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    const QPixmap& marker = skin_.Bitmap(kMarkerPicture);
    if (!marker.isNull()) {
        const qreal mw = marker.deviceIndependentSize().width();
        for (uint32_t i = 0; i < rec.markerCount; ++i) {
            if (!InView(rec.markers[i])) continue;
            const qreal left = x_ + ColumnOf(rec.markers[i]) + 0.5 - mw / 2;
            // Cut off at the left edge; one that would cross the right edge is left out.
            if (left + mw > x_ + w_) continue;
            painter.drawPixmap(QPointF(left, y_), marker);
        }
    }
    painter.fillRect(InView(cursor_) ? ColumnRect(ColumnOf(cursor_)) : QRect(), Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

    if (callbacks_.remembered) {
        const RememberedPositions r = callbacks_.remembered();
        const std::pair<int32_t, int> shown[] = {{r.start, kStartPositionPicture},
                                                 {r.stop, kStartPositionPicture + 1}};
        for (const auto& [position, number] : shown) {
            if (position < 0 || static_cast<uint32_t>(position) == cursor_ ||
                !InView(static_cast<uint32_t>(position)))
                continue;
            // The line takes the picture's middle column, stretched over the graph.
            const QPixmap& picture = skin_.Bitmap(number);
            if (picture.isNull()) continue;
            const int mid = picture.width() / 2;
            painter.drawPixmap(QRectF(ColumnRect(ColumnOf(static_cast<uint32_t>(position)))),
                               picture, QRectF(mid, 0, 1, picture.height()));
        }
    }
    painter.restore();
}

void RecGraphWin::Paint(QPainter& painter) {
    Draw(painter);
}

void RecGraphWin::Press(PointerState& pointer) {
    pointer.dragActive = true;
    if (callbacks_.press) callbacks_.press(pointer.pressX - x_);
}

void RecGraphWin::Drag(PointerState& pointer) {
    if (callbacks_.drag) callbacks_.drag(pointer.pressX + pointer.dx - x_);
}

}  // namespace mora
