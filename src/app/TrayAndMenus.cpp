// The notification-area icon, the context menu with its Skins and News
// submenus, the account menu of the check button, always-on-top, help and
// the window drag.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/Vexil.h"
#include "base/FileNames.h"
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
    fs::directory_iterator it(FilePath(skinDir), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = FileNameText(it->path().filename());
        if (name == "." || name == ".." || !it->is_directory(ec)) continue;
        std::error_code inner;
        for (fs::directory_iterator f(it->path(), inner); !inner && f != end; f.increment(inner)) {
            if (SameText(FileNameText(f->path().filename()), "skin.ini") &&
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

void TVexil::CreatePopMnu() {
    popMnu_ = TMenuItem();
    popMnu_.Name = "PopMnu";
    auto& items = popMnu_.Items;
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
    if (settings_.icon_tray) {
        trayIcon_ = cycle_.IsOnline() ? TTrayIcon::Con : TTrayIcon::Dis;
        if (Modify)
            view_.TrayModify(trayIcon_, trayTip_);
        else
            view_.TrayAdd(trayIcon_, trayTip_);
    } else {
        view_.TrayDelete();
    }
}

void TVexil::SetTrayIcon(TTrayIcon icon) {
    trayIcon_ = icon;
    // Without icon_tray there is no icon to change; the shell would refuse.
    if (settings_.icon_tray) view_.TrayModify(icon, trayTip_);
}

void TVexil::TaskbarCreated() {
    if (settings_.icon_tray) view_.TrayAdd(trayIcon_, trayTip_);
}

void TVexil::TrayIconMessage(int mouseMessage) {
    if (mouseMessage == kTrayLeftButtonDown) {
        if (view_.IsVisible()) {
            view_.HideWindow();
            ticker_.SetEnabled(false);
        } else {
            view_.ShowWindow();
            ticker_.SetEnabled(true);
        }
    } else if (mouseMessage == kTrayRightButtonDown) {
        // The settings dialog holds the program until it closes.
        if (configOpen_) return;
        view_.BringToFront();
        int x = 0, y = 0;
        view_.GetCursorPos(x, y);
        PopMnuPopup();
        view_.PopupMenu(popMnu_, x, y);
    }
}

// --- The context menu ---

void TVexil::FormContextPopup() {
    int x = 0, y = 0;
    view_.GetCursorPos(x, y);
    PopMnuPopup();
    view_.PopupMenu(popMnu_, x, y);
}

void TVexil::PopMnuPopup() {
    const std::vector<std::string> folders = SkinFolders(ProgramPath(exeDir_, settings_.skin_dir));

    TMenuItem& news = *popMnu_.Find("NewsMnu");
    KeepFirstTwo(news);
    const std::vector<std::string>& sources = ticker_.NewsSources();
    for (size_t i = 0; i < sources.size(); ++i) {
        const int tag = static_cast<int>(i);
        TMenuItem item = Item("", SplitNewsSource(sources[i])[0], mpNone,
                              [this, tag] { NewsItemClick(tag); });
        item.Tag = tag;
        news.Items.push_back(std::move(item));
    }

    TMenuItem& skins = *popMnu_.Find("SkinMnu");
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
    popMnu_.Find("OnTop")->Checked = onTopChecked_;
}

// Another skin: loaded whole first, so that a skin that cannot be used is
// refused with its message and the skin on view stays, window and settings
// untouched.
void TVexil::SkinItemClick(const std::string& caption) {
    if (Refused()) return;
    // Kept as skin_dir is written, so a relative skin folder stays relative.
    const std::string dir = settings_.skin_dir + kPathDelim + caption + kPathDelim;
    TLoadedSkin skin;
    if (!LoadWholeSkin(dir, skin)) return;
    skinPicked_ = true;
    settings_.current_skin = dir;
    InitWith(&skin);
    MakeTransparent();
    if (!view_.IsVisible()) view_.ShowWindow();
}

void TVexil::NewsItemClick(int tag) {
    if (Refused()) return;
    settings_.srv_news = tag;
    const TTimersStopped timers(*this, cycle_);
    ticker_.LitVxNews();
}

void TVexil::Actualiser1Click() {
    if (Refused()) return;
    const TTimersStopped timers(*this, cycle_);
    ticker_.LitSrvNews();
}

void TVexil::OtherSkinClick() {
    system_.ShellOpen(std::string(kProductSite) + "/Vexil/skins/welcome.htm");
}

void TVexil::OnTopClick() {
    onTopChecked_ = !onTopChecked_;
    SetOnTop(onTopChecked_);
}

// The old help file where one was installed; current Windows versions open
// the help page instead.
void TVexil::AideClick() {
    for (const char* name : {"vxhelp.hlp", "vxhelp.html"}) {
        const std::string path = exeDir_ + name;
        if (std::FILE* f = OpenFile(path, "rb")) {
            std::fclose(f);
            system_.ShellRun("OPEN", path, "");
            return;
        }
    }
    messages_.ShowMessage("The help page " + exeDir_ + "vxhelp.html is missing.");
}

void TVexil::AttachConfig(IConfigView& view) {
    config_ = std::make_unique<TConfig>(view, static_cast<IConfigHost&>(*this), messages_, settings_, accounts_, filters_,
                                        exeDir_);
    config_->FormCreate();
}

void TVexil::Config1Click() {
    if (Refused() || !config_) return;
    const TTimersStopped timers(*this, cycle_);
    // The dialog shows the options file as it is now, hand edits included.
    TLoadReport report;
    LitConfig(report);
    KeepLoadReport(report, true);
    if (!report.Empty()) messages_.ReportError(report.Text());
    const TSettings before = settings_;

    TModalResult result = TModalResult::None;
    {
        configOpen_ = true;
        struct TClosed {
            bool& open;
            ~TClosed() { open = false; }
        } closed{configOpen_};
        result = config_->Execute();
    }
    if (result != TModalResult::OK || cycle_.Closed()) {
        cycle_.CheckPending();  // news that came while the dialog was open
        return;
    }
    ApplyConfig(before, config_->SkinChanged());
}

// What the files now say takes effect, and nothing else happens: no second
// start-up, so no new connection (nor dial), no sound or window for mail
// already announced, no news downloaded again unless their source changed.
void TVexil::ApplyConfig(const TSettings& before, bool skinPreviewed) {
    TLoadReport report;
    LitConfig(report);
    LoadFiltersAndAccounts(report);
    KeepLoadReport(report, false);
    if (!report.Empty()) messages_.ReportError(report.Text());
    if (skinPreviewed || settings_.current_skin != before.current_skin) {
        int left = 0, top = 0;
        view_.GetPosition(left, top);
        ApplySkin(LoadSkinOrEnd());
        view_.SetBounds(left, top, 0, 0);
        MakeTransparent();
        DrawState();
    }
    if (settings_.icon_tray != before.icon_tray) {
        if (settings_.icon_tray)
            view_.TrayAdd(trayIcon_, trayTip_);
        else
            view_.TrayDelete();
    }
    cycle_.SettingsLoaded();
    SetOnTop(onTopFlag_);
    if (settings_.srv_news != before.srv_news) ticker_.LitVxNews();
}

// --- What the settings dialog needs of the main window ---

std::vector<std::string> TVexil::DialUpEntries() { return RASC.Entries; }

std::vector<std::string> TVexil::NewsSources() { return ticker_.NewsSources(); }

bool TVexil::MainWindowVisible() { return view_.IsVisible(); }

void TVexil::ShowMainWindow() { view_.ShowWindow(); }

void TVexil::WindowPlace(int& left, int& top, bool& onTopMark) {
    view_.GetPosition(left, top);
    onTopMark = onTopChecked_;
}

bool TVexil::LoadWholeSkin(const std::string& dir, TLoadedSkin& skin) {
    try {
        skin = LoadMainSkin(ProgramPath(exeDir_, dir), skin_, msgBackground_, TSkinCheck::Everything,
                            [this](const std::string& p) { return LoadPicture(p); });
        return true;
    } catch (const ESkinError& e) {
        messages_.ShowMessage(e.what());
    } catch (const std::exception& e) {
        messages_.ReportError(e.what());
    }
    return false;
}

bool TVexil::PreviewSkin(const std::string& dir) {
    TLoadedSkin skin;
    if (!LoadWholeSkin(dir, skin)) return false;
    // Shown, not made current: current_skin stays what it was.
    const std::string current = settings_.current_skin;
    skinPicked_ = true;
    settings_.current_skin = dir;
    InitWith(&skin);
    MakeTransparent();
    settings_.current_skin = current;
    skinPicked_ = false;
    return true;
}

void TVexil::RestoreSkin() {
    skinPicked_ = true;
    Init();
    MakeTransparent();
    skinPicked_ = false;
}

bool TVexil::MsgWindowVisible() { return msgView_ && msgView_->IsVisible(); }

// The settings dialog's preview shows the message window with the skin on view.
void TVexil::ShowMsgWindow() {
    if (!msgList_ || noMsgBackground_) return;
    msgList_->FormShow(skin_, msgBackground_);
    msgView_->Show();
}

void TVexil::HideMsgWindow() {
    if (msgView_) msgView_->Hide();
}

bool TVexil::ReadWhole(const std::string& file, std::string& report) {
    const auto it = unread_.find(file);
    report = it == unread_.end() ? std::string() : it->second;
    return report.empty();
}

void TVexil::OpenLink(const std::string& target) { system_.ShellOpen(target); }

// --- The check button and its account menu ---

void TVexil::RefreshBtnMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (Refused()) return;
    if (shift == ssLeft) {
        const TTimersStopped timers(*this, cycle_);
        cycle_.CheckAccount(true);
    } else if (shift == ssRight) {
        accountMenu_ = TMenuItem();
        accountMenu_.Name = "AccountMenu";
        for (int i = 1; i <= accounts_.AccountCount; ++i) {
            if (accounts_[i].AccInactive) continue;
            const int tag = i - 1;
            TMenuItem item = Item("", accounts_[i].AccName, mpNone, [this, tag] { MnuClick(tag); });
            item.Tag = tag;
            accountMenu_.Items.push_back(std::move(item));
        }
        int x = 0, y = 0;
        view_.GetCursorPos(x, y);
        view_.PopupMenu(accountMenu_, x, y);
    }
}

void TVexil::MnuClick(int tag) {
    if (Refused() || !cycle_.IsOnline()) return;
    const TTimersStopped timers(*this, cycle_);
    cycle_.CheckChosenAccount(tag);
}

// --- The window drag ---

void TVexil::FormMouseDown(TMouseButton button, TShiftState shift) {
    if (button != TMouseButton::Left || shift != ssLeft) return;
    int x = 0, y = 0;
    view_.GetCursorPos(x, y);
    drag_.Start(x, y);
}

void TVexil::FormMouseMove(TShiftState shift) {
    if (shift != ssLeft) return;
    int x = 0, y = 0, dx = 0, dy = 0;
    view_.GetCursorPos(x, y);
    drag_.MoveTo(x, y, dx, dy);
    TWindowPlace place;
    view_.GetPosition(place.Left, place.Top);
    int screenW = 0, screenH = 0;
    view_.ScreenSize(screenW, screenH);
    place = SnapToEdges(place, dx, dy, ClientWidth(), ClientHeight(), screenW, screenH);
    view_.SetBounds(place.Left, place.Top, ClientWidth(), ClientHeight());
}

}  // namespace vexil
