// The main window's logic: start-up, skin application, status display, exit.
#include "app/Vexil.h"

#include <exception>

#include "base/Text.h"
#include "config/SettingsWriter.h"

namespace vexil {

namespace {

const char* const kInvalidSkinFile = "INVALID FILE in SKIN.INI !\rCheck your bitmaps files in Skin.ini";
const char* const kInvalidGotMail = "Invalid file for section [youhavemail]\rOnline= ... in Skin.ini";
const char* const kInvalidOnline = "Invalid file for section [Online]\rOnline= ... in Skin.ini";
const char* const kInvalidOffline = "Invalid file for section [Online]\rNotOnline= ... in Skin.ini";

TRect Union(const TRect& a, const TRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

}  // namespace

TVexil::TVexil(IMainWindowView& view, ISystemServices& system, IMessages& messages)
    : POP(std::make_unique<TWirePOP3>()),
      RASC(system.RasApi()),
      view_(view),
      system_(system),
      messages_(messages) {
    POP->Port = 110;
    POP->BufferChunk = 8192;
    POP->OnStatus = [this](TWireSocket&, const std::string& text) { POPStatus(text); };
    POP->OnWork = [this](TWireSocket&, int, int) { POPWork(); };
    // Between the slices of every wait on the server: the window stays alive.
    POP->OnIdle = [this] { view_.ProcessMessages(); };
    Msg.UseNowForDate = false;
    STATBMP.Transparency = TImageTransparency::None;
    NBMSGBMP.Transparency = TImageTransparency::Magenta;
    NBMSGBMP.Hint = "NB Messages";
    FLAG.Transparency = TImageTransparency::State;
    Online.Transparency = TImageTransparency::State;
    Connect.Hint = "Connect to POP server";
    RefreshBtn.Hint = "Check for Messages";
    Disconnect.Hint = "Hang-up the line";
    MAIL.Hint = "Run mail client";
    for (TImgBtn* b : Buttons()) {
        b->OnRepaint = [this, b] { view_.Invalidate(b->BoundsRect()); };
    }
    WireMenusAndCommands();
    Connect.OnClick = [this] { ConnectClick(); };
    Disconnect.OnClick = [this] { DisconnectClick(); };
}

std::vector<TImgBtn*> TVexil::Buttons() { return {&Connect, &RefreshBtn, &Disconnect, &MAIL}; }

void TVexil::FormCreate() {
    FirstPaint = true;
    Settings.srv_news = 0;
    MsgCount = 0;
    NewsRefreshTicks = 0;
    SkinPicked = false;
    NewsLines.clear();
    NewsSources = {kBuiltInNewsSource};
    PrevMsgCount = 0;
    StatusText = "Disconnected";
    Background = TImage32();
    MsgBackground = TImage32();
    exeDir_ = system_.ExeDir();
    try {
        Init();
    } catch (const std::exception& e) {
        // A skin that cannot be loaded at all leaves nothing to show: report
        // the error and end rather than run an invisible program.
        messages_.ReportError(e.what());
        messages_.Halt(1);
    }
    TickerPaused = true;
    PauseTicks = 0;
}

void TVexil::Init() {
    ScrollOffset = 0;
    Accounts.AccountCount = 0;
    HasValidAccount = false;
    AccountIndex = 1;
    NoMsgBackground = false;
    Settings.run_my_client = false;

    int left = 0, top = 0;
    view_.GetPosition(left, top);
    view_.SetBounds(left, top, 0, 0);

    LitSkinIni();
    view_.SetBounds(Settings.posx, Settings.posy, 0, 0);
    ApplySkinToControls();
    AfficheTray(false);
    if (POP->Connected() && !Settings.autoconnect && !IsOnline) POP->Disconnect();
    RASC.RefreshEntries();
    ShowOnlineState();
    if (Settings.autoconnect && !POP->Connected() && HasValidAccount) GoOnline();
    SetOnTop(OnTopFlag);
    ResumeTimers();
}

void TVexil::LitConfig() {
    TConfigHooks hooks;
    hooks.ResetPauseTicks = [this] { PauseTicks = 0; };
    hooks.SetOnTopMark = [this](bool on) { OnTopChecked = on; };
    hooks.SetTickerInterval = [this](int ms) { TickerIntervalMs = ms; };
    vexil::LitConfig(Settings, exeDir_, SkinPicked, messages_, hooks);
    OnTopFlag = Settings.ontop;
}

void TVexil::LitSkinIni() {
    LitConfig();
    try {
        LoadFilters(Filters, Accounts, exeDir_);
        const TCurrentAccount current = LoadAccounts(Accounts, exeDir_);
        HasValidAccount = current.HasValidAccount;
        AccountIndex = current.AccountIndex;
        if (current.HasValidAccount) {
            FirstActiveAccount = current.FirstActiveAccount;
            PutAccountIntoPOP(AccountIndex);
        }
    } catch (const EConvertError& e) {
        // A malformed max_size or port number stops that load where it stands,
        // as a malformed option does; the skin still loads.
        messages_.ReportError(e.what());
    }
    fonts_.Clear();
    LoadSkinValues(Skin, ProgramPath(exeDir_, Settings.current_skin), Background, MsgBackground,
                   NoMsgBackground, messages_);
    MaxChar = Skin.MaxChar;
}

TPicture TVexil::LoadPicture(const std::string& path) {
    return LoadPictureFile(path, [this](const std::string& p) { return system_.LoadMetafile(p); });
}

void TVexil::LoadButton(TImgBtn& button, const TSkinButton& values) {
    button.SetPicOff(LoadPicture(values.Normal));
    button.SetPicOn(LoadPicture(values.Select));
    // Autosize would size it at its first paint; size it now so that the
    // pointer finds it before that.
    button.Width = button.PicOff().Width();
    button.Height = button.PicOff().Height();
    button.Top = values.Y;
    button.Left = values.X;
}

void TVexil::LoadStateImage(TImageControl& image, const std::string& path) {
    const TPicture picture = LoadPicture(path);
    if (picture.Frames.size() > 1) {
        // Animated GIF frames carry their own transparency.
        image.SetFrames(picture.Frames, picture.DelaysMs, picture.LoopCount);
    } else {
        image.SetPicture(StatePictureFrame(picture));
    }
    view_.SetAnimationTimer(AnimationRunning());
}

void TVexil::AnimationTick(int elapsedMs) {
    for (TImageControl* image : {&FLAG, &Online})
        if (image->Animate(elapsedMs)) view_.Invalidate(image->BoundsRect());
    if (!AnimationRunning()) view_.SetAnimationTimer(false);
}

void TVexil::ApplySkinToControls() {
    try {
        LoadButton(Connect, Skin.Connect);
        LoadButton(RefreshBtn, Skin.Read);
        LoadButton(Disconnect, Skin.Disconnect);
        LoadStateImage(FLAG, Skin.NoMailPath);
        FLAG.Left = Skin.FlagX;
        FLAG.Top = Skin.FlagY;
        LoadButton(MAIL, Skin.Mail);
        Online.Left = Skin.OnlineX;
        Online.Top = Skin.OnlineY;
        STATBMP.Left = Skin.StatusX;
        STATBMP.Top = Skin.StatusY;
        NBMSGBMP.Left = Skin.CountX;
        NBMSGBMP.Top = Skin.CountY;
    } catch (const std::exception&) {
        messages_.ShowMessage(kInvalidSkinFile);
        messages_.Halt(1);
    }
    view_.Invalidate(TRect{0, 0, ClientWidth(), ClientHeight()});
}

void TVexil::DrawBitmapText(TImageControl& target, const std::string& text, int offset,
                            const std::string& fontFile, int charHeight, int charWidth) {
    const bool isCount = &target == &NBMSGBMP;
    if (!isCount) target.Hint = StatusText;
    const TRect before = target.BoundsRect();
    target.Clear();
    const TImage32& font = fonts_.Get(fontFile);
    TBitmapTextResult& out = isCount ? countText_ : statusText_;
    RenderBitmapTextInto(out, text, offset, font, charHeight, charWidth,
                         isCount ? TFontLayout::Count : TFontLayout::Status, MaxChar, &Background,
                         target.Left, target.Top);
    std::swap(target.PictureStorage(), out.Picture);
    target.PictureChanged();
    LineScrolledOut = out.LineScrolledOut;
    RepaintControl(before, target.BoundsRect());
}

void TVexil::DrawStatus(const std::string& text) {
    DrawBitmapText(STATBMP, text, 0, Skin.StatusFontPath, Skin.StatusH, Skin.StatusW);
}

void TVexil::DrawCount(const std::string& digits) {
    DrawBitmapText(NBMSGBMP, digits, 0, Skin.CountFontPath, Skin.CountH, Skin.CountW);
}

void TVexil::RepaintControl(const TRect& before, const TRect& after) {
    view_.Invalidate(Union(before, after));
}

void TVexil::ShowMessageCount() {
    const char* noun = MsgCount == 1 ? " message" : " messages";
    StatusText = Accounts[AccountIndex].AccName + " " + std::to_string(MsgCount) + noun;
    DrawStatus(StatusText);
}

// A skin picture that cannot be shown ends the program after its message,
// saying goodbye to the POP3 server first where asked (errors ignored).
void TVexil::EndAfterSkinError(const char* message, bool closeSession) {
    messages_.ShowMessage(message);
    if (closeSession) {
        try {
            POP->Disconnect();
        } catch (const std::exception&) {
        }
    }
    messages_.Halt(1);
}

void TVexil::LoadFlagPicture(const std::string& path) {
    const TRect before = FLAG.BoundsRect();
    try {
        LoadStateImage(FLAG, path);
    } catch (const std::exception&) {
        EndAfterSkinError(kInvalidGotMail, true);
    }
    RepaintControl(before, FLAG.BoundsRect());
}

void TVexil::ShowOnlineState() {
    LoadFlagPicture(MsgCount > 0 ? Skin.GotMailPath : Skin.NoMailPath);

    const TRect onlineBefore = Online.BoundsRect();
    if (IsOnline) {
        DrawStatus(StatusText);
        DrawCount(std::to_string(MsgCount));
        Online.Hint = "Connected";
        SetTrayIcon(TTrayIcon::Con);
        try {
            LoadStateImage(Online, Skin.OnlinePath);
        } catch (const std::exception&) {
            EndAfterSkinError(kInvalidOnline, true);
        }
    } else {
        StatusText = "Disconnected";
        DrawStatus(StatusText);
        DrawCount("0");
        Online.Hint = "Disconnected";
        SetTrayIcon(TTrayIcon::Dis);
        try {
            LoadStateImage(Online, Skin.OfflinePath);
        } catch (const std::exception&) {
            EndAfterSkinError(kInvalidOffline, false);
        }
    }
    RepaintControl(onlineBefore, Online.BoundsRect());
}

void TVexil::STATBMPMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (shift == ssLeft) {
        if (NewsIndex < 0 || NewsIndex >= static_cast<int>(NewsLines.size())) return;
        const std::string& line = NewsLines[NewsIndex];
        const size_t link = line.find("###http");
        if (link == std::string::npos) return;
        system_.ShellOpen(Trim(line.substr(link + 3)));
        TickerPaused = true;
        PauseTicks = 0;
    } else if (shift == (ssCtrl | ssLeft)) {
        TickerPaused = true;
        PauseTicks = 20;
        const std::string kept = StatusText;
        StatusText = system_.HostNameAndAddress() + " " + system_.NowDateTime();
        DrawStatus(StatusText);
        StatusText = kept;
    }
}

void TVexil::FLAGMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (shift == ssLeft) {
        TickerPaused = true;
        PauseTicks = 0;
        DrawStatus(StatusText);
    }
}

void TVexil::FormShow() { MakeTransparent(); }

void TVexil::FormPaint() {
    if (Settings.hidden && FirstPaint) {
        FirstPaint = false;
        view_.HideWindow();
        ScrollEnabled = false;
    }
}

void TVexil::MakeTransparent() {
    try {
        int left = 0, top = 0;
        view_.GetPosition(left, top);
        view_.SetBounds(left, top, Background.Width(), Background.Height());
        view_.SetWindowRegion(RegionFromBitmap(&Background, kMagenta, view_.RegionOps()));
        view_.Invalidate(TRect{0, 0, ClientWidth(), ClientHeight()});
    } catch (const std::exception&) {
        messages_.Halt(1);
    }
}

void TVexil::StopTimers() {
    ScrollEnabled = false;
    TimerEnabled = false;
    view_.SetCheckTimer(false, CheckIntervalMs);
}

void TVexil::ResumeTimers() {
    ScrollEnabled = view_.IsVisible() || FirstPaint;
    TimerEnabled = Settings.autocheck && IsOnline;
    view_.SetCheckTimer(TimerEnabled, CheckIntervalMs);
}

void TVexil::SetOnTop(bool onTop) { view_.SetTopmost(onTop); }

void TVexil::Exit1Click() {
    StopTimers();
    NewsLines.clear();
    NewsSources.clear();
    if (NetworkBusy) {
        // Closed while a check waits on its server: that check must not go
        // on talking to the connection, nor drawing on a closed window.
        checkAbandoned_ = true;
        POP->CloseSocket();
    }
    if (POP->Connected()) {
        try {
            POP->Disconnect();
        } catch (const std::exception&) {
            // The session is closed either way; the settings still get written.
        }
    }
    int left = 0, top = 0;
    view_.GetPosition(left, top);
    try {
        WriteOptions(ConfigFilePath(exeDir_, "Vexil.ini"), Settings, left, top, OnTopChecked);
    } catch (const std::exception& e) {
        messages_.ReportError(e.what());
    }
    Settings.icon_tray = false;
    AfficheTray(false);
    view_.CloseWindow();
}

void TVexil::Paint(TImage32& surface) const {
    if (surface.Width() != Background.Width() || surface.Height() != Background.Height())
        surface = TImage32(Background.Width(), Background.Height());
    surface.CopyFrom(Background, 0, 0, Background.Width(), Background.Height(), 0, 0);
    Online.Paint(surface);
    FLAG.Paint(surface);
    STATBMP.Paint(surface);
    NBMSGBMP.Paint(surface);
    for (const TImgBtn* b : {&Connect, &RefreshBtn, &Disconnect, &MAIL})
        const_cast<TImgBtn*>(b)->Paint(surface, nullptr);
}

TImgBtn* TVexil::ButtonAt(int x, int y) {
    auto buttons = Buttons();
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it)
        if ((*it)->Visible && (*it)->BoundsRect().Contains(x, y)) return *it;
    return nullptr;
}

void TVexil::MouseMove(int x, int y, TShiftState shift) {
    if (dragging_) {
        FormMouseMove(shift);
        return;
    }
    TImgBtn* over = ButtonAt(x, y);
    if (pressed_ && over != pressed_) over = nullptr;
    if (over == hover_) return;
    if (hover_) hover_->MouseLeave();
    hover_ = over;
    if (hover_) hover_->MouseEnter();
}

void TVexil::MouseLeaveWindow() {
    if (pressed_) return;  // the capture brings the release back to us
    if (hover_) hover_->MouseLeave();
    hover_ = nullptr;
}

void TVexil::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (TImgBtn* b = ButtonAt(x, y)) {
        if (button == TMouseButton::Left) {
            pressed_ = b;
            view_.SetMouseCapture(true);
        }
        b->MouseDown(button, shift, x - b->Left, y - b->Top);
        // The window's context menu, on every control without a menu of its own.
        if (button == TMouseButton::Right && b != &RefreshBtn) FormContextPopup();
        return;
    }
    if (button == TMouseButton::Right) {
        FormContextPopup();
        return;
    }
    if (NBMSGBMP.BoundsRect().Contains(x, y)) return;
    if (STATBMP.BoundsRect().Contains(x, y)) {
        STATBMPMouseDown(button, shift, x - STATBMP.Left, y - STATBMP.Top);
        return;
    }
    if (FLAG.Enabled && FLAG.BoundsRect().Contains(x, y)) {
        FLAGMouseDown(button, shift, x - FLAG.Left, y - FLAG.Top);
        return;
    }
    if (Online.BoundsRect().Contains(x, y)) return;
    // The background: a window drag.
    if (button == TMouseButton::Left && shift == ssLeft) {
        dragging_ = true;
        view_.SetMouseCapture(true);
        FormMouseDown(button, shift);
    }
}

void TVexil::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (dragging_ && button == TMouseButton::Left) {
        dragging_ = false;
        view_.SetMouseCapture(false);
        return;
    }
    if (!pressed_ || button != TMouseButton::Left) return;
    TImgBtn* b = pressed_;
    pressed_ = nullptr;
    view_.SetMouseCapture(false);
    b->MouseUp(button, shift, x - b->Left, y - b->Top);
    MouseMove(x, y, shift);
}

std::string TVexil::HintAt(int x, int y) const {
    if (TImgBtn* b = const_cast<TVexil*>(this)->ButtonAt(x, y)) return b->Hint;
    for (const TImageControl* c : {&NBMSGBMP, &STATBMP, &FLAG, &Online})
        if (c->BoundsRect().Contains(x, y)) return c->Hint;
    return std::string();
}

}  // namespace vexil
