// A popup menu as the main window's logic builds it: a tree of items with
// captions, tags, check marks and click handlers.  The window turns it into
// a platform menu when it opens, so the logic and its tests never touch one.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vexil {

// The small pictures beside some menu items (0: none).
enum TMenuPicture { mpNone = 0, mpSkins, mpOtherSkin, mpNews, mpRefresh, mpHelp };

struct TMenuItem {
    std::string Caption;  // "-" makes a separator
    std::string Name;     // the item's name in the logic ("SkinMnu"), for finding it again
    int Tag = 0;
    bool Checked = false, Enabled = true;
    int PictureId = mpNone;
    std::vector<TMenuItem> Items;  // a submenu when not empty
    std::function<void()> OnClick;

    bool IsSeparator() const { return Caption == "-"; }

    // The item of that name in this menu or any of its submenus.
    TMenuItem* Find(const std::string& name) { return FindIn(*this, name); }
    const TMenuItem* Find(const std::string& name) const { return FindIn(*this, name); }

private:
    template <class TItem>
    static TItem* FindIn(TItem& menu, const std::string& name) {
        for (TItem& item : menu.Items) {
            if (item.Name == name) return &item;
            if (TItem* inner = FindIn(item, name)) return inner;
        }
        return nullptr;
    }
};

inline TMenuItem MenuSeparator(const std::string& name = std::string()) {
    TMenuItem item;
    item.Caption = "-";
    item.Name = name;
    return item;
}

}  // namespace vexil
