#pragma once
// The skin: where every element of every screen lies (in skin units, read from the orientation
// folder's pos.txt over the built-in table), the uniform scale that fits the 240 x 270 design
// into the window, the four fonts, the five colours and the 35 pictures (our own drawings, or
// "%3d.bmp" files of the skin folder). Loaded once when the main window is made.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <array>
#include <cstdint>
#include <string>

namespace mora {

// Every element of the position file, in the order it is read.
enum class SkinElement : int {
    Record,
    Stop,
    Play,
    Rewind,
    FastForward,
    BackMark,
    ForwardMark,
    WindowRecord,
    WindowClip,
    RecStatus,
    RecTime,
    MaxTime,
    Battery,
    Name,
    VU,
    CFACGainText,
    CFACVolText,
    CFACGainKnob,
    CFACGainKnobMiddle,
    CFACVolKnob,
    CFACVolKnobMiddle,
    GainKnob,
    GainKnobMiddle,
    EditRecord,
    EditStop,
    EditPlay,
    EditRewind,
    EditFastForward,
    EditBackMark,
    EditForwardMark,
    EditRecStatus,
    EditRecTime,
    EditTotalTime,
    EditScrollGraph,
    EditRecGraph,
    EditButtonBar,
    EditZoomIn,
    EditZoomOut,
    EditVU,
    EditName,
    CStop,
    CPlay,
    CInsert,
    CRemove,
    CUp,
    CDown,
    CRotText,
    CWindow,
    MainWindow,
    AboutDevice,
    AboutProject,
    AboutVersion,
    AboutName,
    AboutWindowText,
    ProgressCancel,
    ProgressBar,
    ProgressText,
    Count,
};
inline constexpr int kSkinElementCount = static_cast<int>(SkinElement::Count);

struct SkinRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const SkinRect&) const = default;
};

// The section name of an element in the position file.
const char* SkinElementName(SkinElement element);
// The built-in rectangle of an element, in skin units.
SkinRect BuiltInSkinRect(SkinElement element);

enum class SkinColour : int { TextBackground, Text, Waveform, WaveformEditCut, WaveformCut };
inline constexpr int kSkinColourCount = 5;

// Pictures are numbered 490 ... 524.
inline constexpr int kFirstSkinBitmap = 490;
inline constexpr int kLastSkinBitmap = 524;
inline constexpr int kSkinBitmapCount = kLastSkinBitmap - kFirstSkinBitmap + 1;
// The size of a picture in skin units.
QSize SkinBitmapSize(int number);

// Fonts 0-3: 15 normal, 26 bold, 20 normal (fixed pitch) and 14 normal (sans serif).
inline constexpr int kSkinFontCount = 4;
struct SkinFont {
    QFont font;
    bool turned = false;  // drawn upside down (a flipped screen)
};

// Skin folder for a client area of w x h inside the program folder `programDir` (ending in
// '/'): "Landscape/" when wider than 1.5 : 1, "Square/" when wider up to that, "Portrait/"
// when higher, the program folder itself when square.
std::string SkinFolder(int w, int h, const std::string& programDir);

// What the built-in pictures show besides the fixed parts: the knobs exist only when their
// screen has them.
struct SkinOptions {
    uint32_t screenMode = 0;  // nonzero: the record screen's elements are turned by 180 degrees
    bool gainKnob = false;
    bool interfaceKnobs = false;
    qreal devicePixelRatio = 1.0;
    // A command bar inside the client area takes this much height.
    int commandBarHeight = 0;
};

class Skin {
  public:
    // LoadSkin: the folder by aspect, pos.txt, flip, scale, fonts, pictures and colours.
    Skin(int clientWidth, int clientHeight, const std::string& programDir,
         const SkinOptions& options);

    const std::string& Folder() const { return folder_; }
    const SkinOptions& Options() const { return options_; }
    bool Flipped() const { return options_.screenMode != 0; }
    // In skin units, after pos.txt and the flip.
    SkinRect Rect(SkinElement element) const { return rects_[static_cast<int>(element)]; }
    // In window pixels, each component truncated.
    QRect Scaled(SkinElement element) const;
    QRect Scaled(SkinRect rect) const;
    double ScaleX() const { return scaleX_; }
    double ScaleY() const { return scaleY_; }
    // The letter-boxed size of the whole design in window pixels.
    QSize MainSize() const { return mainSize_; }

    // Picture 490 ... 524 at window scale (device pixel ratio applied); a null pixmap for a
    // number outside the range or a picture that could not be made.
    const QPixmap& Bitmap(int number) const;
    bool BitmapFromFile(int number) const;
    const SkinFont& Font(int index, bool turned) const;
    QColor Colour(SkinColour colour) const { return colours_[static_cast<int>(colour)]; }
    // The colour as the text controls take it: 0x00bbggrr.
    uint32_t ColourValue(SkinColour colour) const;

  private:
    void ReadPositions();
    void Flip();
    void Scale(int clientWidth, int clientHeight);
    void MakeFonts();
    void MakePictures();
    void ReadColours();

    SkinOptions options_;
    std::string folder_;
    std::array<SkinRect, kSkinElementCount> rects_{};
    double scaleX_ = 1.0;
    double scaleY_ = 1.0;
    QSize mainSize_;
    std::array<SkinFont, 2 * kSkinFontCount> fonts_;
    std::array<QColor, kSkinColourCount> colours_;
    std::array<QPixmap, kSkinBitmapCount> bitmaps_;
    std::array<bool, kSkinBitmapCount> fromFile_{};
};

// Colour value 0x00bbggrr from a colour, and back.
uint32_t ColourValueOf(QColor colour);
QColor ColourFromValue(uint32_t value);

}  // namespace mora
