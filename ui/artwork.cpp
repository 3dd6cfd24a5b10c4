#include "ui/artwork.h"

#include <QPainterPath>

#include "ui/artwork_parts.h"
#include "ui/skin.h"

namespace mora {

namespace {

QRectF R(SkinRect r) {
    return QRectF(r.x, r.y, r.w, r.h);
}

// Draws in skin units onto a pixmap of `units` at the skin's scale and pixel ratio.
class Canvas {
  public:
    Canvas(const Skin& skin, QSizeF units)
        : dpr_(skin.Options().devicePixelRatio), scale_(skin.ScaleX()) {
        const int w = std::max(1, static_cast<int>(units.width() * scale_));
        const int h = std::max(1, static_cast<int>(units.height() * scale_));
        pixmap_ =
            QPixmap(static_cast<int>(std::ceil(w * dpr_)), static_cast<int>(std::ceil(h * dpr_)));
        pixmap_.setDevicePixelRatio(dpr_);
        pixmap_.fill(Qt::transparent);
        painter_.begin(&pixmap_);
        painter_.setRenderHint(QPainter::Antialiasing);
        painter_.setRenderHint(QPainter::TextAntialiasing);
        painter_.scale(scale_, scale_);
    }
    QPainter& P() { return painter_; }
    QPixmap Done() {
        painter_.end();
        return pixmap_;
    }
    // Back to window pixels, for parts that must sit on exact pixels.
    void Unscaled() { painter_.resetTransform(); }

  private:
    qreal dpr_;
    qreal scale_;
    QPixmap pixmap_;
    QPainter painter_;
};

struct ScreenLayout {
    const Skin& skin;
    bool turned;  // draw the record screen upside down (its rectangles were turned by the skin)

    SkinRect Rect(SkinElement e) const {
        SkinRect r = skin.Rect(e);
        // Drawn turned, the record screen's elements go where they lie on an upright screen.
        if (turned && skin.Flipped() && e <= SkinElement::GainKnob) {
            const SkinRect main = skin.Rect(SkinElement::MainWindow);
            r.x = main.w - r.w - r.x;
            r.y = main.h - r.h - r.y;
        }
        return r;
    }
};

void Cap(QPainter& p, const ScreenLayout& l, SkinElement e, Symbol s, const CapStyle& style,
         bool lit) {
    DrawCap(p, R(l.Rect(e)), s, style, lit);
}

// The three big transport buttons and their captions; the Record button also sets markers.
void BigTransport(QPainter& p, const ScreenLayout& l, SkinElement stop, SkinElement play,
                  SkinElement record, bool lit) {
    const struct {
        SkinElement element;
        Symbol symbol;
        CapStyle style;
        const char* caption;
    } buttons[] = {{stop, Symbol::Stop, StopStyle(), "STOP"},
                   {play, Symbol::Play, PlayStyle(), "PLAY"},
                   {record, Symbol::Record, RecordStyle(), "REC \u00b7 MARK"}};
    for (const auto& b : buttons) {
        if (b.element == SkinElement::Count) continue;
        const QRectF r = R(l.Rect(b.element));
        DrawCap(p, r, b.symbol, b.style, lit);
        const QRectF below(r.left() - 6, r.bottom() + 1.5, r.width() + 12, 10);
        if (below.bottom() <= l.skin.Rect(SkinElement::MainWindow).h + 1) {
            DrawCaption(p, below, b.caption, palette::kCaption, 7.5);
        }
    }
}

// dB marks beside the meter, at the steps of 0, -6, -12, -20, -30 and -40 dB.
void MeterScale(QPainter& p, const QRectF& meter, bool left) {
    const struct {
        int step;
        const char* text;
    } marks[] = {{80, "0"}, {62, "6"}, {47, "12"}, {35, "20"}, {20, "30"}, {10, "40"}};
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(6);
    p.setFont(font);
    for (const auto& m : marks) {
        const qreal y = meter.top() + meter.height() * (80 - m.step) / 80.0;
        p.setPen(QPen(palette::kCaption, 0.5));
        const qreal x0 = left ? meter.left() - 2.5 : meter.right() + 0.5;
        p.drawLine(QPointF(x0, y), QPointF(x0 + 2, y));
        const QRectF label(left ? meter.left() - 14 : meter.right() + 3, y - 3.5, 11, 7);
        p.drawText(label, (left ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, m.text);
    }
}

// The column sits on exact window pixels, so it is drawn without the turn.
void MeterColumn(Canvas& c, const Skin& skin, SkinRect units, bool lit, bool turned) {
    c.P().save();
    c.Unscaled();
    DrawMeterColumn(c.P(), skin.Scaled(units), 2, lit, turned);
    c.P().restore();
}

void Knob(QPainter& p, const ScreenLayout& l, SkinElement knob, SkinElement middle) {
    const SkinRect r = l.Rect(knob);
    const SkinRect m = l.skin.Rect(middle);
    // The pivot is measured from the element's corner on the screen as shown.
    const qreal mx = l.turned ? r.w - m.x : m.x;
    const qreal my = l.turned ? r.h - m.y : m.y;
    DrawKnob(p, QPointF(r.x + mx, r.y + my), std::min(r.w, r.h) * 0.45);
}

void RecordScreen(Canvas& c, const Skin& skin, bool lit, bool turned) {
    const ScreenLayout l{skin, turned};
    QPainter& p = c.P();
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    if (turned) {
        p.translate(main.w, main.h);
        p.rotate(180);
    }
    DrawFace(p, QRectF(0, 0, main.w, main.h));
    DrawPanel(p, R(l.Rect(SkinElement::WindowRecord)), skin.Colour(SkinColour::TextBackground));
    const SkinOptions& o = skin.Options();
    if (o.interfaceKnobs) {
        Knob(p, l, SkinElement::CFACGainKnob, SkinElement::CFACGainKnobMiddle);
        Knob(p, l, SkinElement::CFACVolKnob, SkinElement::CFACVolKnobMiddle);
    } else if (o.gainKnob) {
        Knob(p, l, SkinElement::GainKnob, SkinElement::GainKnobMiddle);
    }
    BigTransport(p, l, SkinElement::Stop, SkinElement::Play, SkinElement::Record, lit);
    Cap(p, l, SkinElement::Rewind, Symbol::Rewind, WindStyle(), lit);
    Cap(p, l, SkinElement::FastForward, Symbol::FastForward, WindStyle(), lit);
    MeterScale(p, R(l.Rect(SkinElement::VU)), true);
    MeterColumn(c, skin, skin.Rect(SkinElement::VU), lit, turned);
}

void EditorScreen(Canvas& c, const Skin& skin, bool lit) {
    const ScreenLayout l{skin, false};
    QPainter& p = c.P();
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    DrawFace(p, QRectF(0, 0, main.w, main.h));
    const QColor panel = skin.Colour(SkinColour::TextBackground);
    DrawPanel(p, R(skin.Rect(SkinElement::WindowRecord)), panel);
    const QRectF graph = R(skin.Rect(SkinElement::EditRecGraph));
    p.setPen(QPen(QColor(0x2a, 0x33, 0x3d), 0.5));
    for (int i = 1; i < 4; ++i) {
        const qreal y = graph.top() + graph.height() * i / 4;
        p.drawLine(QPointF(graph.left(), y), QPointF(graph.right(), y));
    }
    const QRectF scroll = R(skin.Rect(SkinElement::EditScrollGraph));
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(0x6f, 0x86, 0x9c) : QColor(0x22, 0x29, 0x30));
    p.drawRoundedRect(scroll.adjusted(0, 2, 0, -2), 2, 2);
    const QRectF bar = R(skin.Rect(SkinElement::EditButtonBar));
    p.setBrush(lit ? QColor(0x6f, 0x86, 0x9c) : QColor(0x22, 0x29, 0x30));
    p.drawRoundedRect(bar, 2, 2);
    BigTransport(p, l, SkinElement::EditStop, SkinElement::EditPlay, SkinElement::EditRecord, lit);
    Cap(p, l, SkinElement::EditRewind, Symbol::Rewind, WindStyle(), lit);
    Cap(p, l, SkinElement::EditFastForward, Symbol::FastForward, WindStyle(), lit);
    Cap(p, l, SkinElement::EditBackMark, Symbol::BackMark, PlainStyle(), lit);
    Cap(p, l, SkinElement::EditForwardMark, Symbol::ForwardMark, PlainStyle(), lit);
    Cap(p, l, SkinElement::EditZoomIn, Symbol::ZoomIn, PlainStyle(), lit);
    Cap(p, l, SkinElement::EditZoomOut, Symbol::ZoomOut, PlainStyle(), lit);
    MeterScale(p, R(skin.Rect(SkinElement::EditVU)), true);
    MeterColumn(c, skin, skin.Rect(SkinElement::EditVU), lit, false);
}

void ClipEditorScreen(Canvas& c, const Skin& skin, bool lit) {
    const ScreenLayout l{skin, false};
    QPainter& p = c.P();
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    DrawFace(p, QRectF(0, 0, main.w, main.h));
    DrawPanel(p, R(skin.Rect(SkinElement::CWindow)), skin.Colour(SkinColour::TextBackground));
    const QRectF strip = R(skin.Rect(SkinElement::CRotText));
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? PlainStyle().litCap : QColor(0x2c, 0x33, 0x3a));
    p.drawRoundedRect(strip.adjusted(1, 1, -1, -1), 3, 3);
    BigTransport(p, l, SkinElement::CStop, SkinElement::CPlay, SkinElement::Count, lit);
    Cap(p, l, SkinElement::CInsert, Symbol::Plus, PlainStyle(), lit);
    Cap(p, l, SkinElement::CRemove, Symbol::Minus, PlainStyle(), lit);
    Cap(p, l, SkinElement::CUp, Symbol::Up, PlainStyle(), lit);
    Cap(p, l, SkinElement::CDown, Symbol::Down, PlainStyle(), lit);
}

void AboutScreen(Canvas& c, const Skin& skin, bool lit) {
    QPainter& p = c.P();
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    DrawFace(p, QRectF(0, 0, main.w, main.h));
    DrawPanel(p, QRectF(16, 10, 208, 140), skin.Colour(SkinColour::TextBackground));
    DrawPanel(p, R(skin.Rect(SkinElement::AboutVersion)).adjusted(-4, -2, 4, 2),
              skin.Colour(SkinColour::TextBackground));
    DrawTextCap(p, R(skin.Rect(SkinElement::AboutDevice)), "Device", PlainStyle(), lit);
    DrawTextCap(p, R(skin.Rect(SkinElement::AboutProject)), "Project", PlainStyle(), lit);
}

void ProgressScreen(Canvas& c, const Skin& skin, bool lit) {
    QPainter& p = c.P();
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    DrawFace(p, QRectF(0, 0, main.w, main.h));
    // The title and the percentage below it share one panel.
    const QRectF text = R(skin.Rect(SkinElement::ProgressText));
    DrawPanel(p, text.adjusted(-4, -4, 4, 26 + 4), skin.Colour(SkinColour::TextBackground));
    const QRectF bar = R(skin.Rect(SkinElement::ProgressBar));
    DrawPanel(p, bar, QColor(0x0e, 0x12, 0x16));
    if (lit) {
        p.setBrush(QColor(0x34, 0xb8, 0x5a));
        p.drawRoundedRect(bar.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
    }
    DrawTextCap(p, R(skin.Rect(SkinElement::ProgressCancel)), "Cancel", StopStyle(), lit);
}

void StateIcon(Canvas& c, const Skin& skin, int state) {
    QPainter& p = c.P();
    p.fillRect(QRectF(0, 0, 16, 12), skin.Colour(SkinColour::TextBackground));
    const QRectF r(0, 0, 16, 12);
    switch (state) {
        case 0:
            DrawSymbol(p, r, Symbol::Stop, palette::kSymbol);
            break;
        case 1:
            p.setPen(QPen(palette::kRecordRed, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(r.center(), 3.6, 3.6);
            break;
        case 2:
            DrawSymbol(p, r.adjusted(-2, -2, 2, 2), Symbol::Record, palette::kRecordRed);
            break;
        case 3:
            DrawSymbol(p, r, Symbol::Play, palette::kPlayGreen);
            break;
        case 4:
            DrawSymbol(p, r, Symbol::FastForward, palette::kAmber);
            break;
        default:
            DrawSymbol(p, r, Symbol::Rewind, palette::kAmber);
            break;
    }
}

void MeterStrip(Canvas& c, int number) {
    QPainter& p = c.P();
    for (int step = 0; step < 80; ++step) {
        QColor colour = MeterColour(step, number != kMeterUnlitStrip);
        if (number == kMeterPlayStrip) colour = QColor(0x4f, 0xc3, 0xf7);
        p.fillRect(QRectF(0, 79 - step, 1, 1), colour);
    }
}

void PositionPicture(Canvas& c, int number) {
    QPainter& p = c.P();
    const QColor colours[] = {palette::kPlayGreen, palette::kRecordRed, palette::kSymbol};
    const QColor colour = colours[number - kStartPositionPicture];
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(1, 0), QPointF(9, 0), QPointF(5, 7)}));
    p.fillRect(QRectF(4.5, 6, 1, 4), colour);
}

void SmallButton(Canvas& c, int number) {
    const QRectF r(0.5, 0.5, 34, 21);
    QPainter& p = c.P();
    if (number == kButtonBarPicture) {
        DrawCap(p, r, Symbol::None, PlainStyle(), false);
        return;
    }
    const bool pressed = (number - kSmallRewindPicture) % 2 == 1;
    const Symbol symbol = number < kSmallFastForwardPicture ? Symbol::Rewind : Symbol::FastForward;
    DrawCap(p, r, symbol, WindStyle(), pressed);
}

void PublishPicture(Canvas& c) {
    QPainter& p = c.P();
    const QRectF r(2, 2, 71, 46);
    DrawCap(p, r, Symbol::None, PlainStyle(), true);
    // An arrow rising out of a tray: the recording goes out.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(37.5, 8), QPointF(46, 17), QPointF(41, 17), QPointF(41, 26),
                             QPointF(34, 26), QPointF(34, 17), QPointF(29, 17)}));
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(26, 22), QPointF(26, 29), QPointF(49, 29), QPointF(49, 22)}));
    DrawCaption(p, QRectF(2, 32, 71, 13), "PUBLISH", Qt::white, 9);
}

}  // namespace

QPixmap DrawSkinBitmap(int number, const Skin& skin) {
    const QSize size = SkinBitmapSize(number);
    if (size.isEmpty()) return {};
    const SkinRect main = skin.Rect(SkinElement::MainWindow);
    const bool fullScreen = size == QSize(240, 270);
    Canvas c(skin, fullScreen ? QSizeF(main.w, main.h) : QSizeF(size));
    const bool pressed = (number % 2) == (number >= 509 ? 0 : 1);
    if (number == kAboutPictures || number == kAboutPictures + 1) {
        AboutScreen(c, skin, pressed);
    } else if (number == kProgressPictures || number == kProgressPictures + 1) {
        ProgressScreen(c, skin, pressed);
    } else if (number == kRecordPictures || number == kRecordPictures + 1 ||
               number == kLiteRecordPictures || number == kLiteRecordPictures + 1) {
        RecordScreen(c, skin, pressed, false);
    } else if (number == kEditorPictures || number == kEditorPictures + 1) {
        EditorScreen(c, skin, pressed);
    } else if (number == kClipEditorPictures || number == kClipEditorPictures + 1) {
        ClipEditorScreen(c, skin, pressed);
    } else if (number >= kFlippedRecordPictures) {
        RecordScreen(c, skin, pressed, true);
    } else if (number >= kMeterLitStrip && number <= kMeterPlayStrip) {
        MeterStrip(c, number);
    } else if (number >= kFirstStateIcon && number < kFirstStateIcon + 6) {
        StateIcon(c, skin, number - kFirstStateIcon);
    } else if (number == kMarkerPicture) {
        c.P().setPen(Qt::NoPen);
        c.P().setBrush(Qt::white);
        c.P().drawPolygon(QPolygonF({QPointF(0, 0), QPointF(5, 0), QPointF(2.5, 5)}));
    } else if (number >= kStartPositionPicture && number < kStartPositionPicture + 3) {
        PositionPicture(c, number);
    } else if (number >= kSmallRewindPicture && number <= kButtonBarPicture) {
        SmallButton(c, number);
    } else if (number == kPublishPicture) {
        PublishPicture(c);
    }
    return c.Done();
}

}  // namespace mora
