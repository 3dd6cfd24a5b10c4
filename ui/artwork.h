#pragma once
// The built-in pictures 490-524, drawn by our own code at the skin's scale and the screen's
// device pixel ratio, so that a scaled or HiDPI window stays crisp. Screens come in pairs: the
// normal picture is the face at rest, the pressed picture shows every control lit, and a
// control that is on shows its rectangle of the pressed picture.

#include <QPixmap>

namespace mora {

class Skin;

// Screen picture pairs (normal, pressed).
inline constexpr int kAboutPictures = 490;
inline constexpr int kProgressPictures = 492;
inline constexpr int kRecordPictures = 494;
inline constexpr int kEditorPictures = 496;
inline constexpr int kClipEditorPictures = 498;
inline constexpr int kLiteRecordPictures = 509;
inline constexpr int kFlippedRecordPictures = 521;
inline constexpr int kFlippedLiteRecordPictures = 523;

// Level meter strips, 1 x 80: lit for recording, unlit, lit for playback.
inline constexpr int kMeterLitStrip = 500;
inline constexpr int kMeterUnlitStrip = 501;
inline constexpr int kMeterPlayStrip = 502;
// State icons, 16 x 12, one per transport state (stopped ... rewind).
inline constexpr int kFirstStateIcon = 503;
// The marker picture of the waveform, 5 x 5.
inline constexpr int kMarkerPicture = 511;
// Remembered positions of the waveform, 10 x 10: start, end, play position.
inline constexpr int kStartPositionPicture = 512;
// Small buttons, 35 x 22: rewind normal/pressed, fast forward normal/pressed, button bar.
inline constexpr int kSmallRewindPicture = 515;
inline constexpr int kSmallFastForwardPicture = 517;
inline constexpr int kButtonBarPicture = 519;
// The publish item of the menu, 75 x 50.
inline constexpr int kPublishPicture = 520;

// Picture `number` at the skin's scale and device pixel ratio; a null pixmap outside 490-524.
QPixmap DrawSkinBitmap(int number, const Skin& skin);

// Meter colours by step (0 = bottom ... 79 = top): green below -12 dB, amber up to -3 dB, red
// above.
QColor MeterColour(int step, bool lit);

}  // namespace mora
