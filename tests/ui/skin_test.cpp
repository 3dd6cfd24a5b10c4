#include "ui/skin.h"

#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "tests/ui/screen_fixture.h"
#include "ui/artwork.h"
#include "ui/wwin.h"

namespace mora {
namespace {

class SkinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::TestApp();
        std::filesystem::create_directories(dir.File("Portrait"));
    }
    Skin Make(int w, int h, uint32_t screenMode = 0) {
        SkinOptions options;
        options.screenMode = screenMode;
        return Skin(w, h, dir.Path(), options);
    }
    test::TempDir dir;
};

TEST_F(SkinTest, ScalesUniformlyAndLetterBoxes) {
    const Skin big = Make(480, 540);
    EXPECT_DOUBLE_EQ(big.ScaleX(), 2.0);
    EXPECT_EQ(big.MainSize(), QSize(480, 540));
    EXPECT_EQ(big.Scaled(SkinElement::Record), QRect(312, 382, 130, 130));
    EXPECT_EQ(big.Bitmap(kRecordPictures).deviceIndependentSize(), QSizeF(480, 540));

    const Skin wide = Make(320, 190);
    EXPECT_NEAR(wide.ScaleX(), 190.0 / 270, 1e-9);
    EXPECT_EQ(wide.ScaleX(), wide.ScaleY());
    EXPECT_EQ(wide.MainSize(), QSize(168, 190));
}

TEST_F(SkinTest, ChoosesTheFolderByAspect) {
    EXPECT_EQ(SkinFolder(360, 240, "/p/"), "/p/Square/");
    EXPECT_EQ(SkinFolder(361, 240, "/p/"), "/p/Landscape/");
    EXPECT_EQ(SkinFolder(240, 270, "/p/"), "/p/Portrait/");
    EXPECT_EQ(SkinFolder(300, 300, "/p/"), "/p/");
}

TEST_F(SkinTest, FlipTurnsTheRecordScreenOnly) {
    const Skin flipped = Make(240, 270, 2);
    EXPECT_EQ(flipped.Rect(SkinElement::Record), (SkinRect{19, 14, 65, 65}));
    EXPECT_EQ(flipped.Rect(SkinElement::EditRecord), (SkinRect{156, 191, 65, 65}));
    EXPECT_EQ(flipped.Rect(SkinElement::GainKnobMiddle), (SkinRect{9, 9, 0, 0}));
    EXPECT_TRUE(flipped.Font(1, true).turned);
}

TEST_F(SkinTest, PositionFileWithOneKeyMovesOneValue) {
    test::WriteFileText(dir.File("Portrait/pos.txt"), "[Record]\r\nx=10\r\n");
    const Skin skin = Make(240, 270);
    for (int i = 0; i < kSkinElementCount; ++i) {
        const auto e = static_cast<SkinElement>(i);
        SkinRect expected = BuiltInSkinRect(e);
        if (e == SkinElement::Record) expected.x = 10;
        EXPECT_EQ(skin.Rect(e), expected) << SkinElementName(e);
    }
}

TEST_F(SkinTest, SkinFilesReplacePicturesAndColours) {
    QImage red(240, 270, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(dir.File("Portrait/494.bmp")), "BMP"));
    test::WriteFileText(dir.File("Portrait/503.bmp"), "BM not really a bitmap");
    test::WriteFileText(dir.File("Portrait/Colors.txt"), "[TextColor]\r\nr=1\r\ng=2\r\n");
    const Skin skin = Make(480, 540);
    EXPECT_TRUE(skin.BitmapFromFile(494));
    const QImage picture = skin.Bitmap(494).toImage();
    EXPECT_EQ(picture.size(), QSize(480, 540));  // stretched to the scale
    EXPECT_EQ(picture.pixelColor(100, 100), QColor(Qt::red));
    EXPECT_FALSE(skin.BitmapFromFile(495));
    EXPECT_FALSE(skin.Bitmap(495).isNull());
    // A file that is no picture leaves the picture empty.
    EXPECT_TRUE(skin.Bitmap(503).isNull());
    EXPECT_EQ(skin.Colour(SkinColour::Text), QColor(1, 2, 244));
}

TEST_F(SkinTest, PicturesAreDrawnAtTheDevicePixelRatio) {
    SkinOptions options;
    options.devicePixelRatio = 2.0;
    const Skin skin(240, 270, dir.Path(), options);
    for (int n = kFirstSkinBitmap; n <= kLastSkinBitmap; ++n) {
        const QPixmap& p = skin.Bitmap(n);
        ASSERT_FALSE(p.isNull()) << n;
        EXPECT_EQ(p.deviceIndependentSize().toSize(), SkinBitmapSize(n)) << n;
        EXPECT_EQ(p.size(), SkinBitmapSize(n) * 2) << n;
    }
    // The screens' pictures, for a person to look at.
    const QString artifacts = qEnvironmentVariable("MORA_ARTIFACT_DIR");
    if (artifacts.isEmpty()) return;
    std::filesystem::create_directories(artifacts.toStdString());
    for (int n : {490, 491, 492, 493, 496, 497, 498, 499, 520}) {
        EXPECT_TRUE(skin.Bitmap(n).save(artifacts + QString("/picture-%1.png").arg(n)));
    }
}

// A screen with a toggle over a knob: presses go to the first child hit in table order, moves
// only reach an element that started a drag, and releases go to the element pressed.
class RoutingScreen : public WWin {
  public:
    RoutingScreen(ScreenHost& host, const Skin& skin) : WWin(host, 0, &skin, kRecordPictures) {
        toggle = Add(std::make_unique<ToggleButtonWin>(this, skin, SkinRect{0, 0, 50, 50},
                                                       [this](bool on) { toggle->SetState(on); }));
        knob = Add(std::make_unique<StripeWin>(this, skin, SkinRect{0, 0, 100, 100},
                                               SkinRect{50, 50, 0, 0},
                                               [this](int steps) { knobSteps += steps; }));
    }
    ToggleButtonWin* toggle;
    StripeWin* knob;
    int knobSteps = 0;
};

TEST_F(SkinTest, LeftButtonRouting) {
    test::RecordingHost host;
    const Skin skin = Make(240, 270);
    RoutingScreen screen(host, skin);
    PointerState pointer;
    OnLeftDown(pointer, screen, 10, 10);
    EXPECT_TRUE(screen.toggle->On());
    OnMouseMove(pointer, 10, -30);  // the toggle started no drag
    OnLeftUp(pointer, 10, -30);
    EXPECT_EQ(screen.knobSteps, 0);
    EXPECT_EQ(pointer.pressed, nullptr);

    OnLeftDown(pointer, screen, 80, 80);
    OnMouseMove(pointer, 80, 63);  // 17 pixels up: two steps
    OnMouseMove(pointer, 80, 70);  // back to one
    EXPECT_EQ(screen.knobSteps, 1);
    OnLeftUp(pointer, 80, 70);
    EXPECT_FALSE(pointer.dragActive);
    OnMouseMove(pointer, 80, 0);
    EXPECT_EQ(screen.knobSteps, 1);
    EXPECT_TRUE(screen.toggle->On());
}

}  // namespace
}  // namespace mora
