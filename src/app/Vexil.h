// The main window's logic: start-up and (re)initialisation, the skinned
// controls, the status display, the commands of the buttons and menus, and
// the orderly exit.  The check cycle is a class of its own (TCheckCycle); the
// window reaches it through the commands here.  Everything reaches the window
// and the system only through IMainWindowView, ISystemServices and IMessages,
// so it runs the same in the program and in tests.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CheckCycle.h"
#include "app/MainSkin.h"
#include "app/MainWindowView.h"
#include "app/Menu.h"
#include "app/StatusDisplay.h"
#include "app/WindowDrag.h"
#include "base/Product.h"
#include "config/Config.h"
#include "config/NewsSource.h"
#include "config/Settings.h"
#include "dialup/RASControl.h"
#include "msgwin/MsgList.h"
#include "news/NewsTicker.h"
#include "platform/Mouse.h"
#include "platform/Platform.h"
#include "imap/IdleWatch.h"
#include "imap/WireIMAP.h"
#include "pop3/WirePOP3.h"
#include "imap/IdleWatch.h"
#include "imap/WireIMAP.h"
#include "pop3/WirePOP3.h"
#include "skin/ImgBtn.h"
#include "skin/SkinFile.h"

namespace vexil {

// The tip of the notification-area icon.
constexpr char kTrayTip[] = "Vexil";
// The mouse messages that the notification-area icon passes on.
constexpr int kTrayLeftButtonDown = 513, kTrayRightButtonDown = 516;

class TVexil : private ICheckView, private IConfigHost, private IMsgListHost, private INewsView {
public:
    TVexil(IMainWindowView& view, ISystemServices& system, IMessages& messages);
    ~TVexil() override;
    TVexil(const TVexil&) = delete;
    TVexil& operator=(const TVexil&) = delete;

    // Creation of the main window: initial state, then Init.
    void FormCreate();
    // (Re)applies settings and skin.  At start-up a skin that cannot be
    // loaded ends the program after its message.
    void Init();
    void FormShow();
    void FormPaint();
    // The Exit command; closing the window by any other way runs it too.
    void Exit1Click();

    // Composes the window's whole surface (background and controls).
    void Paint(TImage32& surface) const;
    // Composes only what lies in area (the rest of surface is left as it
    // is): a tick of the ticker recomposes the status strip alone.
    void PaintArea(TImage32& surface, const TRect& area) const;
    int ClientWidth() const { return background_.Width(); }
    int ClientHeight() const { return background_.Height(); }

    // Mouse input from the window, in client coordinates.
    void MouseMove(int x, int y, TShiftState shift);
    void MouseLeaveWindow();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The hint of whatever is under the point ("" for none).
    std::string HintAt(int x, int y) const;

    // Status display.
    void ShowMessageCount();
    void ShowOnlineState() override;
    void DrawState();
    void STATBMPMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void FLAGMouseDown(TMouseButton button, TShiftState shift, int x, int y);

    // The mail check cycle's commands.
    void ConnectClick();
    void TimerTimer();
    void DisconnectClick();
    void POPWork();

    // Builds the window region from the background and paints it.
    void MakeTransparent();

    // Moves animated state pictures on; the window calls it every
    // kAnimationStepMs while the animation timer runs.
    void AnimationTick(int elapsedMs);
    static constexpr int kAnimationStepMs = 20;

    void StopTimers() override;
    void ResumeTimers() override;
    void SetOnTop(bool onTop);

    // The notification-area icon.  AfficheTray adds it (or, with Modify,
    // changes it) when icon_tray is on and removes it otherwise, showing the
    // online or offline icon.  SetTrayIcon changes the icon on view.
    void AfficheTray(bool Modify);
    void SetTrayIcon(TTrayIcon icon);
    // The icon's callback: the mouse message number.
    void TrayIconMessage(int mouseMessage);
    // The shell started again and lost every icon.
    void TaskbarCreated();

    // The context menu and its commands.
    void PopMnuPopup();
    void FormContextPopup();  // right click on the window
    void SkinItemClick(const std::string& caption);
    void NewsItemClick(int tag);
    void OtherSkinClick();
    void Actualiser1Click();
    void OnTopClick();
    void AideClick();
    void Config1Click();
    // The settings dialog, made once with its window and shown by Config1Click.
    void AttachConfig(IConfigView& view);
    TConfig* Config() { return config_.get(); }
    // The message window, made once with its window and its filter alert;
    // a double click on the mail picture shows it.
    void AttachMsgList(IMsgListView& view, IFilterAlert& alert);
    TMsgList* MsgList() { return msgList_.get(); }
    void FLAGDblClick();

    // The check button: a left click checks the next account, a right click
    // opens the account menu.
    void RefreshBtnMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MnuClick(int tag);

    // The window drag, with the cursor in screen pixels.
    void FormMouseDown(TMouseButton button, TShiftState shift);
    void FormMouseMove(TShiftState shift);

    // The MAIL button: starts the user's mail program.
    void MAILClick();

    // Components: the POP3 and IMAP sessions, the shared message and the
    // dial-up control.
    std::unique_ptr<TWirePOP3> POP;
    std::unique_ptr<TWireIMAP> IMAP;
    TWireMessage Msg;
    TRASControl RASC;
    // The buttons of the main window.
    TImgBtn Connect, RefreshBtn, Disconnect, MAIL;

    // What the window shows and holds, for the window and for tests.
    const TStatusDisplay& Display() const { return display_; }
    const TImageControl& STATBMP() const { return display_.STATBMP; }
    const TImageControl& NBMSGBMP() const { return display_.NBMSGBMP; }
    const TImageControl& FLAG() const { return display_.FLAG; }
    const TImageControl& Online() const { return display_.Online; }
    const std::string& StatusText() const { return display_.StatusText(); }
    const TCheckCycle& Cycle() const { return cycle_; }
    const TSettings& Settings() const { return settings_; }
    const TAccountTable& Accounts() const { return accounts_; }
    const TFilterTable& Filters() const { return filters_; }
    const TSkin& Skin() const { return skin_; }
    const TImage32& Background() const { return background_; }
    const TImage32& MsgBackground() const { return msgBackground_; }
    bool NoMsgBackground() const { return noMsgBackground_; }
    const TNewsTicker& Ticker() const { return ticker_; }
    bool CheckTimerEnabled() const { return timerEnabled_; }
    TTrayIcon TrayIcon() const { return trayIcon_; }
    // The notification-area icon's tip: the program's name, and the account
    // whose last login went without TLS.
    const std::string& TrayTip() const { return trayTip_; }
    bool OnTopChecked() const { return onTopChecked_; }
    const TMenuItem& PopMnu() const { return popMnu_; }

    // The news sources and the news lines the ticker shows (the news
    // download fills them).
    void SetNewsSources(std::vector<std::string> sources) {
        ticker_.SetNewsSources(std::move(sources));
    }
    void SetNewsLines(std::vector<std::string> lines) { ticker_.SetNewsLines(std::move(lines)); }
    // The ticks of one wake of the news ticker's timer: each draws, then
    // the status line is shown once.
    void DoScroll(int ticks = 1) {
        for (int i = 0; i < ticks; ++i) ticker_.DoScroll();
        ShowNews();
    }

private:
    // INewsView: what the news ticker draws and asks.
    bool DrawNews(const std::string& text, int offset) override;
    void ShowNews() override { display_.ShowNews(); }
    void DrawStatusText() override;
    void SetLinkCursor(bool hand) override { view_.SetLinkCursor(hand); }
    bool IsOnline() override { return cycle_.IsOnline(); }
    // ICheckView: what the check cycle shows.
    void NewsAfterConnect() override;
    void AccountSecured(int index, TSecurity security) override;
    void ShowStatus(const std::string& text) override;
    void DrawStatus(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void ShowCheckResult(const TCheckResult& result) override;
    void ShowMessage(const std::string& text) override;
    void ReportError(const std::string& text) override;
    void ProcessMessages() override;

    // IConfigHost: what the settings dialog needs of the main window.
    std::vector<std::string> DialUpEntries() override;
    std::vector<std::string> NewsSources() override;
    bool MainWindowVisible() override;
    void ShowMainWindow() override;
    void WindowPlace(int& left, int& top, bool& onTopMark) override;
    bool PreviewSkin(const std::string& dir) override;
    void RestoreSkin() override;
    bool MsgWindowVisible() override;
    void ShowMsgWindow() override;
    void HideMsgWindow() override;
    bool ReadWhole(const std::string& file, std::string& report) override;
    void OpenLink(const std::string& target) override;

    // IMsgListHost: what the message window needs of the main window.
    int MsgCount() override { return msgListCount_; }
    bool NotepadMode() override { return notepadMode_; }
    bool OnTopChecked() override { return onTopChecked_; }
    void CountAndClose() override;
    void ShellOpen(const std::string& target) override { system_.ShellOpen(target); }

    // True when a command that would change accounts, the skin or the
    // connection must be refused: network work runs, the settings dialog or
    // the message window is open (or the program ends).
    bool Refused() const { return cycle_.Busy() || cycle_.Closed() || configOpen_ || msgOpen_; }
    // Shows the message window modally, as a notepad or on the open session.
    void ShowMsgListModal(bool notepad);
    // Loads a skin whole; a skin that cannot be used is reported and gives false.
    bool LoadWholeSkin(const std::string& dir, TLoadedSkin& skin);
    void KeepLoadReport(const TLoadReport& report, bool optionsOnly);

    void InitWith(TLoadedSkin* picked);
    // OK in the settings dialog: what changed from `before` takes effect.
    void ApplyConfig(const TSettings& before, bool skinPreviewed);
    void LitConfig(TLoadReport& report);
    void LoadFiltersAndAccounts(TLoadReport& report);
    TLoadedSkin LoadSkinOrEnd();
    void ApplySkin(TLoadedSkin skin);
    TPicture LoadPicture(const std::string& path);
    // Loads a mail picture into FLAG; one that cannot be loaded ends the program.
    void ShowMailPicture(bool mail, bool reload = false);
    void EndAfterSkinError(const char* message, bool closeSession);
    void NotifyNewMail();
    std::vector<TImgBtn*> Buttons();
    // The POP3 and IMAP sessions, and their goodbye.
    std::vector<TWireSocket*> Sessions();
    void DisconnectSessions();
    // The IDLE watches follow the online state and the accounts.
    void SyncWatches();
    void StopWatches();
    // The buttons in the order they are painted (and in that of Buttons()).
    std::array<const TImgBtn*, 4> PaintedButtons() const {
        return {&Connect, &RefreshBtn, &Disconnect, &MAIL};
    }
    int ButtonIndexAt(int x, int y) const;  // in the order of Buttons(); -1 for none
    TImgBtn* ButtonAt(int x, int y);
    void CreatePopMnu();
    void WireMenusAndCommands();

    IMainWindowView& view_;
    ISystemServices& system_;
    IMessages& messages_;
    std::string exeDir_;

    // Settings and tables, as last loaded.
    TSettings settings_;
    TAccountTable accounts_;
    TFilterTable filters_;
    bool onTopFlag_ = false;    // ontop as loaded
    bool skinPicked_ = false;   // a skin was picked: current_skin is not read again
    bool firstPaint_ = false;   // until the first paint of a hidden start
    // What the last load of each settings file could not read, by file name.
    std::map<std::string, std::string> unread_;

    std::unique_ptr<TConfig> config_;
    bool configOpen_ = false;
    std::unique_ptr<TMsgList> msgList_;
    IMsgListView* msgView_ = nullptr;
    bool msgOpen_ = false;
    bool notepadMode_ = false;
    int msgListCount_ = 0;  // the count the message window reads by

    // The skin on view.
    TSkin skin_;
    TImage32 background_, msgBackground_;
    bool noMsgBackground_ = false;

    TStatusDisplay display_;
    TCheckCycle cycle_;
    THttpFetch getNews_;
    TThreadedTimer scroll_;
    TNewsTicker ticker_;
    bool timerEnabled_ = false;  // the check timer
    // IMAP accounts watched through IDLE while online.
    std::vector<std::unique_ptr<TIdleWatch>> watches_;
    bool watching_ = false;
    TIdleWatch::TSessionFactory idleSessions_ = [] { return std::make_unique<TWireIMAP>(); };
    TIdleTiming idleTiming_;

    // Menus, the tray icon, the pointer and the drag.
    TMenuItem popMnu_, accountMenu_;
    bool onTopChecked_ = true;  // check mark of the On Top menu item
    TTrayIcon trayIcon_ = TTrayIcon::Dis;
    std::string trayTip_ = kTrayTip;
    TWindowDrag drag_;
    TButtonPointer pointer_;  // the button under the pointer, the one holding the capture
};

}  // namespace vexil
