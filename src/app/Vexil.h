// The main window's logic: start-up and (re)initialisation, the skinned
// controls, the status display and the orderly exit.  It reaches its window
// and the system only through IMainWindowView, ISystemServices and IMessages,
// so it runs the same in the program and in tests.
#pragma once

#include <array>
#include <memory>
#include <cstdint>
#include <string>
#include <vector>

#include "app/BitmapText.h"
#include "app/ImageControl.h"
#include "app/MainWindowView.h"
#include "app/Menu.h"
#include "config/Settings.h"
#include "dialup/RASControl.h"
#include "pop3/WirePOP3.h"
#include "platform/Mouse.h"
#include "platform/Platform.h"
#include "skin/ImgBtn.h"
#include "skin/SkinFile.h"

namespace vexil {

// Our web site; pages of it are opened from the menus.
constexpr char kProductSite[] = "http://www.example.org";
// The news source every list starts with: name|url|comment|news url.
const std::string kBuiltInNewsSource = std::string("Brellin|") + kProductSite +
                                       "|A Custom Windows - Skins skins skins !|" + kProductSite +
                                       "/Vexil/vexilen.txt";
// The tip of the notification-area icon.
constexpr char kTrayTip[] = "Vexil";
// The mouse messages that the notification-area icon passes on.
constexpr int kTrayLeftButtonDown = 513, kTrayRightButtonDown = 516;

// The four fields of a news source line "name|url|comment|news url", each
// trimmed; missing separators leave the first fields empty, the last one
// takes the rest of the line.
std::array<std::string, 4> SplitNewsSource(const std::string& line);

class TVexil {
public:
    TVexil(IMainWindowView& view, ISystemServices& system, IMessages& messages);

    // Creation of the main window: initial state, then Init.
    void FormCreate();
    // (Re)applies settings and skin; runs again whenever another skin is chosen.
    void Init();
    void FormShow();
    void FormPaint();
    // The Exit command; closing the window by any other way runs it too.
    void Exit1Click();

    // Composes the window's whole surface (background and controls).
    void Paint(TImage32& surface) const;
    int ClientWidth() const { return Background.Width(); }
    int ClientHeight() const { return Background.Height(); }

    // Mouse input from the window, in client coordinates.
    void MouseMove(int x, int y, TShiftState shift);
    void MouseLeaveWindow();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The hint of whatever is under the point ("" for none).
    std::string HintAt(int x, int y) const;

    // Status display.
    void DrawBitmapText(TImageControl& target, const std::string& text, int offset,
                        const std::string& fontFile, int charHeight, int charWidth);
    void ShowMessageCount();
    void ShowOnlineState();
    void STATBMPMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void FLAGMouseDown(TMouseButton button, TShiftState shift, int x, int y);

    // The mail check cycle.  Commands that talk to the network are refused
    // while one runs (NetworkBusy); Disconnect during a check ends it.
    void ConnectClick();
    void GoOnline();
    void TimerTimer();
    void CheckAccount(bool Advance);
    void DisconnectClick();
    void POPStatus(const std::string& status);
    void POPWork();

    // Builds the window region from the background and paints it.
    void MakeTransparent();

    // Moves animated state pictures on; the window calls it every
    // kAnimationStepMs while AnimationRunning().
    void AnimationTick(int elapsedMs);
    bool AnimationRunning() const { return FLAG.Animated() || Online.Animated(); }
    static constexpr int kAnimationStepMs = 20;

    void StopTimers();
    void ResumeTimers();
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

    // The check button: a left click checks the next account, a right click
    // opens the account menu.
    void RefreshBtnMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MnuClick(int tag);

    // The window drag, with the cursor in screen pixels.
    void FormMouseDown(TMouseButton button, TShiftState shift);
    void FormMouseMove(TShiftState shift);

    // The MAIL button: starts the user's mail program.
    void MAILClick();

    // Components: the POP3 client, the shared message and the dial-up control.
    std::unique_ptr<TWirePOP3> POP;
    TWireMessage Msg;
    TRASControl RASC;

    // Controls of the main window.
    TImageControl STATBMP, NBMSGBMP, FLAG, Online;
    TImgBtn Connect, RefreshBtn, Disconnect, MAIL;

    // Program-wide settings and tables.
    TSettings Settings;
    TAccountTable Accounts;
    TFilterTable Filters;
    TSkin Skin;
    TImage32 Background, MsgBackground;

    // Window state.
    bool IsOnline = false;
    bool HasValidAccount = false;
    int AccountIndex = 1;
    int FirstActiveAccount = 0;
    int PrevMsgCount = 0;
    // New mail is judged per account: each one's count at its previous check.
    std::array<int, kMaxAccounts> PrevCounts{};
    bool NetworkBusy = false;
    int CheckIntervalMs = 60000;  // the check timer's interval
    int MsgCount = 0;
    std::string StatusText;
    bool OnTopFlag = false;
    bool OnTopChecked = true;  // check mark of the On Top menu item
    bool NoMsgBackground = false;
    bool FirstPaint = false;
    bool SkinPicked = false;
    int MaxChar = 128;
    bool TickerPaused = false;
    int PauseTicks = 0;
    int ScrollOffset = 0;
    bool LineScrolledOut = false;
    int NewsRefreshTicks = 0;
    std::vector<std::string> NewsLines;
    int NewsIndex = 0;
    std::vector<std::string> NewsSources;
    int TickerIntervalMs = 30;
    bool TimerEnabled = false;   // the check timer
    bool ScrollEnabled = false;  // the ticker timer

    // Menus, rebuilt in part at each opening.
    TMenuItem PopMnu, AccountMenu;
    TTrayIcon TrayIcon = TTrayIcon::Dis;  // the notification-area icon on view
    int DragX = 0, DragY = 0;

private:
    class TNetworkCommand;
    void CheckAccountNow(bool Advance);
    bool AdvanceAccount();
    void PutAccountIntoPOP(int index);
    void NotifyNewMail();
    // Loads a mail picture into FLAG; one that cannot be loaded ends the program.
    void LoadFlagPicture(const std::string& path);
    void EndAfterSkinError(const char* message, bool closeSession);
    void LitSkinIni();
    void LitConfig();
    void ApplySkinToControls();
    TPicture LoadPicture(const std::string& path);
    void LoadButton(TImgBtn& button, const TSkinButton& values);
    void LoadStateImage(TImageControl& image, const std::string& path);
    void DrawStatus(const std::string& text);
    void DrawCount(const std::string& digits);
    std::vector<TImgBtn*> Buttons();
    TImgBtn* ButtonAt(int x, int y);
    void RepaintControl(const TRect& before, const TRect& after);
    void CreatePopMnu();
    void WireMenusAndCommands();
    std::string CurrentAccountName() const;

    IMainWindowView& view_;
    ISystemServices& system_;
    IMessages& messages_;
    std::string exeDir_;
    TBitmapFontCache fonts_;
    TBitmapTextResult statusText_, countText_;
    TImgBtn* hover_ = nullptr;    // button under the pointer
    TImgBtn* pressed_ = nullptr;  // button holding the mouse capture
    bool dragging_ = false;       // the left button went down on the background
    bool checkAbandoned_ = false;  // Disconnect came while a check waited
};

}  // namespace vexil
