#pragma once
// The editor's waveform: the current recording's level values as a line, the cut regions and
// the crop range in their skin colours, the markers, the play cursor and the remembered play
// positions. The zoom is a power of two: z >= 0 shows 2^z level values per pixel column (the
// loudest, i.e. the smallest value, of them), z < 0 spreads one value over 2^-z columns.

#include <QPoint>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "project/project_state.h"
#include "ui/transport.h"
#include "ui/win.h"

namespace mora {

// A level value drawn this far down is silence; an empty column is drawn there too.
inline constexpr int kLevelRange = 80;
// The closest zoom: one level value per 8 columns.
inline constexpr int kClosestZoom = -3;

class RecGraphWin : public Win {
  public:
    struct Callbacks {
        std::function<void(int column)> press;  // column inside the graph, 0 = left edge
        std::function<void(int column)> drag;
        std::function<RememberedPositions()> remembered;
    };
    RecGraphWin(WWin* owner, const Skin& skin, SkinRect units, const EditState& edit,
                Callbacks callbacks);
    // In window pixels (the benchmark draws into an image of its own).
    RecGraphWin(WWin* owner, const Skin& skin, QRect pixels, const EditState& edit,
                Callbacks callbacks);

    int Zoom() const { return zoom_; }
    uint32_t First() const { return first_; }
    uint32_t Count() const { return edit_.rec.levelCount; }
    // Zoom and first visible unit, kept inside the recording and the zoom limits.
    void SetView(int zoom, int64_t first);
    // The zoom that shows the whole recording (never closer than kClosestZoom).
    int WholeZoom() const;
    // Level units one screen width shows.
    uint64_t VisibleUnits() const;
    // The first unit of a column, and the column of a unit (negative left of the view).
    uint64_t UnitAt(int column) const;
    int64_t ColumnOf(uint32_t unit) const;
    bool InView(uint32_t unit) const;

    // The cursor as drawn; only the columns it leaves and enters are repainted.
    void SetCursor(uint32_t unit);
    uint32_t Cursor() const { return cursor_; }
    // The edits changed: the whole graph is drawn again.
    void Repaint() const { Redraw(); }

    void Paint(QPainter& painter) override;
    void Press(PointerState& pointer) override;
    void Drag(PointerState& pointer) override;

    // The line's points, one per column with level values (the drawing's first step).
    void Points(std::vector<QPoint>& points) const;
    // Draws the whole graph at its rectangle.
    void Draw(QPainter& painter);

  private:
    QRect ColumnRect(int64_t column) const;
    void DrawSegment(QPainter& painter, uint32_t begin, uint32_t end, const QColor& colour);

    const Skin& skin_;
    const EditState& edit_;
    Callbacks callbacks_;
    int zoom_ = 0;
    uint32_t first_ = 0;
    uint32_t cursor_ = 0;
    std::array<int, kLevelRange + 1> rowOf_{};
    std::vector<QPoint> points_;
};

}  // namespace mora
