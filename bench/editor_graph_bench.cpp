// Drawing the editor's waveform: a whole ten-hour recording (720000 level values at 20 a
// second) in view on a 1920-pixel-wide graph, with markers and cuts, beside QPainter drawing the
// same polyline with a plain drawPolyline call. Also shows what drawing every level value as
// its own point would cost. Milliseconds per drawing, median of the rounds.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "project/project_state.h"
#include "ui/rec_graph.h"
#include "ui/skin.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 240;
constexpr int kRounds = 41;

double MedianMs(const std::function<void()>& draw) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::nth_element(times.begin(), times.begin() + kRounds / 2, times.end());
    return times[kRounds / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    using namespace mora;

    const Skin skin(480, 540, "/nonexistent/", SkinOptions{});
    EditState edit;
    RecordingEdit& rec = edit.rec;
    rec.levelCount = kLevelCapacity;
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < rec.levelCount; ++i) {
        seed = seed * 1664525 + 1013904223;
        // Speech with pauses: loud syllables, quiet gaps.
        const bool pause = (i / 60) % 5 == 4;
        rec.levels[i] = static_cast<uint8_t>(pause ? 60 + (seed >> 28) : 6 + (seed >> 26));
    }
    rec.cropBegin = 3600;
    rec.cropEnd = rec.levelCount - 3600;
    for (uint32_t m = 0; m < 200; ++m) rec.markers[rec.markerCount++] = 1800 + m * 3600;
    for (uint32_t c = 0; c < 50; ++c)
        rec.cuts[rec.cutCount++] = {10000 + c * 14000, 12000 + c * 14000, 0};
    edit.selectedCut = 3;
    edit.cursor = 400000;

    RecGraphWin graph(nullptr, skin, QRect(0, 0, kWidth, kHeight), edit, {});
    graph.SetView(graph.WholeZoom(), 0);
    graph.SetCursor(edit.cursor);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);

    const double ours = MedianMs([&] {
        image.fill(Qt::black);
        QPainter painter(&image);
        graph.Draw(painter);
    });

    std::vector<QPoint> points;
    const double columns = MedianMs([&] { graph.Points(points); });
    const QPen pen(skin.Colour(SkinColour::Waveform), 1);
    const double plain = MedianMs([&] {
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(pen);
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    });

    std::vector<QPointF> every(rec.levelCount);
    for (uint32_t i = 0; i < rec.levelCount; ++i) {
        every[i] = QPointF(double(i) * kWidth / rec.levelCount, rec.levels[i] * kHeight / 80.0);
    }
    const double naive = MedianMs([&] {
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(pen);
        painter.drawPolyline(every.data(), static_cast<int>(every.size()));
    });

    std::printf("10 h recording, %u level values, zoom %d (%llu per column), %zu columns of %d\n",
                rec.levelCount, graph.Zoom(), 1ull << std::max(graph.Zoom(), 0), points.size(),
                kWidth);
    std::printf("%-52s %8.2f ms\n", "RecGraphWin whole view (line, cuts, markers, cursor)", ours);
    std::printf("%-52s %8.2f ms\n", "  of which the columns' smallest values", columns);
    std::printf("%-52s %8.2f ms\n", "QPainter::drawPolyline, the same points", plain);
    std::printf("%-52s %8.2f\n", "ratio (ours / drawPolyline)", ours / plain);
    std::printf("%-52s %8.2f ms\n", "QPainter::drawPolyline, every level value", naive);
    std::printf("goal: under 20 ms: %s\n", ours < 20 ? "met" : "missed");
    return 0;
}
