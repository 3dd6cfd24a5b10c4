#pragma once
// A window stand-in for screens under test (it records what they ask of the menus and which
// parts they repaint), a transport that records the calls, and a helper that renders a screen
// to an image.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <map>
#include <string>
#include <vector>

#include "ui/transport.h"
#include "ui/wwin.h"

namespace mora::test {

class RecordingHost : public ScreenHost {
  public:
    void CheckMenuItem(int id, bool checked) override { checkedItems[id] = checked; }
    void InvalidateScreen() override { ++wholeRepaints; }
    void InvalidateRect(const QRect& rect) override { repainted |= rect; }
    void EnableMenuItem(int id, bool enabled) override { enabledItems[id] = enabled; }
    void EnableTopMenus(bool enabled) override { topMenusEnabled = enabled; }
    void EnableEditPopup(bool enabled) override { editPopupEnabled = enabled; }

    std::map<int, bool> checkedItems;
    std::map<int, bool> enabledItems;
    bool topMenusEnabled = true;
    bool editPopupEnabled = false;
    int wholeRepaints = 0;
    QRegion repainted;
};

class RecordingTransport : public TransportControl {
  public:
    void Bind(TransportView* v) override { view = v; }
    bool StartInput() override { return Call("start input"), inputOpens; }
    void StopInput() override { Call("stop input"); }
    void StartSaving() override { Call("start saving"); }
    void StopSaving() override { Call("stop saving"); }
    int InsertMarker() override { return Call("marker"), ++markers; }
    bool CanPlay() override { return canPlay; }
    bool StartPlaying() override { return Call("start playing"), true; }
    void StopPlaying() override { Call("stop playing"); }
    bool StartWinding(int direction) override {
        return Call(direction > 0 ? "forward" : "rewind"), true;
    }
    void SwapPosition() override { Call("swap position"); }
    int RecordGain() const override { return gain; }
    void StepGain(int delta) override { gain = std::clamp(gain + delta, 0, 40); }
    int PlayVolume() const override { return volume; }
    void StepVolume(int delta) override { volume = std::clamp(volume + delta, 0, 20); }

    void Call(const std::string& what) { calls.push_back(what); }

    TransportView* view = nullptr;
    std::vector<std::string> calls;
    bool inputOpens = true;
    bool canPlay = true;
    int markers = 0;
    int gain = 0;
    int volume = 20;
};

// The screen as the window would show it, at the skin's device pixel ratio.
inline QImage Render(WWin& screen, const Skin& skin) {
    const qreal dpr = skin.Options().devicePixelRatio;
    QImage image((QSizeF(skin.MainSize()) * dpr).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    QPainter painter(&image);
    screen.Paint(painter);
    return image;
}

// The window sizes screens are rendered at for a person to look at: scale 1, scale 2, and scale
// 1 on a screen of twice the pixel density.
struct RenderScale {
    int width, height;
    qreal devicePixelRatio;
    const char* tag;
};
inline constexpr RenderScale kRenderScales[] = {
    {240, 270, 1.0, "s1"}, {480, 540, 1.0, "s2"}, {240, 270, 2.0, "s1-hidpi"}};

// The folder the pictures go to, made when missing; empty when MORA_ARTIFACT_DIR is not set.
inline QString ArtifactDir() {
    const QString dir = qEnvironmentVariable("MORA_ARTIFACT_DIR");
    if (!dir.isEmpty()) QDir().mkpath(dir);
    return dir;
}

}  // namespace mora::test
