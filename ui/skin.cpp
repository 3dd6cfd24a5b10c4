#include "ui/skin.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <cstdio>
#include <filesystem>

#include "platform/trace.h"
#include "settings/ini_store.h"
#include "ui/artwork.h"

namespace mora {

namespace {

struct ElementEntry {
    const char* name;
    SkinRect rect;
};

// In the order of SkinElement.
constexpr ElementEntry kElements[kSkinElementCount] = {
    {"Record", {156, 191, 65, 65}},
    {"Stop", {18, 191, 65, 65}},
    {"Play", {87, 191, 65, 65}},
    {"Rewind", {81, 164, 32, 20}},
    {"FastForward", {127, 164, 32, 20}},
    {"BackMark", {31, 164, 37, 20}},
    {"ForwardMark", {170, 164, 37, 20}},
    {"WindowRecord", {16, 12, 208, 116}},
    {"WindowClip", {16, 12, 208, 136}},
    {"RecStatus", {108, 105, 16, 12}},
    {"RecTime", {50, 80, 170, 28}},
    {"MaxTime", {50, 50, 170, 20}},
    {"Battery", {50, 30, 170, 20}},
    {"Name", {28, 13, 184, 16}},
    {"VU", {32, 23, 10, 80}},
    {"CFACGainText", {16, 110, 35, 16}},
    {"CFACVolText", {132, 110, 50, 16}},
    {"CFACGainKnob", {51, 106, 20, 20}},
    {"CFACGainKnobMiddle", {9, 9, 0, 0}},
    {"CFACVolKnob", {184, 106, 38, 20}},
    {"CFACVolKnobMiddle", {9, 9, 0, 0}},
    {"GainKnob", {51, 106, 20, 20}},
    {"GainKnobMiddle", {9, 9, 0, 0}},
    {"EditRecord", {156, 191, 65, 65}},
    {"EditStop", {18, 191, 65, 65}},
    {"EditPlay", {87, 191, 65, 65}},
    {"EditRewind", {81, 164, 32, 20}},
    {"EditFastForward", {127, 164, 32, 20}},
    {"EditBackMark", {31, 164, 37, 20}},
    {"EditForwardMark", {170, 164, 37, 20}},
    {"EditRecStatus", {122, 105, 16, 12}},
    {"EditRecTime", {46, 105, 80, 14}},
    {"EditTotalTime", {126, 105, 74, 14}},
    {"EditScrollGraph", {44, 119, 157, 10}},
    {"EditRecGraph", {44, 24, 164, 80}},
    {"EditButtonBar", {213, 20, 10, 84}},
    {"EditZoomIn", {202, 103, 34, 22}},
    {"EditZoomOut", {4, 103, 39, 22}},
    {"EditVU", {32, 23, 10, 80}},
    {"EditName", {28, 13, 184, 16}},
    {"CStop", {18, 191, 65, 65}},
    {"CPlay", {87, 191, 65, 65}},
    {"CInsert", {20, 164, 58, 20}},
    {"CRemove", {161, 164, 58, 20}},
    {"CUp", {85, 164, 31, 20}},
    {"CDown", {124, 164, 31, 20}},
    {"CRotText", {222, 0, 17, 150}},
    {"CWindow", {17, 13, 205, 135}},
    {"MainWindow", {0, 0, 240, 270}},
    {"AboutDevice", {47, 164, 59, 20}},
    {"AboutProject", {135, 164, 59, 20}},
    {"AboutVersion", {20, 200, 196, 14}},
    {"AboutName", {20, 12, 196, 20}},
    {"AboutWindowText", {20, 32, 196, 14}},
    {"ProgressCancel", {91, 164, 59, 20}},
    {"ProgressBar", {20, 108, 195, 14}},
    {"ProgressText", {20, 42, 196, 20}},
};

// The record screen's elements, which a flipped screen turns by 180 degrees.
constexpr SkinElement kTurnedElements[] = {
    SkinElement::Record,       SkinElement::Stop,         SkinElement::Play,
    SkinElement::Rewind,       SkinElement::FastForward,  SkinElement::BackMark,
    SkinElement::ForwardMark,  SkinElement::WindowRecord, SkinElement::WindowClip,
    SkinElement::RecStatus,    SkinElement::RecTime,      SkinElement::MaxTime,
    SkinElement::Battery,      SkinElement::Name,         SkinElement::VU,
    SkinElement::CFACGainText, SkinElement::CFACVolText,  SkinElement::CFACGainKnob,
    SkinElement::CFACVolKnob,  SkinElement::GainKnob,
};

struct ColourEntry {
    const char* name;
    int r, g, b;
};

// The text colours belong to the built-in pictures: light text on the dark display panel
// that the pictures draw in the text background colour.
constexpr ColourEntry kColours[kSkinColourCount] = {
    {"TextBackgroundColor", 14, 19, 24}, {"TextColor", 236, 240, 244},
    {"WaveformColor", 49, 121, 255},     {"WaveformEditCutColor", 255, 0, 0},
    {"WaveformCutColor", 0, 255, 0},
};

struct FontEntry {
    int height;
    bool bold;
    bool fixedPitch;
};
constexpr FontEntry kFonts[kSkinFontCount] = {
    {15, false, true}, {26, true, true}, {20, false, true}, {14, false, false}};

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// A font whose line height (ascent + descent) is `cellHeight` pixels, as the skin's heights
// are meant.
QFont MakeFont(const FontEntry& entry, int cellHeight) {
    QFont font = QFontDatabase::systemFont(entry.fixedPitch ? QFontDatabase::FixedFont
                                                            : QFontDatabase::GeneralFont);
    font.setStyleHint(entry.fixedPitch ? QFont::TypeWriter : QFont::SansSerif);
    font.setBold(entry.bold);
    const int wanted = std::max(1, cellHeight);
    font.setPixelSize(wanted);
    const int measured = QFontMetrics(font).height();
    if (measured > wanted) font.setPixelSize(std::max(1, wanted * wanted / measured));
    return font;
}

}  // namespace

const char* SkinElementName(SkinElement element) {
    return kElements[static_cast<int>(element)].name;
}

SkinRect BuiltInSkinRect(SkinElement element) {
    return kElements[static_cast<int>(element)].rect;
}

QSize SkinBitmapSize(int number) {
    if ((number >= 490 && number <= 499) || number == 509 || number == 510 ||
        (number >= 521 && number <= 524)) {
        return {240, 270};
    }
    if (number >= 500 && number <= 502) return {1, 80};
    if (number >= 503 && number <= 508) return {16, 12};
    if (number == 511) return {5, 5};
    if (number >= 512 && number <= 514) return {10, 10};
    if (number >= 515 && number <= 519) return {35, 22};
    if (number == 520) return {75, 50};
    return {};
}

std::string SkinFolder(int w, int h, const std::string& programDir) {
    if (w > h) return programDir + (w > 1.5 * h ? "Landscape/" : "Square/");
    if (w < h) return programDir + "Portrait/";
    return programDir;
}

uint32_t ColourValueOf(QColor colour) {
    return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
           static_cast<uint32_t>(colour.blue()) << 16;
}

QColor ColourFromValue(uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

Skin::Skin(int clientWidth, int clientHeight, const std::string& programDir,
           const SkinOptions& options)
    : options_(options), folder_(SkinFolder(clientWidth, clientHeight, programDir)) {
    for (int i = 0; i < kSkinElementCount; ++i) rects_[i] = kElements[i].rect;
    for (int i = 0; i < kSkinColourCount; ++i) {
        colours_[i] = QColor(kColours[i].r, kColours[i].g, kColours[i].b);
    }
    ReadPositions();
    if (options_.screenMode != 0) Flip();
    Scale(clientWidth, clientHeight - options_.commandBarHeight);
    MakeFonts();
    // The built-in pictures are drawn in the skin's colours, so those come first.
    ReadColours();
    MakePictures();
}

void Skin::ReadPositions() {
    const std::string path = folder_ + "pos.txt";
    if (!FileExists(path)) {
        Trace("skin: no %s, built-in positions", path.c_str());
        return;
    }
    for (int i = 0; i < kSkinElementCount; ++i) {
        SkinRect& r = rects_[i];
        r.x = IniReadInt(kElements[i].name, "x", r.x, path);
        r.y = IniReadInt(kElements[i].name, "y", r.y, path);
        r.w = IniReadInt(kElements[i].name, "w", r.w, path);
        r.h = IniReadInt(kElements[i].name, "h", r.h, path);
    }
}

void Skin::Flip() {
    const SkinRect main = Rect(SkinElement::MainWindow);
    for (SkinElement element : kTurnedElements) {
        SkinRect& r = rects_[static_cast<int>(element)];
        r.x = main.w - r.w - r.x;
        r.y = main.h - r.h - r.y;
    }
}

void Skin::Scale(int clientWidth, int clientHeight) {
    SkinRect& main = rects_[static_cast<int>(SkinElement::MainWindow)];
    const int wm = std::max(1, main.w);
    const int hm = std::max(1, main.h);
    double s = static_cast<double>(clientWidth) / wm;
    if (hm * s <= clientHeight) {
        mainSize_ = QSize(clientWidth, static_cast<int>(hm * s));
    } else {
        s = static_cast<double>(clientHeight) / hm;
        mainSize_ = QSize(static_cast<int>(wm * s), clientHeight);
    }
    scaleX_ = scaleY_ = s;
}

QRect Skin::Scaled(SkinElement element) const {
    return Scaled(Rect(element));
}

QRect Skin::Scaled(SkinRect r) const {
    return QRect(static_cast<int>(r.x * scaleX_), static_cast<int>(r.y * scaleY_),
                 static_cast<int>(r.w * scaleX_), static_cast<int>(r.h * scaleY_));
}

void Skin::MakeFonts() {
    for (int i = 0; i < kSkinFontCount; ++i) {
        const QFont font = MakeFont(kFonts[i], static_cast<int>(kFonts[i].height * scaleY_));
        fonts_[i] = {font, options_.screenMode != 0};
        fonts_[kSkinFontCount + i] = {font, options_.screenMode != 0};
    }
}

const SkinFont& Skin::Font(int index, bool turned) const {
    const int i = std::clamp(index, 0, kSkinFontCount - 1);
    return fonts_[turned ? kSkinFontCount + i : i];
}

void Skin::MakePictures() {
    for (int n = kFirstSkinBitmap; n <= kLastSkinBitmap; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "%3d.bmp", n);
        const std::string path = folder_ + name;
        QPixmap& picture = bitmaps_[n - kFirstSkinBitmap];
        if (FileExists(path)) {
            QImage image(QString::fromStdString(path), "BMP");
            if (image.isNull()) {
                Trace("No bitmap created:%d", n);
                continue;
            }
            // Pictures from files are stretched to the window's scale.
            if (scaleX_ != 1.0 || scaleY_ != 1.0) {
                image = image.scaled(std::max(1, static_cast<int>(image.width() * scaleX_)),
                                     std::max(1, static_cast<int>(image.height() * scaleY_)),
                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            picture = QPixmap::fromImage(image);
            fromFile_[n - kFirstSkinBitmap] = true;
        } else {
            picture = DrawSkinBitmap(n, *this);
            if (picture.isNull()) Trace("No bitmap, nr= %d", n);
        }
    }
}

const QPixmap& Skin::Bitmap(int number) const {
    static const QPixmap none;
    if (number < kFirstSkinBitmap || number > kLastSkinBitmap) return none;
    return bitmaps_[number - kFirstSkinBitmap];
}

bool Skin::BitmapFromFile(int number) const {
    return number >= kFirstSkinBitmap && number <= kLastSkinBitmap &&
           fromFile_[number - kFirstSkinBitmap];
}

void Skin::ReadColours() {
    const std::string path = folder_ + "Colors.txt";
    if (!FileExists(path)) return;
    for (int i = 0; i < kSkinColourCount; ++i) {
        const ColourEntry& e = kColours[i];
        colours_[i] = QColor(std::clamp(IniReadInt(e.name, "r", e.r, path), 0, 255),
                             std::clamp(IniReadInt(e.name, "g", e.g, path), 0, 255),
                             std::clamp(IniReadInt(e.name, "b", e.b, path), 0, 255));
    }
}

uint32_t Skin::ColourValue(SkinColour colour) const {
    return ColourValueOf(Colour(colour));
}

}  // namespace mora
