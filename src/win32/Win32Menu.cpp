// Popup menus from the menu model, and their item pictures.
#include "win32/Win32Menu.h"

#include "base/Charsets.h"
#include "win32/WideText.h"
#include "win32/resource.h"

namespace vexil {

namespace {

const int kPictureSize = 16;
// Item data of our pictures: this mark and the TMenuPicture number.
const ULONG_PTR kPictureData = 0x5600;

// The picture number of a menu item we drew, or -1 for another item.
int PictureOf(UINT type, ULONG_PTR data) {
    if (type != ODT_MENU || (data & ~ULONG_PTR(0xFF)) != kPictureData) return -1;
    const int id = static_cast<int>(data & 0xFF);
    return id <= mpHelp ? id : -1;
}

void AddItems(HMENU hmenu, const TMenuItem& menu, std::vector<const TMenuItem*>& commands) {
    // In a menu where some items have a picture, the others get an empty
    // one: Wine sizes the menu from the items' own pictures but places every
    // caption after the picture column, which cuts the longest plain caption.
    bool pictures = false;
    for (const TMenuItem& item : menu.Items) pictures = pictures || item.PictureId != mpNone;
    UINT position = 0;
    for (const TMenuItem& item : menu.Items) {
        MENUITEMINFOW info{};
        // Skin names are folder names (UTF-8), other captions the program's
        // 8-bit text: each reads right taken as UTF-8 where it is that.
        std::wstring caption = ToWide(RawToUtf8(item.Caption));
        info.cbSize = sizeof info;
        if (item.IsSeparator()) {
            info.fMask = MIIM_FTYPE;
            info.fType = MFT_SEPARATOR;
        } else {
            info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
            info.fType = MFT_STRING;
            info.dwTypeData = &caption[0];
            info.fState = (item.Checked ? MFS_CHECKED : 0u) | (item.Enabled ? 0u : MFS_GRAYED);
            commands.push_back(&item);
            info.wID = static_cast<UINT>(commands.size());
            if (!item.Items.empty()) {
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = CreatePopupMenu();
                AddItems(info.hSubMenu, item, commands);
            }
            if (pictures) {
                info.fMask |= MIIM_BITMAP | MIIM_DATA;
                info.hbmpItem = HBMMENU_CALLBACK;
                info.dwItemData = kPictureData | static_cast<ULONG_PTR>(item.PictureId);
            }
        }
        InsertMenuItemW(hmenu, position++, TRUE, &info);
    }
}

}  // namespace

HMENU BuildPopupMenu(const TMenuItem& menu, std::vector<const TMenuItem*>& commands) {
    HMENU hmenu = CreatePopupMenu();
    AddItems(hmenu, menu, commands);
    return hmenu;
}

std::function<void()> TrackMenu(HWND owner, const TMenuItem& menu, int x, int y) {
    // A copy: whatever runs while the menu is open (a timer tick, a click on
    // the notification-area icon) may rebuild the logic's menus.
    const TMenuItem model = menu;
    std::vector<const TMenuItem*> commands;
    HMENU hmenu = BuildPopupMenu(model, commands);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere (a menu opened from the notification area especially).
    SetForegroundWindow(owner);
    const int chosen = static_cast<int>(
        TrackPopupMenu(hmenu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(hmenu);
    if (chosen < 1 || chosen > static_cast<int>(commands.size())) return {};
    return commands[chosen - 1]->OnClick;
}

TMenuPictures::TMenuPictures(HINSTANCE instance) {
    for (int id = mpSkins; id <= mpHelp; ++id)
        bitmaps_[id] = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(200 + id),
                                                       IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    static_assert(IDB_MENU_SKINS == 200 + mpSkins && IDB_MENU_HELP == 200 + mpHelp,
                  "menu picture numbers follow TMenuPicture");
}

TMenuPictures::~TMenuPictures() {
    for (HBITMAP b : bitmaps_)
        if (b) DeleteObject(b);
}

bool TMenuPictures::Measure(MEASUREITEMSTRUCT& item) const {
    if (PictureOf(item.CtlType, item.itemData) < 0) return false;
    item.itemWidth = kPictureSize + 4;  // a little air before the caption
    item.itemHeight = kPictureSize;
    return true;
}

bool TMenuPictures::Draw(const DRAWITEMSTRUCT& item) const {
    const int id = PictureOf(item.CtlType, item.itemData);
    if (id < 0) return false;
    HBITMAP bitmap = bitmaps_[id];
    if (!bitmap) return true;
    HDC source = CreateCompatibleDC(item.hDC);
    HGDIOBJ old = SelectObject(source, bitmap);
    const int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - kPictureSize) / 2;
    const int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - kPictureSize) / 2;
    TransparentBlt(item.hDC, x, y, kPictureSize, kPictureSize, source, 0, 0, kPictureSize,
                   kPictureSize, RGB(255, 0, 255));
    SelectObject(source, old);
    DeleteDC(source);
    return true;
}

}  // namespace vexil
