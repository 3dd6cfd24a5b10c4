#include "ui/artwork_parts.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "ui/artwork.h"

namespace mora {

namespace {

QPainterPath Rounded(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void FillTriangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({a, b, c}));
}

// A triangle pointing right (dir 1) or left (-1) of height h, its tip at x = tip.
void Arrow(QPainter& p, qreal tip, qreal cy, qreal w, qreal h, int dir, const QColor& colour) {
    FillTriangle(p, {tip, cy}, {tip - dir * w, cy - h / 2}, {tip - dir * w, cy + h / 2}, colour);
}

void Flag(QPainter& p, qreal x, qreal top, qreal h, int dir, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const qreal pole = std::max<qreal>(0.8, h * 0.1);
    p.drawRect(QRectF(x - pole / 2, top, pole, h));
    const qreal fw = h * 0.55 * dir;
    p.drawPolygon(
        QPolygonF({QPointF(x, top), QPointF(x + fw, top + h * 0.22), QPointF(x, top + h * 0.44)}));
}

void Magnifier(QPainter& p, const QRectF& r, bool plus, const QColor& colour) {
    const qreal m = std::min(r.width(), r.height());
    const qreal radius = m * 0.26;
    const QPointF c(r.center().x() - m * 0.08, r.center().y() - m * 0.06);
    QPen pen(colour, m * 0.09, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, radius, radius);
    p.drawLine(c + QPointF(radius * 0.72, radius * 0.72), c + QPointF(radius * 1.6, radius * 1.6));
    const qreal a = radius * 0.55;
    p.drawLine(c + QPointF(-a, 0), c + QPointF(a, 0));
    if (plus) p.drawLine(c + QPointF(0, -a), c + QPointF(0, a));
}

}  // namespace

CapStyle StopStyle() {
    return {QColor(0x5d, 0x68, 0x74), QColor(0xff, 0xff, 0xff), palette::kSymbol};
}
CapStyle PlayStyle() {
    return {QColor(0x1b, 0x5c, 0x2c), QColor(0x7d, 0xff, 0x9a), palette::kSymbol};
}
CapStyle RecordStyle() {
    return {QColor(0x7e, 0x15, 0x15), QColor(0xff, 0x5c, 0x52), palette::kRecordRed};
}
CapStyle WindStyle() {
    return {QColor(0x6e, 0x4b, 0x0e), QColor(0xff, 0xcf, 0x5c), palette::kSymbol};
}
CapStyle PlainStyle() {
    return {QColor(0x2f, 0x55, 0x7e), QColor(0xff, 0xff, 0xff), palette::kSymbol};
}

void DrawFace(QPainter& p, const QRectF& area) {
    QLinearGradient g(area.topLeft(), area.bottomLeft());
    g.setColorAt(0, palette::kFaceTop);
    g.setColorAt(1, palette::kFaceBottom);
    p.fillRect(area, g);
}

void DrawPanel(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(Qt::NoPen);
    // The bezel: dark above, a faint light edge below, as if the panel were set into the face.
    p.setBrush(QColor(0x0a, 0x0c, 0x0f));
    p.drawPath(Rounded(r.adjusted(-1.5, -1.5, 1.5, 1.5), 4.5));
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawPath(Rounded(r.adjusted(-1.5, 0, 1.5, 2.0), 4.5));
    p.setBrush(QColor(0x0a, 0x0c, 0x0f));
    p.drawPath(Rounded(r.adjusted(-1.5, -1.5, 1.5, 1.0), 4.5));
    p.setBrush(fill);
    p.drawPath(Rounded(r, 3.0));
}

void DrawCap(QPainter& p, const QRectF& r, Symbol symbol, const CapStyle& style, bool lit) {
    const qreal m = std::min(r.width(), r.height());
    const qreal radius = std::max<qreal>(2.0, m * 0.14);
    const bool big = r.height() >= 40;
    p.setPen(Qt::NoPen);
    if (!lit) {
        p.setBrush(QColor(0, 0, 0, 110));
        p.drawPath(Rounded(r.translated(0, 1.2), radius));
    }
    p.setBrush(QColor(0x0b, 0x0e, 0x11));
    p.drawPath(Rounded(r, radius));
    const QRectF inner = r.adjusted(0.8, 0.8, -0.8, -0.8);
    QLinearGradient g(inner.topLeft(), inner.bottomLeft());
    if (lit) {
        g.setColorAt(0, style.litCap.darker(130));
        g.setColorAt(0.25, style.litCap);
        g.setColorAt(1, style.litCap.lighter(115));
    } else {
        g.setColorAt(0, QColor(0x4a, 0x53, 0x5d));
        g.setColorAt(0.12, QColor(0x3d, 0x45, 0x4e));
        g.setColorAt(1, QColor(0x2a, 0x30, 0x37));
    }
    p.setBrush(g);
    p.drawPath(Rounded(inner, radius - 0.6));
    QRectF symbolArea = inner;
    if (big) {
        // A lamp below the symbol tells at a glance which buttons are lit.
        const QRectF lamp(inner.center().x() - inner.width() * 0.22,
                          inner.bottom() - inner.height() * 0.17, inner.width() * 0.44,
                          std::max<qreal>(2.0, inner.height() * 0.055));
        p.setBrush(lit ? style.litSymbol : QColor(0x15, 0x18, 0x1c));
        p.drawPath(Rounded(lamp, lamp.height() / 2));
        symbolArea.setBottom(lamp.top() - inner.height() * 0.02);
    }
    if (lit) symbolArea.translate(0, 0.6);
    DrawSymbol(p, symbolArea, symbol, lit ? style.litSymbol : style.symbol);
}

void DrawTextCap(QPainter& p, const QRectF& r, const QString& text, const CapStyle& style,
                 bool lit) {
    DrawCap(p, r, Symbol::None, style, lit);
    DrawCaption(p, r.translated(0, lit ? 0.6 : 0), text, lit ? style.litSymbol : style.symbol,
                std::min<qreal>(r.height() * 0.5, 10));
}

void DrawSymbol(QPainter& p, const QRectF& r, Symbol symbol, const QColor& colour) {
    const qreal m = std::min(r.width(), r.height());
    const QPointF c = r.center();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    switch (symbol) {
        case Symbol::None:
            return;
        case Symbol::Stop: {
            const qreal s = m * 0.44;
            p.drawPath(Rounded(QRectF(c.x() - s / 2, c.y() - s / 2, s, s), s * 0.08));
            return;
        }
        case Symbol::Play: {
            const qreal h = m * 0.54;
            const qreal w = h * 0.9;
            Arrow(p, c.x() + w * 0.58, c.y(), w, h, 1, colour);
            return;
        }
        case Symbol::Record: {
            const qreal d = m * 0.5;
            p.drawEllipse(c, d / 2, d / 2);
            return;
        }
        case Symbol::Rewind:
        case Symbol::FastForward: {
            const int dir = symbol == Symbol::FastForward ? 1 : -1;
            const qreal h = r.height() * 0.58;
            const qreal w = std::min(h * 0.8, r.width() * 0.3);
            Arrow(p, c.x() + dir * w, c.y(), w, h, dir, colour);
            Arrow(p, c.x(), c.y(), w, h, dir, colour);
            return;
        }
        case Symbol::BackMark:
        case Symbol::ForwardMark: {
            const int dir = symbol == Symbol::ForwardMark ? 1 : -1;
            const qreal h = r.height() * 0.6;
            const qreal w = h * 0.7;
            Flag(p, c.x() - dir * w * 0.6, c.y() - h / 2, h, dir, colour);
            Arrow(p, c.x() + dir * w * 1.25, c.y(), w, h * 0.8, dir, colour);
            return;
        }
        case Symbol::ZoomIn:
        case Symbol::ZoomOut:
            Magnifier(p, r, symbol == Symbol::ZoomIn, colour);
            return;
        case Symbol::Plus:
        case Symbol::Minus: {
            const qreal a = m * 0.3;
            const qreal t = std::max<qreal>(1.2, m * 0.12);
            p.drawRect(QRectF(c.x() - a, c.y() - t / 2, 2 * a, t));
            if (symbol == Symbol::Plus) p.drawRect(QRectF(c.x() - t / 2, c.y() - a, t, 2 * a));
            return;
        }
        case Symbol::Up:
        case Symbol::Down: {
            const qreal w = m * 0.6;
            const qreal h = m * 0.45;
            const qreal dir = symbol == Symbol::Up ? -1 : 1;
            FillTriangle(p, {c.x(), c.y() + dir * h / 2}, {c.x() - w / 2, c.y() - dir * h / 2},
                         {c.x() + w / 2, c.y() - dir * h / 2}, colour);
            return;
        }
    }
}

void DrawKnob(QPainter& p, const QPointF& centre, qreal radius) {
    p.setPen(
        QPen(palette::kCaption, std::max<qreal>(0.6, radius * 0.07), Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 10; ++i) {
        const qreal a = (240.0 - i * 30.0) * M_PI / 180.0;
        const QPointF d(std::cos(a), -std::sin(a));
        p.drawLine(centre + d * radius * 1.02, centre + d * radius * 1.2);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0b, 0x0e, 0x11));
    p.drawEllipse(centre, radius * 0.92, radius * 0.92);
    QLinearGradient g(centre - QPointF(0, radius), centre + QPointF(0, radius));
    g.setColorAt(0, QColor(0x5a, 0x64, 0x6f));
    g.setColorAt(1, QColor(0x2a, 0x30, 0x37));
    p.setBrush(g);
    p.drawEllipse(centre, radius * 0.82, radius * 0.82);
}

void DrawCaption(QPainter& p, const QRectF& r, const QString& text, const QColor& colour,
                 qreal height) {
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(height))));
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

QColor MeterColour(int step, bool lit) {
    // Level byte 80 - step: 33 is -12 dB, 9 is -3 dB.
    if (step >= 71) return lit ? QColor(0xff, 0x3b, 0x30) : QColor(0x3c, 0x14, 0x13);
    if (step >= 47) return lit ? QColor(0xff, 0xb3, 0x1f) : QColor(0x3a, 0x2c, 0x0c);
    return lit ? QColor(0x34, 0xe0, 0x5b) : QColor(0x10, 0x33, 0x1a);
}

QRectF MeterStepRows(const QRect& r, int step, bool turned) {
    const int row = turned ? step : 79 - step;
    const qreal top = r.top() + r.height() * row / 80.0;
    const qreal bottom = r.top() + r.height() * (row + 1) / 80.0;
    return QRectF(r.left(), top, r.width(), bottom - top);
}

void DrawMeterColumn(QPainter& p, const QRect& r, int channels, bool lit, bool turned) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int n = std::max(1, channels);
    const qreal gap = std::max<qreal>(1.0, r.width() * 0.12);
    const qreal cw = (r.width() - gap * (n - 1)) / n;
    // Segments of four steps, a thin dark line between them; step positions are exact window
    // pixels so the lit part a control copies lines up with the steps it means.
    for (int ch = 0; ch < n; ++ch) {
        const qreal x = r.left() + ch * (cw + gap);
        for (int step = 0; step < 80; ++step) {
            const QRectF rows = MeterStepRows(r, step, turned);
            QRectF cell(x, rows.top(), cw, rows.height());
            if (step % 4 == 3 && r.height() * p.device()->devicePixelRatioF() >= 120) {
                const qreal half = rows.height() * 0.5;
                turned ? cell.setBottom(rows.bottom() - half) : cell.setTop(rows.top() + half);
            }
            p.fillRect(cell, MeterColour(step, lit));
        }
    }
    p.restore();
}

}  // namespace mora
