#pragma once
// The screens of the main window. Each screen is a WWin with an index (0-5); the window calls
// the current screen for painting, timer ticks, keys and right-button presses, and activates
// and deactivates screens as the user switches between them.

#include <QRect>

#include "ui/menu_commands.h"

class QPainter;

namespace mora {

// What a screen may ask of the window it lives in.
class ScreenHost {
  public:
    virtual ~ScreenHost() = default;
    virtual void CheckMenuItem(int id, bool checked) = 0;
    virtual void InvalidateScreen() = 0;
};

class WWin {
  public:
    WWin(ScreenHost& host, int index) : host_(host), index_(index) {}
    virtual ~WWin() = default;
    WWin(const WWin&) = delete;
    WWin& operator=(const WWin&) = delete;

    int Index() const { return index_; }
    bool IsActive() const { return active_; }

    // Marks the screen active, checks its Tools item and has the window repainted.
    virtual void Activate();
    // Marks it inactive and unchecks its Tools item.
    virtual void Deactivate();
    virtual void Paint(QPainter& painter, const QRect& area);
    virtual void TimerTick() {}
    virtual void KeyDown(int key) { (void)key; }
    virtual void RightDown(int x, int y) { (void)x, (void)y; }
    virtual void RightUp(int x, int y) { (void)x, (void)y; }

  protected:
    ScreenHost& host_;

  private:
    int index_;
    bool active_ = false;
};

// A screen that is not built yet: it shows the window's background and nothing else.
class PlaceholderWWin : public WWin {
  public:
    using WWin::WWin;
};

}  // namespace mora
