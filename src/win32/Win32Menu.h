// Popup menus of the program: the logic's menu model turned into a Win32
// menu, tracked at a screen point, with the small pictures of some items
// drawn by the owner window.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "app/Menu.h"

namespace vexil {

// Builds a popup menu from the model.  Command number n (from 1) stands for
// commands[n - 1].  Items with a picture ask their owner window to measure
// and draw it (TMenuPictures).  The caller destroys the menu.
HMENU BuildPopupMenu(const TMenuItem& menu, std::vector<const TMenuItem*>& commands);

// Opens the menu at (x, y) for owner and waits for the choice; returns the
// chosen item's handler (empty when the menu was dismissed).  The handler is
// handed back rather than run, so that it runs after the menu has gone.
std::function<void()> TrackMenu(HWND owner, const TMenuItem& menu, int x, int y);

// The 16 x 16 item pictures, magenta transparent, from the program's resources.
class TMenuPictures {
public:
    explicit TMenuPictures(HINSTANCE instance);
    ~TMenuPictures();
    TMenuPictures(const TMenuPictures&) = delete;
    TMenuPictures& operator=(const TMenuPictures&) = delete;

    // WM_MEASUREITEM and WM_DRAWITEM of a menu item picture; false when the
    // message is not about one.
    bool Measure(MEASUREITEMSTRUCT& item) const;
    bool Draw(const DRAWITEMSTRUCT& item) const;

private:
    HBITMAP bitmaps_[8] = {};
};

}  // namespace vexil
