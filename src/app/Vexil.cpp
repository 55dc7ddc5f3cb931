// The main window's logic: start-up, skin application, status display, exit.
#include "app/Vexil.h"

#include <exception>

#include "base/Text.h"
#include "config/SettingsWriter.h"

namespace vexil {

TVexil::TVexil(IMainWindowView& view, ISystemServices& system, IMessages& messages)
    : POP(std::make_unique<TWirePOP3>()),
      IMAP(std::make_unique<TWireIMAP>()),
      RASC(system.RasApi()),
      view_(view),
      system_(system),
      messages_(messages),
      display_([this](const TRect& area) { view_.Invalidate(area); },
               [this](const std::string& path) { return LoadPicture(path); },
               [this](bool on) { view_.SetAnimationTimer(on); }),
      cycle_(TMailboxes(*POP, *IMAP), Msg, RASC, settings_, accounts_, *this),
      getNews_([&system] { return system.NewHttpRequest(); }, view.UiThread()),
      scroll_(view.UiThread()),
      ticker_(*this, getNews_, scroll_, view.UiThread(), settings_,
              ProductNewsAddresses(system.NewsHost())) {
    POP->Port = 110;
    for (TWireSocket* session : Sessions()) {
        // 64 KB receives: a large message comes in a few hundred system
        // calls instead of thousands (three times faster under Wine).
        session->BufferChunk = 65536;
        session->OnStatus = [this](TWireSocket&, const std::string& text) { cycle_.POPStatus(text); };
        session->OnWork = [this](TWireSocket&, int, int) { POPWork(); };
        // Between the slices of every wait on the server: the window stays alive.
        session->OnIdle = [this] { view_.ProcessMessages(); };
    }
    Msg.UseNowForDate = false;
    // A tick of the ticker is shown at once, not at the next paint.
    display_.ShowNow = [this](const TRect& area) { view_.RepaintNow(area); };
    Connect.Hint = "Connect to POP server";
    RefreshBtn.Hint = "Check for Messages";
    Disconnect.Hint = "Hang-up the line";
    MAIL.Hint = "Run mail client";
    for (TImgBtn* b : Buttons()) b->OnRepaint = [this](const TRect& area) { view_.Invalidate(area); };
    WireMenusAndCommands();
    Connect.OnClick = [this] { ConnectClick(); };
    Disconnect.OnClick = [this] { DisconnectClick(); };
}

TVexil::~TVexil() {
    StopWatches();
    // No status of a connection closed now may reach a half-destroyed window.
    for (TWireSocket* session : Sessions()) {
        session->OnStatus = nullptr;
        session->OnWork = nullptr;
        session->OnIdle = nullptr;
    }
}

std::vector<TWireSocket*> TVexil::Sessions() { return {POP.get(), IMAP.get()}; }

// Every session says goodbye (errors ignored: each is closed either way).
void TVexil::DisconnectSessions() {
    for (IMailbox* session : {static_cast<IMailbox*>(POP.get()), static_cast<IMailbox*>(IMAP.get())}) {
        if (!session->Connected()) continue;
        try {
            session->Disconnect();
        } catch (const std::exception&) {
        }
    }
}

std::vector<TImgBtn*> TVexil::Buttons() { return {&Connect, &RefreshBtn, &Disconnect, &MAIL}; }

void TVexil::FormCreate() {
    firstPaint_ = true;
    settings_.srv_news = 0;
    cycle_.ResetCount();
    ticker_.ResetRefresh();
    skinPicked_ = false;
    display_.SetStatusText("Disconnected");
    background_ = TImage32();
    msgBackground_ = TImage32();
    exeDir_ = system_.ExeDir();
    ticker_.SetDirectory(exeDir_);
    Init();
    ticker_.Pause();
}

void TVexil::Init() { InitWith(nullptr); }

// Init, with the skin already loaded when one was picked from the menu.
void TVexil::InitWith(TLoadedSkin* picked) {
    ticker_.ResetScroll();
    noMsgBackground_ = false;
    settings_.run_my_client = false;

    int left = 0, top = 0;
    view_.GetPosition(left, top);
    view_.SetBounds(left, top, 0, 0);

    // LitSkinIni: the settings, the filters and accounts, then the skin.  A
    // malformed number is reported with its file and key, once for all files.
    TLoadReport report;
    LitConfig(report);
    LoadFiltersAndAccounts(report);
    KeepLoadReport(report, false);
    if (!report.Empty()) messages_.ReportError(report.Text());
    ApplySkin(picked ? std::move(*picked) : LoadSkinOrEnd());

    view_.SetBounds(settings_.posx, settings_.posy, 0, 0);
    AfficheTray(false);
    if (!settings_.autoconnect && !cycle_.IsOnline()) DisconnectSessions();
    RASC.RefreshEntries();
    ShowOnlineState();
    if (settings_.autoconnect && !cycle_.Mailbox().Connected() && cycle_.HasValidAccount())
        cycle_.GoOnline();
    SetOnTop(onTopFlag_);
    // A skin picked from the menu keeps the news on view.
    if (!skinPicked_) ticker_.LitVxNews();
    ResumeTimers();
}

void TVexil::LitConfig(TLoadReport& report) {
    TConfigHooks hooks;
    hooks.ResetPauseTicks = [this] { ticker_.Pause(0); };
    hooks.SetOnTopMark = [this](bool on) { onTopChecked_ = on; };
    hooks.SetTickerInterval = [this](int ms) { ticker_.SetIntervalMs(ms); };
    vexil::LitConfig(settings_, exeDir_, skinPicked_, messages_, hooks, report);
    onTopFlag_ = settings_.ontop;
}

void TVexil::KeepLoadReport(const TLoadReport& report, bool optionsOnly) {
    for (const char* file : {"Vexil.ini", "Accounts.ini", "VxFilter.ini"}) {
        if (optionsOnly && std::string(file) != "Vexil.ini") continue;
        unread_[file] = report.TextOf(file);
    }
}

void TVexil::LoadFiltersAndAccounts(TLoadReport& report) {
    LoadFilters(filters_, accounts_, exeDir_, report);
    // Watches hold the accounts' numbers and servers: they start afresh.
    StopWatches();
    cycle_.AccountsLoaded(LoadAccounts(accounts_, exeDir_, report));
    SyncWatches();
}

// The skin of current_skin, which must load: without it there is nothing to
// show, and the program ends after the skin's message.
TLoadedSkin TVexil::LoadSkinOrEnd() {
    try {
        return LoadMainSkin(ProgramPath(exeDir_, settings_.current_skin), skin_, msgBackground_,
                            TSkinCheck::Start, [this](const std::string& p) { return LoadPicture(p); });
    } catch (const ESkinError& e) {
        messages_.ShowMessage(e.what());
    } catch (const std::exception& e) {
        messages_.ReportError(e.what());
    }
    messages_.Halt(1);
}

void TVexil::ApplySkin(TLoadedSkin skin) {
    skin_ = std::move(skin.Values);
    background_ = std::move(skin.Background);
    msgBackground_ = std::move(skin.MsgBackground);
    noMsgBackground_ = skin.NoMsgBackground;
    display_.UseSkin(skin_, background_);

    // The loaded pictures come in the order of Buttons().
    const TSkinButton* values[4] = {&skin_.Connect, &skin_.Read, &skin_.Disconnect, &skin_.Mail};
    const std::vector<TImgBtn*> buttons = Buttons();
    for (size_t i = 0; i < 4; ++i) {
        buttons[i]->SetPicOff(skin.ButtonOff[i]);
        buttons[i]->SetPicOn(skin.ButtonOn[i]);
        buttons[i]->Top = values[i]->Y;
        buttons[i]->Left = values[i]->X;
    }
    display_.ShowNoMailPicture(skin.NoMail);
    view_.Invalidate(TRect{0, 0, ClientWidth(), ClientHeight()});
}

TPicture TVexil::LoadPicture(const std::string& path) {
    return LoadPictureFile(path, [this](const std::string& p) { return system_.LoadMetafile(p); });
}

void TVexil::AnimationTick(int elapsedMs) { display_.AnimationTick(elapsedMs); }

void TVexil::ShowMessageCount() {
    const int count = cycle_.MsgCount();
    const char* noun = count == 1 ? " message" : " messages";
    display_.ShowStatus(cycle_.AccountName() + " " + std::to_string(count) + noun);
}

// A skin picture that cannot be shown ends the program after its message,
// saying goodbye to the POP3 server first where asked (errors ignored).
void TVexil::EndAfterSkinError(const char* message, bool closeSession) {
    messages_.ShowMessage(message);
    if (closeSession) DisconnectSessions();
    messages_.Halt(1);
}

void TVexil::ShowMailPicture(bool mail, bool reload) {
    try {
        display_.ShowMailPicture(mail, reload);
    } catch (const std::exception&) {
        EndAfterSkinError(kInvalidGotMail, true);
    }
}

void TVexil::ShowOnlineState() {
    SyncWatches();
    DrawState();
    SetTrayIcon(cycle_.IsOnline() ? TTrayIcon::Con : TTrayIcon::Dis);
}

// The online state's pictures, status and count, as they are now.
void TVexil::DrawState() {
    ShowMailPicture(cycle_.MsgCount() > 0, true);
    const bool online = cycle_.IsOnline();
    if (online) {
        display_.DrawStatus(display_.StatusText());
        display_.DrawCount(std::to_string(cycle_.MsgCount()));
    } else {
        display_.ShowStatus("Disconnected");
        display_.DrawCount("0");
    }
    display_.Online.Hint = online ? "Connected" : "Disconnected";
    try {
        display_.ShowOnlinePicture(online);
    } catch (const std::exception&) {
        EndAfterSkinError(online ? kInvalidOnline : kInvalidOffline, online);
    }
}

// --- What the check cycle shows ---

void TVexil::ShowStatus(const std::string& text) {
    display_.ShowStatus(text);
    ticker_.Pause();
}

void TVexil::DrawStatus(const std::string& text) { display_.DrawStatus(text); }

// --- What the news ticker draws ---

bool TVexil::DrawNews(const std::string& text, int offset) {
    display_.DrawNews(text, offset);
    return display_.LineScrolledOut();
}

void TVexil::DrawStatusText() { display_.DrawStatus(display_.StatusText()); }

void TVexil::NewsAfterConnect() {
    ticker_.ResetRefresh();
    ticker_.LitSrvNews();
    ticker_.LitVxNews();
}

void TVexil::SetStatusText(const std::string& text) { display_.SetStatusText(text); }

void TVexil::ShowCheckResult(const TCheckResult& result) {
    if (!result.SecurityFailure.empty()) {
        display_.ShowStatus(result.Account + " " + result.SecurityFailure);
        ticker_.Pause();
        return;
    }
    display_.NBMSGBMP.Hint = result.CountHint;
    // The shell keeps a tip of 63 characters at most.
    trayTip_ = result.NotEncrypted ? (std::string(kTrayTip) + ": " + result.Account).substr(0, 48) +
                                         " not encrypted"
                                   : std::string(kTrayTip);
    if (result.News.MailWaiting) {
        ShowMessageCount();
        SetTrayIcon(TTrayIcon::Mail);
    } else {
        display_.ShowStatus(result.Failed ? result.Account + " Access error to POP server"
                                          : result.Account + " empty");
        SetTrayIcon(TTrayIcon::Con);
    }
    // The picture says whether mail waits in the account on view.
    ShowMailPicture(result.News.MailWaiting, result.News.NewMail);
    if (result.News.NewMail) NotifyNewMail();
    display_.DrawCount(std::to_string(result.Count));
    ticker_.Pause();  // the result stays on view a while before the news scrolls on
}

void TVexil::AccountSecured(int index, TSecurity security) {
    if (index < 1 || index > accounts_.AccountCount) return;
    const TPOPAcc before = accounts_[index];
    accounts_[index].AccSecurity = security;
    // Kept for this run in any case; a file that cannot take it now is said
    // so, and the account asks for TLS again at the next start's first login.
    try {
        if (!StoreAccountSecurity(exeDir_, index, before, security))
            messages_.ReportError("Accounts.ini changed or could not be read: " + before.AccName +
                                  " keeps needing TLS only until Vexil ends.");
    } catch (const ESettingsWriteError& e) {
        messages_.ReportError(e.what());
    }
}

void TVexil::NotifyNewMail() {
    if (!view_.IsVisible()) view_.ShowWindow();
    if (settings_.playsnd && !settings_.wavsnd.empty()) system_.PlayWave(settings_.wavsnd);
}

void TVexil::ShowMessage(const std::string& text) { messages_.ShowMessage(text); }

void TVexil::ReportError(const std::string& text) { messages_.ReportError(text); }

void TVexil::ProcessMessages() { view_.ProcessMessages(); }

// --- The check cycle's commands ---

void TVexil::ConnectClick() { cycle_.ConnectClick(); }

void TVexil::TimerTimer() {
    if (Refused()) return;
    // The ticker holds still while the check runs; the check timer goes on.
    const TTickerHeld held(ticker_, [this] { return !cycle_.Closed(); });
    cycle_.TimerCheck();
}

void TVexil::DisconnectClick() { cycle_.DisconnectClick(); }

void TVexil::POPWork() { view_.ProcessMessages(); }

// --- Status line and mail picture ---

void TVexil::STATBMPMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (shift == ssLeft) {
        ticker_.LinkClick([this](const std::string& address) { system_.ShellOpen(address); });
    } else if (shift == (ssCtrl | ssLeft)) {
        ticker_.Pause(20);
        // Shown, not kept: the status text stays what it was.
        const std::string kept = display_.StatusText();
        display_.SetStatusText(system_.HostNameAndAddress() + " " + system_.NowDateTime());
        display_.DrawStatus(display_.StatusText());
        display_.SetStatusText(kept);
    }
}

void TVexil::FLAGMouseDown(TMouseButton, TShiftState shift, int, int) {
    if (shift == ssLeft) {
        ticker_.Pause();
        display_.DrawStatus(display_.StatusText());
    } else if (shift == (ssLeft | ssDouble)) {
        FLAGDblClick();
    }
}

// --- The message window ---

void TVexil::AttachMsgList(IMsgListView& view, IFilterAlert& alert) {
    msgView_ = &view;
    msgList_ = std::make_unique<TMsgList>(view, alert, static_cast<IMsgListHost&>(*this), messages_,
                                          cycle_.Mailbox(), Msg, settings_, filters_);
}

void TVexil::ShowMsgListModal(bool notepad) {
    notepadMode_ = notepad;
    if (notepad) display_.DrawStatus("Notepad");
    msgList_->FormShow(skin_, msgBackground_);
    msgView_->ShowModal();
    display_.DrawStatus(display_.StatusText());
    SetOnTop(onTopChecked_);
}

// A double click on the mail picture: the waiting mail of the account on
// view, read on a session of its own; offline or without mail, a notepad.
void TVexil::FLAGDblClick() {
    if (Refused() || !msgList_) return;
    display_.DrawStatus(display_.StatusText());
    if (noMsgBackground_ || msgView_->IsVisible()) return;
    const TTimersStopped timers(*this, cycle_);
    msgOpen_ = true;
    struct TClosed {
        bool& open;
        ~TClosed() { open = false; }
    } closed{msgOpen_};

    if (cycle_.MsgCount() < 1 || !cycle_.IsOnline()) {
        ShowMsgListModal(true);
        return;
    }
    IMailbox& mailbox = cycle_.Mailbox();
    msgList_->UseMailbox(mailbox);
    try {
        mailbox.Connect();
        msgListCount_ = mailbox.CheckMessages();
    } catch (const std::exception&) {
        messages_.ShowMessage("POP Connection failed. Check you account");
        try {
            mailbox.Disconnect();
        } catch (const std::exception&) {
        }
        return;
    }
    if (msgListCount_ < 1) {
        msgList_->ShowNote("Messages already read !");
        ShowMsgListModal(true);
    } else {
        notepadMode_ = false;
        msgList_->ShowMsg(1, 0);
        ShowMsgListModal(false);
    }
    // The session the window read on: counted, then closed.
    if (mailbox.Connected()) cycle_.CheckAccount(false);
    cycle_.CheckPending();  // news that came while the window was open
}

void TVexil::CountAndClose() {
    cycle_.CheckAccount(false);
    msgListCount_ = cycle_.MsgCount();
}

// --- Painting hooks, shape, timers ---

void TVexil::FormShow() { MakeTransparent(); }

void TVexil::FormPaint() {
    if (settings_.hidden && firstPaint_) {
        firstPaint_ = false;
        view_.HideWindow();
        ticker_.SetEnabled(false);
    }
}

void TVexil::MakeTransparent() {
    try {
        int left = 0, top = 0;
        view_.GetPosition(left, top);
        view_.SetBounds(left, top, background_.Width(), background_.Height());
        view_.SetWindowRegion(RegionFromBitmap(&background_, kMagenta, view_.RegionOps()));
        view_.Invalidate(TRect{0, 0, ClientWidth(), ClientHeight()});
    } catch (const std::exception&) {
        // The shape comes from the main background: it is that picture that
        // cannot be used.
        EndAfterSkinError(kMainBackgroundNotFound, true);
    }
}

void TVexil::StopTimers() {
    ticker_.SetEnabled(false);
    timerEnabled_ = false;
    view_.SetCheckTimer(false, cycle_.CheckIntervalMs());
}

void TVexil::ResumeTimers() {
    ticker_.SetEnabled(view_.IsVisible() || firstPaint_);
    timerEnabled_ = settings_.autocheck && cycle_.IsOnline();
    view_.SetCheckTimer(timerEnabled_, cycle_.CheckIntervalMs());
}

void TVexil::SetOnTop(bool onTop) { view_.SetTopmost(onTop); }

// --- Exit ---

void TVexil::Exit1Click() {
    StopTimers();
    // A download still running stops here and writes nothing more.
    ticker_.Close();
    // A check that waits on its server ends there, drawing nothing more.
    cycle_.Close();
    StopWatches();
    // Each session is closed either way; the settings still get written.
    DisconnectSessions();
    // The last message's attachment files go with it.
    Msg.Clear();
    int left = 0, top = 0;
    view_.GetPosition(left, top);
    try {
        WriteOptions(ConfigFilePath(exeDir_, "Vexil.ini"), OptionsAsShown(settings_), left, top,
                     onTopChecked_);
    } catch (const std::exception& e) {
        messages_.ReportError(e.what());
    }
    settings_.icon_tray = false;
    AfficheTray(false);
    view_.CloseWindow();
}

// --- Painting and the pointer ---

void TVexil::Paint(TImage32& surface) const {
    if (surface.Width() != background_.Width() || surface.Height() != background_.Height())
        surface = TImage32(background_.Width(), background_.Height());
    surface.CopyFrom(background_, 0, 0, background_.Width(), background_.Height(), 0, 0);
    display_.Paint(surface);
    for (const TImgBtn* b : PaintedButtons()) b->Paint(surface);
}

void TVexil::PaintArea(TImage32& surface, const TRect& area) const {
    const TRect whole{0, 0, background_.Width(), background_.Height()};
    const TRect a = Intersect(area, whole);
    if (surface.Width() != background_.Width() || surface.Height() != background_.Height() ||
        a.Width() * a.Height() * 2 > whole.Width() * whole.Height()) {
        Paint(surface);
        return;
    }
    if (a.Empty()) return;
    // What lies over the area, in painting order; a control painted whole
    // spills outside the area, which is composed again before it is shown.
    surface.CopyFrom(background_, a.Left, a.Top, a.Width(), a.Height(), a.Left, a.Top);
    for (const TImageControl* c : {&display_.Online, &display_.FLAG, &display_.STATBMP,
                                   &display_.NBMSGBMP})
        if (!Intersect(c->BoundsRect(), a).Empty()) c->Paint(surface);
    for (const TImgBtn* b : PaintedButtons())
        if (!Intersect(b->BoundsRect(), a).Empty()) b->Paint(surface);
}

// The topmost button at the point: the last one painted wins.
int TVexil::ButtonIndexAt(int x, int y) const {
    const auto buttons = PaintedButtons();
    for (int i = 3; i >= 0; --i)
        if (buttons[i]->Visible && buttons[i]->BoundsRect().Contains(x, y)) return i;
    return -1;
}

TImgBtn* TVexil::ButtonAt(int x, int y) {
    const int i = ButtonIndexAt(x, y);
    return i < 0 ? nullptr : Buttons()[static_cast<size_t>(i)];
}

void TVexil::MouseMove(int x, int y, TShiftState shift) {
    if (drag_.Dragging()) {
        FormMouseMove(shift);
        return;
    }
    pointer_.Move(ButtonAt(x, y));
}

void TVexil::MouseLeaveWindow() { pointer_.Leave(); }

void TVexil::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (TImgBtn* b = ButtonAt(x, y)) {
        if (button == TMouseButton::Left) {
            pointer_.Press(b);
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
    const TImageControl& status = display_.STATBMP;
    const TImageControl& flag = display_.FLAG;
    if (display_.NBMSGBMP.BoundsRect().Contains(x, y)) return;
    if (status.BoundsRect().Contains(x, y)) {
        STATBMPMouseDown(button, shift, x - status.Left, y - status.Top);
        return;
    }
    if (flag.Enabled && flag.BoundsRect().Contains(x, y)) {
        FLAGMouseDown(button, shift, x - flag.Left, y - flag.Top);
        return;
    }
    if (display_.Online.BoundsRect().Contains(x, y)) return;
    // The background: a window drag.
    if (button == TMouseButton::Left && shift == ssLeft) {
        view_.SetMouseCapture(true);
        FormMouseDown(button, shift);
    }
}

void TVexil::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (drag_.Dragging() && button == TMouseButton::Left) {
        drag_.Stop();
        view_.SetMouseCapture(false);
        return;
    }
    if (!pointer_.Pressed() || button != TMouseButton::Left) return;
    TImgBtn* b = pointer_.Release();
    view_.SetMouseCapture(false);
    b->MouseUp(button, shift, x - b->Left, y - b->Top);
    MouseMove(x, y, shift);
}

std::string TVexil::HintAt(int x, int y) const {
    const int i = ButtonIndexAt(x, y);
    if (i >= 0) return PaintedButtons()[static_cast<size_t>(i)]->Hint;
    return display_.HintAt(x, y);
}

}  // namespace vexil
