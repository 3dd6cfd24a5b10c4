#pragma once
// The screens of the main window. Each screen is a WWin with an index (0-5), a pair of
// full-window pictures and a table of child elements; the window calls the current screen for
// painting, timer ticks, keys, the right button and the left-button routing below, and
// activates and deactivates screens as the user switches between them.

#include <QRect>
#include <memory>
#include <vector>

#include "ui/menu_commands.h"
#include "ui/win.h"

class QPainter;
class QPixmap;

namespace mora {

// What a screen may ask of the window it lives in.
class ScreenHost {
  public:
    virtual ~ScreenHost() = default;
    virtual void CheckMenuItem(int id, bool checked) = 0;
    virtual void InvalidateScreen() = 0;
    // Repaints a part of the screen (window pixels).
    virtual void InvalidateRect(const QRect& rect) { (void)rect, InvalidateScreen(); }
    // Repaints the whole screen now, before a long operation blocks the window.
    virtual void UpdateScreen() { InvalidateScreen(); }
    virtual void EnableMenuItem(int id, bool enabled) { (void)id, (void)enabled; }
    // Grays or enables the top-level menus (all of them, or only the Edit popup).
    virtual void EnableTopMenus(bool enabled) { (void)enabled; }
    virtual void EnableEditPopup(bool enabled) { (void)enabled; }
};

class WWin : public Win {
  public:
    // `pictures` is the number of the normal picture; the pressed one follows it. Without a
    // skin the screen paints black.
    WWin(ScreenHost& host, int index, const Skin* skin = nullptr, int pictures = 0);

    int Index() const { return index_; }
    bool IsActive() const { return active_; }
    ScreenHost& Host() const { return host_; }
    const Skin* SkinOf() const { return skin_; }
    const QPixmap& NormalPicture() const;
    const QPixmap& PressedPicture() const;
    void SetPictures(int first) { pictures_ = first; }

    // Marks the screen active, checks its Tools item and has the window repainted.
    virtual void Activate();
    // Marks it inactive and unchecks its Tools item.
    virtual void Deactivate();
    // The whole normal picture, then every child in table order.
    void Paint(QPainter& painter) override;
    // Asks the children in table order and stops at the first hit.
    bool HitTest(PointerState& pointer, int x, int y) override;

    int ChildCount() const { return static_cast<int>(children_.size()); }
    Win* Child(int i) const;

  protected:
    // Adds a child at the end of the table and returns it.
    template <typename T>
    T* Add(std::unique_ptr<T> child) {
        T* raw = child.get();
        children_.push_back(std::move(child));
        return raw;
    }

    ScreenHost& host_;
    const Skin* skin_;

  private:
    int index_;
    bool active_ = false;
    int pictures_;
    std::vector<std::unique_ptr<Win>> children_;
};

// The left-button routing from the main window to the current screen.
void OnLeftDown(PointerState& pointer, WWin& screen, int x, int y);
void OnMouseMove(PointerState& pointer, int x, int y);
void OnLeftUp(PointerState& pointer, int x, int y);
// Forgets a pressed element that is about to go (a screen being destroyed).
void ForgetPressed(PointerState& pointer);

}  // namespace mora
