#include "ui/editor_screen.h"

#include <gtest/gtest.h>

#include <QDir>

#include "project/editing.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt_test_app.h"
#include "tests/ui/screen_fixture.h"
#include "ui/artwork.h"

namespace mora {
namespace {

using test::RecordingHost;
using test::RecordingTransport;

// A recording of `count` level values, all at `level`, in a project folder of its own (edits
// write the level file there).
void MakeRecording(ProjectState& project, const test::TempDir& dir, uint32_t count,
                   uint8_t level = 40) {
    RecordingEdit& rec = project.edit.rec;
    std::fill(rec.levels.begin(), rec.levels.begin() + count, level);
    rec.levelCount = count;
    rec.cropBegin = 0;
    rec.cropEnd = count;
    project.recording.name = "default03";
    project.recording.audioPath = dir.Path() + "default03.mp2";
    project.recording.levelPath = dir.Path() + "default03.jvu";
}

struct EditorRig {
    explicit EditorRig(int width = 480, int height = 540, qreal dpr = 1.0)
        : skin(width, height, dir.Path(), SkinOptions{0, false, false, dpr, 0}) {
        RecorderEnv env;
        env.settings = &settings;
        screen = std::make_unique<EditorWWin>(host, skin, state, transport, env, project);
    }
    void Click(int x, int y) {
        OnLeftDown(pointer, *screen, x, y);
        OnLeftUp(pointer, x, y);
    }

    test::TempDir dir;
    Settings settings;
    Skin skin;
    ProjectState project;
    RecordingHost host;
    RecordingTransport transport;
    TransportState state = TransportState::Stopped;
    PointerState pointer;
    std::unique_ptr<EditorWWin> screen;
};

class EditorScreenTest : public ::testing::Test {
  protected:
    void SetUp() override { test::TestApp(); }
};

// The graph drawn alone onto black, so every lit pixel is the graph's.
QImage DrawGraph(RecGraphWin& graph) {
    QImage image(graph.Rect().right() + 1, graph.Rect().bottom() + 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    graph.Draw(painter);
    return image;
}

TEST_F(EditorScreenTest, ColumnsShowTheLoudestOfTheirValuesOrRepeatOneValue) {
    EditorRig rig;
    MakeRecording(rig.project, rig.dir, 2000);
    const uint8_t values[] = {70, 10, 60, 50, 44, 79, 44, 44};
    std::copy(std::begin(values), std::end(values), rig.project.edit.rec.levels.begin());
    RecGraphWin& graph = *rig.screen->Graph();
    const QRect r = graph.Rect();
    auto row = [&](int v) { return r.top() + v * r.height() / kLevelRange; };
    std::vector<QPoint> points;
    graph.SetView(2, 0);
    graph.Points(points);
    ASSERT_EQ(points.size(), static_cast<size_t>(r.width()));
    EXPECT_EQ(points[0].y(), row(10));
    EXPECT_EQ(points[1].y(), row(44));
    graph.SetView(-1, 0);
    graph.Points(points);
    ASSERT_EQ(points.size(), static_cast<size_t>(r.width()));
    EXPECT_EQ(points[2].y(), row(10));
    EXPECT_EQ(points[3].y(), row(10));
    EXPECT_EQ(points[3].x(), r.left() + 3);
}

TEST_F(EditorScreenTest, AnEmptyRecordingDrawsNothingAndAnEmptyScrollBar) {
    EditorRig rig;
    rig.screen->Activate();
    EXPECT_EQ(rig.screen->Scrollbar()->ThumbWidth(), 0);
    const QImage image = DrawGraph(*rig.screen->Graph());
    const QRect r = rig.screen->Graph()->Rect();
    for (int y = r.top(); y <= r.bottom(); y += 3) {
        for (int x = r.left(); x <= r.right(); ++x) ASSERT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
    }
}

TEST_F(EditorScreenTest, DrawsCutsMarkersAndCursorAtTheirColumns) {
    EditorRig rig;
    RecGraphWin& graph = *rig.screen->Graph();
    const QRect r = graph.Rect();
    MakeRecording(rig.project, rig.dir, static_cast<uint32_t>(r.width()) + 50);
    RecordingEdit& rec = rig.project.edit.rec;
    rec.cuts[0] = {100, 140, 0};
    rec.cuts[1] = {200, 220, 0};
    rec.cuts[2] = {260, 260, 0};
    rec.cutCount = 3;
    rig.project.edit.selectedCut = 1;
    const uint32_t lastColumn = static_cast<uint32_t>(r.width()) - 1;
    rec.markers[0] = 0;
    rec.markers[1] = 50;
    rec.markers[2] = lastColumn;
    rec.markerCount = 3;
    graph.SetView(0, 0);
    graph.SetCursor(30);
    const QImage image = DrawGraph(graph);
    const int line = r.top() + 40 * r.height() / kLevelRange;
    auto at = [&](int column, int y) { return QColor(image.pixel(r.left() + column, y)); };
    auto lit = [&](int column, int y) { return qGray(image.pixel(r.left() + column, y)) > 200; };
    EXPECT_EQ(at(20, line), rig.skin.Colour(SkinColour::Waveform));
    EXPECT_EQ(at(120, line), rig.skin.Colour(SkinColour::WaveformCut));
    EXPECT_EQ(at(210, line), rig.skin.Colour(SkinColour::WaveformEditCut));
    // The empty cut and the cursor invert their column; away from them the background stays.
    const int low = r.bottom() - 2;
    EXPECT_TRUE(lit(260, low));
    EXPECT_TRUE(lit(30, low));
    EXPECT_EQ(at(31, low), QColor(Qt::black));
    // The marker picture hangs from the top edge, centred on its column: whole at 50, cut off
    // at the left edge at 0, and not drawn where it would cross the right edge.
    EXPECT_TRUE(lit(50, r.top()));
    EXPECT_TRUE(lit(0, r.top()));
    EXPECT_EQ(at(static_cast<int>(lastColumn), r.top()), QColor(Qt::black));
    EXPECT_EQ(at(static_cast<int>(lastColumn) - 3, r.top()), QColor(Qt::black));
}

TEST_F(EditorScreenTest, KeysZoomAndDraggingACutEnd) {
    EditorRig rig;
    MakeRecording(rig.project, rig.dir, 2000);
    RecordingEdit& rec = rig.project.edit.rec;
    rec.markers[0] = 300;
    rec.markers[1] = 900;
    rec.markerCount = 2;
    EditorWWin& s = *rig.screen;
    s.Activate();
    for (int id : {cmd::CropBegin, cmd::CropEnd, cmd::CutBegin, cmd::CutEnd, cmd::CopyToClipEditor,
                   cmd::OpenClip, cmd::SaveSelection}) {
        EXPECT_TRUE(rig.host.enabledItems[id]) << id;
    }
    RecGraphWin& graph = *s.Graph();
    const int whole = graph.WholeZoom();
    EXPECT_EQ(graph.Zoom(), whole);
    EXPECT_GE(uint64_t{graph.VisibleUnits()}, 2000u);
    s.KeyDown(kKeyRight);
    s.KeyDown(kKeyRight);
    EXPECT_EQ(rig.project.edit.cursor, 900u);
    s.KeyDown(kKeyLeft);
    EXPECT_EQ(rig.project.edit.cursor, 300u);
    // Zooming in keeps the cursor's column, down to one value per eight columns.
    const int64_t column = graph.ColumnOf(300);
    s.ZoomIn();
    EXPECT_EQ(graph.Zoom(), whole - 1);
    EXPECT_EQ(graph.ColumnOf(300), column);
    for (int i = 0; i < 20; ++i) s.ZoomIn();
    EXPECT_EQ(graph.Zoom(), kClosestZoom);
    EXPECT_TRUE(graph.InView(300));
    // The scroll bar shows the view: its thumb is the visible share of the bar.
    const ScrollbarWin& bar = *s.Scrollbar();
    EXPECT_EQ(bar.ThumbOffset(), bar.Rect().width() * static_cast<int>(graph.First()) / 2000);
    for (int i = 0; i < 20; ++i) s.ZoomOut();
    EXPECT_EQ(graph.Zoom(), whole);
    EXPECT_EQ(bar.ThumbWidth(), bar.Rect().width());

    // A selected cut's end dragged in the waveform moves, with one undo record for the drag.
    rec.cuts[0] = {400, 500, 0};
    rec.cutCount = 1;
    s.MoveCursor(500);
    EXPECT_EQ(rig.project.edit.selectedCut, 0);
    s.Refresh();
    const QRect r = graph.Rect();
    const int x = r.left() + static_cast<int>(graph.ColumnOf(500));
    OnLeftDown(rig.pointer, s, x, r.center().y());
    OnMouseMove(rig.pointer, x + 20, r.center().y());
    OnLeftUp(rig.pointer, x + 20, r.center().y());
    EXPECT_GT(rec.cuts[0].end, 500u);
    EXPECT_EQ(rec.cuts[0].begin, 400u);
    EXPECT_EQ(rig.project.edit.cursor, rec.cuts[0].end);
    EXPECT_EQ(rig.project.edit.undo.type, kUndoCutEndDrag);
    UndoRedoCut(rig.project);
    EXPECT_EQ(rec.cuts[0].end, 500u);
}

// The editor with a recording that has markers, a cut and a crop range, as pictures to look at.
TEST_F(EditorScreenTest, RendersARecording) {
    const QString dir = test::ArtifactDir();
    if (dir.isEmpty()) GTEST_SKIP() << "MORA_ARTIFACT_DIR not set";
    for (const auto& [w, h, dpr, tag] : test::kRenderScales) {
        EditorRig rig(w, h, dpr);
        const uint32_t count = 1800;  // a minute and a half
        MakeRecording(rig.project, rig.dir, count);
        RecordingEdit& rec = rig.project.edit.rec;
        // Speech: syllables and pauses.
        for (uint32_t i = 0; i < count; ++i) {
            const int syllable = static_cast<int>((i * 7) % 23);
            const bool pause = (i / 90) % 4 == 3;
            rec.levels[i] = static_cast<uint8_t>(pause ? 66 + syllable % 8 : 8 + syllable * 2);
        }
        rec.cropBegin = 150;
        rec.cropEnd = 1650;
        rec.cuts[0] = {600, 760, 0};
        rec.cuts[1] = {1200, 1200, 0};
        rec.cutCount = 2;
        for (uint32_t m : {300u, 900u, 1400u}) rec.markers[rec.markerCount++] = m;
        rig.project.edit.cursor = 1000;
        EditorWWin& s = *rig.screen;
        s.Activate();
        auto save = [&](const char* what) {
            EXPECT_TRUE(
                test::Render(s, rig.skin).save(dir + QString("/editor-%1-%2.png").arg(what, tag)));
        };
        save("whole");
        s.MoveCursor(600);
        s.ZoomIn();
        s.ZoomIn();
        s.ShowLevels(20, 20);
        save("zoomed");
    }
}

}  // namespace
}  // namespace mora
