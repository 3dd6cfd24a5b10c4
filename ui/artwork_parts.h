#pragma once
// The drawing parts the built-in pictures are made of: the face, the display panel, button
// caps with their symbols, knobs and the meter column. Coordinates are skin units unless a
// function says otherwise; the painter carries the scale.

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace mora {

enum class Symbol {
    None,
    Stop,
    Play,
    Record,
    Rewind,
    FastForward,
    BackMark,
    ForwardMark,
    ZoomIn,
    ZoomOut,
    Plus,
    Minus,
    Up,
    Down,
};

// How a button looks when it is lit: the cap's tint and the symbol's colour.
struct CapStyle {
    QColor litCap;
    QColor litSymbol;
    QColor symbol;  // at rest
};

namespace palette {
inline const QColor kFaceTop(0x26, 0x2c, 0x33);
inline const QColor kFaceBottom(0x17, 0x1b, 0x20);
inline const QColor kCaption(0xa9, 0xb4, 0xbf);
inline const QColor kSymbol(0xe8, 0xec, 0xf0);
inline const QColor kRecordRed(0xf0, 0x3a, 0x32);
inline const QColor kPlayGreen(0x4c, 0xe0, 0x6e);
inline const QColor kAmber(0xff, 0xb5, 0x2e);
}  // namespace palette

CapStyle StopStyle();
CapStyle PlayStyle();
CapStyle RecordStyle();
CapStyle WindStyle();
CapStyle PlainStyle();

void DrawFace(QPainter& p, const QRectF& area);
// A recessed display panel filled with the skin's text background colour.
void DrawPanel(QPainter& p, const QRectF& r, const QColor& fill);
// A raised (or, when lit, pressed-in and tinted) button cap with its symbol.
void DrawCap(QPainter& p, const QRectF& r, Symbol symbol, const CapStyle& style, bool lit);
// A button cap carrying a word instead of a symbol.
void DrawTextCap(QPainter& p, const QRectF& r, const QString& text, const CapStyle& style,
                 bool lit);
void DrawSymbol(QPainter& p, const QRectF& r, Symbol symbol, const QColor& colour);
// A rotary knob whose pivot lies at `centre`, with a scale of ticks from 240 to -60 degrees.
void DrawKnob(QPainter& p, const QPointF& centre, qreal radius);
// A caption in small capitals centred in `r`.
void DrawCaption(QPainter& p, const QRectF& r, const QString& text, const QColor& colour,
                 qreal height);
// The meter column of `channels` channels, 80 steps each, lit or unlit, in window pixels;
// turned, it rises from the top.
void DrawMeterColumn(QPainter& p, const QRect& r, int channels, bool lit, bool turned);
// The window rows of meter step `step` (0 = the quietest) in a column `r`.
QRectF MeterStepRows(const QRect& r, int step, bool turned);

}  // namespace mora
