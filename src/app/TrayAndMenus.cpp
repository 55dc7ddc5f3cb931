// The notification-area icon, the context menu with its Skins and News
// submenus, the account menu of the check button, always-on-top, help and
// the window drag.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Vexil.h"
#include "base/Text.h"

namespace vexil {

namespace {

namespace fs = std::filesystem;

// Skin folders as found in skinDir: sub-directories that hold a skin.ini
// (whatever the case of its name), in the order the directory lists them.
// A folder that cannot be read lists nothing.
std::vector<std::string> SkinFolders(const std::string& skinDir) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(skinDir), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == "." || name == ".." || !it->is_directory(ec)) continue;
        std::error_code inner;
        for (fs::directory_iterator f(it->path(), inner); !inner && f != end; f.increment(inner)) {
            if (SameText(f->path().filename().string(), "skin.ini") &&
                !f->is_directory(inner)) {
                names.push_back(name);
                break;
            }
        }
    }
    return names;
}

TMenuItem Item(const std::string& name, const std::string& caption, int picture,
               std::function<void()> onClick) {
    TMenuItem item;
    item.Name = name;
    item.Caption = caption;
    item.PictureId = picture;
    item.OnClick = std::move(onClick);
    return item;
}

// Drops every item after the first two (the fixed command and its separator).
void KeepFirstTwo(TMenuItem& menu) {
    if (menu.Items.size() > 2) menu.Items.erase(menu.Items.begin() + 2, menu.Items.end());
}

}  // namespace

std::array<std::string, 4> SplitNewsSource(const std::string& line) {
    std::array<std::string, 4> fields;
    std::string rest = line;
    for (int i = 0; i < 3; ++i) {
        const size_t bar = rest.find('|');
        if (bar == std::string::npos) continue;
        fields[i] = Trim(rest.substr(0, bar));
        rest = rest.substr(bar + 1);
    }
    fields[3] = Trim(rest);
    return fields;
}

void TVexil::CreatePopMnu() {
    PopMnu = TMenuItem();
    PopMnu.Name = "PopMnu";
    auto& items = PopMnu.Items;
    items.push_back(Item("Config1", "Configure", mpNone, [this] { Config1Click(); }));
    items.push_back(MenuSeparator("N2"));
    TMenuItem skins = Item("SkinMnu", "Skins", mpSkins, nullptr);
    skins.Items.push_back(
        Item("OtherSkin", "Other Skins...", mpOtherSkin, [this] { OtherSkinClick(); }));
    skins.Items.push_back(MenuSeparator("N4"));
    items.push_back(std::move(skins));
    TMenuItem news = Item("NewsMnu", "News", mpNews, nullptr);
    news.Items.push_back(
        Item("Actualiser1", "Refresh List", mpRefresh, [this] { Actualiser1Click(); }));
    news.Items.push_back(MenuSeparator("N5"));
    items.push_back(std::move(news));
    items.push_back(MenuSeparator("N3"));
    TMenuItem onTop = Item("OnTop", "On Top", mpNone, [this] { OnTopClick(); });
    onTop.Checked = true;
    items.push_back(std::move(onTop));
    items.push_back(Item("Aide", "&Help", mpHelp, [this] { AideClick(); }));
    items.push_back(MenuSeparator("N1"));
    items.push_back(Item("Exit1", "Exit", mpNone, [this] { Exit1Click(); }));
}

void TVexil::WireMenusAndCommands() {
    CreatePopMnu();
    RefreshBtn.OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
        RefreshBtnMouseDown(button, shift, x, y);
    };
    MAIL.OnClick = [this] { MAILClick(); };
}

// --- Notification-area icon ---

void TVexil::AfficheTray(bool Modify) {
    if (Settings.icon_tray) {
        TrayIcon = IsOnline ? TTrayIcon::Con : TTrayIcon::Dis;
        if (Modify)
            view_.TrayModify(TrayIcon, kTrayTip);
        else
            view_.TrayAdd(TrayIcon, kTrayTip);
    } else {
        view_.TrayDelete();
    }
}

void TVexil::SetTrayIcon(TTrayIcon icon) {
    TrayIcon = icon;
    // Without icon_tray there is no icon to change; the shell would refuse.
    if (Settings.icon_tray) view_.TrayModify(icon, kTrayTip);
}

void TVexil::TaskbarCreated() {
    if (Settings.icon_tray) view_.TrayAdd(TrayIcon, kTrayTip);
}

void TVexil::TrayIconMessage(int mouseMessage) {
    if (mouseMessage == kTrayLeftButtonDown) {
        if (view_.IsVisible()) {
            view_.HideWindow();
            ScrollEnabled = false;
        } else {
            view_.ShowWindow();
            ScrollEnabled = true;
        }
    } else if (mouseMessage == kTrayRightButtonDown) {
        view_.BringToFront();
        int x = 0, y = 0;
        view_.GetCursorPos(x, y);
        PopMnuPopup();
        view_.PopupMenu(PopMnu, x, y);
    }
}

// --- The context menu ---

void TVexil::FormContextPopup() {
    int x = 0, y = 0;
    view_.GetCursorPos(x, y);
    PopMnuPopup();
    view_.PopupMenu(PopMnu, x, y);
}

void TVexil::PopMnuPopup() {
    const std::vector<std::string> folders = SkinFolders(ProgramPath(exeDir_, Settings.skin_dir));

    TMenuItem& news = *PopMnu.Find("NewsMnu");
    KeepFirstTwo(news);
    for (size_t i = 0; i < NewsSources.size(); ++i) {
        const int tag = static_cast<int>(i);
        TMenuItem item = Item("", SplitNewsSource(NewsSources[i])[0], mpNone,
                              [this, tag] { NewsItemClick(tag); });
        item.Tag = tag;
        news.Items.push_back(std::move(item));
    }

    TMenuItem& skins = *PopMnu.Find("SkinMnu");
    KeepFirstTwo(skins);
    for (const std::string& name : folders) {
        TMenuItem item = Item("", name, mpNone, [this, name] { SkinItemClick(name); });
        // Ascending without regard to case; a name goes before an equal one.
        const std::string key = UpperCase(name);
        auto at = std::find_if(skins.Items.begin() + 2, skins.Items.end(),
                               [&](const TMenuItem& m) { return UpperCase(m.Caption) >= key; });
        skins.Items.insert(at, std::move(item));
    }

    // The model keeps the check mark apart from the menu.
    PopMnu.Find("OnTop")->Checked = OnTopChecked;
}

void TVexil::SkinItemClick(const std::string& caption) {
    SkinPicked = true;
    // Kept as skin_dir is written, so a relative skin folder stays relative.
    Settings.current_skin = Settings.skin_dir + kPathDelim + caption + kPathDelim;
    Init();
    MakeTransparent();
    if (!view_.IsVisible()) view_.ShowWindow();
}

void TVexil::NewsItemClick(int tag) {
    Settings.srv_news = tag;
    StopTimers();
    // Reading the chosen source's news belongs to the news ticker.
    ResumeTimers();
}

void TVexil::Actualiser1Click() {
    StopTimers();
    // Reloading the source list belongs to the news ticker.
    ResumeTimers();
}

void TVexil::OtherSkinClick() {
    system_.ShellOpen(std::string(kProductSite) + "/Vexil/skins/welcome.htm");
}

void TVexil::OnTopClick() {
    OnTopChecked = !OnTopChecked;
    SetOnTop(OnTopChecked);
}

void TVexil::AideClick() { system_.ShellRun("OPEN", exeDir_ + "vxhelp.hlp", ""); }

void TVexil::Config1Click() {
    StopTimers();
    // The settings dialog opens here; until it exists there is nothing to
    // reload, but the timers go round the command as they will then.
    ResumeTimers();
}

// --- The check button and its account menu ---

void TVexil::RefreshBtnMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (shift == ssLeft) {
        StopTimers();
        CheckAccount(true);
        ResumeTimers();
    } else if (shift == ssRight) {
        AccountMenu = TMenuItem();
        AccountMenu.Name = "AccountMenu";
        for (int i = 1; i <= Accounts.AccountCount; ++i) {
            if (Accounts[i].AccInactive) continue;
            const int tag = i - 1;
            TMenuItem item = Item("", Accounts[i].AccName, mpNone, [this, tag] { MnuClick(tag); });
            item.Tag = tag;
            AccountMenu.Items.push_back(std::move(item));
        }
        int x = 0, y = 0;
        view_.GetCursorPos(x, y);
        view_.PopupMenu(AccountMenu, x, y);
    }
}

void TVexil::MnuClick(int tag) {
    if (!IsOnline) return;
    // The advance of the check moves on by one, onto the chosen account.
    AccountIndex = tag;
    StopTimers();
    CheckAccount(true);
    ResumeTimers();
}

// --- The window drag ---

void TVexil::FormMouseDown(TMouseButton button, TShiftState shift) {
    if (button != TMouseButton::Left || shift != ssLeft) return;
    view_.GetCursorPos(DragX, DragY);
}

void TVexil::FormMouseMove(TShiftState shift) {
    if (shift != ssLeft) return;
    int x = 0, y = 0;
    view_.GetCursorPos(x, y);
    const int dx = x - DragX, dy = y - DragY;
    int left = 0, top = 0;
    view_.GetPosition(left, top);
    left += dx;
    top += dy;
    const int width = ClientWidth(), height = ClientHeight();
    int screenW = 0, screenH = 0;
    view_.ScreenSize(screenW, screenH);
    // Snap to an edge that the window comes within 10 pixels of, but only
    // while it moves towards that edge, so that it can be pulled away again.
    if (top < 10 && dy < 0) top = 0;
    if (left < 10 && dx < 0) left = 0;
    if (screenW - (left + width) < 10 && dx > 0) left = screenW - width;
    if (screenH - (top + height) < 10 && dy > 0) top = screenH - height;
    view_.SetBounds(left, top, width, height);
    DragX = x;
    DragY = y;
}

std::string TVexil::CurrentAccountName() const {
    // No current account (none active: AccountIndex is AccountCount + 1)
    // has no name; indexing the table there would be a fault.
    if (AccountIndex < 1 || AccountIndex > Accounts.AccountCount) return std::string();
    return Accounts[AccountIndex].AccName;
}

}  // namespace vexil
