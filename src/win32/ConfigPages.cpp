// The settings dialog's pages: where each control stands, in pixels of a
// 320 x 283 page, in reading order (which is also the Tab order), and the
// fixed content of the About page.
#include <windows.h>

#include <commctrl.h>

#include "base/Product.h"
#include "win32/ConfigDialog.h"
#include "win32/ConfigLayout.h"
#include "win32/resource.h"

namespace vexil {

namespace {

using C = TConfigControl;
using K = TControlKind;

constexpr int kNone = -1;
int Id(C c) { return static_cast<int>(c); }

const TControlPlace kOptions[] = {
    {kNone, K::Group, " Connection : ", 0, 0, 320, 100},
    {Id(C::ChkAuto), K::Check, "Autoconnect to &POP server on startup", 12, 20, 296, 17},
    {Id(C::ChkLan), K::RadioFirst, "&Network", 12, 44, 84, 17},
    {Id(C::ChkRAS), K::Radio, "D&UN : ", 100, 44, 56, 17},
    {Id(C::LstRAS), K::Combo, "", 158, 42, 150, 200},
    {Id(C::ChkMin), K::Check, "&Check for messages every :", 12, 70, 170, 17},
    {kNone, K::EditNumber, "", 184, 68, 44, 21},
    {Id(C::UpDown), K::Spin, "", 0, 0, 0, 0},
    {kNone, K::Label, "minutes", 236, 72, 70, 15},

    {kNone, K::Group, " Misc : ", 0, 106, 320, 150},
    {Id(C::ChkHead), K::Check, "Retreive &only headers in message window", 12, 126, 296, 17},
    {Id(C::ChkTray), K::Check, "Show icon in tra&y", 12, 150, 140, 17},
    {Id(C::ChkHide), K::Check, "&Hide Vexil on startup", 156, 150, 152, 17},
    {Id(C::ChkSnd), K::Check, "&Sound on new mail :", 12, 176, 158, 17},
    {Id(C::SndFile), K::Edit, "", 172, 174, 108, 21},
    {Id(C::SndBr), K::Button, "...", 282, 174, 26, 21},
    {Id(C::ChkMail), K::Check, "&Run custom mail client :", 12, 202, 158, 17},
    {Id(C::MailClient), K::Edit, "", 172, 200, 108, 21},
    {Id(C::BrClient), K::Button, "...", 282, 200, 26, 21},
    {Id(C::ChkRAZ), K::Check, "Reset counter on launching &mail client", 12, 228, 296, 17},
};

const TControlPlace kAccounts[] = {
    {kNone, K::Group, " Accounts : ", 0, 0, 320, 50},
    {Id(C::LstAcc), K::Combo, "", 12, 19, 296, 200},

    {kNone, K::Group, " Account Info : ", 0, 56, 320, 177},
    {kNone, K::Label, "&Name :", 12, 79, 62, 15},
    {Id(C::NAccount), K::Edit, "", 78, 76, 230, 21},
    {kNone, K::Label, "&Host : ", 12, 104, 62, 15},
    {Id(C::HostTxt), K::Edit, "", 78, 101, 230, 21},
    {kNone, K::Label, "&Login : ", 12, 129, 62, 15},
    {Id(C::UserName), K::Edit, "", 78, 126, 230, 21},
    {kNone, K::Label, "Pass&wd : ", 12, 154, 62, 15},
    {Id(C::Password), K::Password, "", 78, 151, 230, 21},
    {kNone, K::Label, "Pro&tocol :", 12, 179, 62, 15},
    {Id(C::Protocol), K::Combo, "", 78, 176, 98, 200},
    {kNone, K::Label, "&Port :", 12, 204, 62, 15},
    {Id(C::PortTxt), K::EditNumber, "", 78, 201, 60, 21},
    {kNone, K::Label, "&Security :", 150, 204, 58, 15},
    {Id(C::Security), K::Combo, "", 210, 201, 98, 200},

    {kNone, K::Group, " Status : ", 0, 237, 320, 40},
    {Id(C::ChkAct), K::RadioFirst, "Acti&ve", 12, 254, 100, 17},
    {Id(C::ChkInact), K::Radio, "&Inactive", 120, 254, 100, 17},

    {Id(C::AddAcc), K::Button, "&Add", 0, 283, 75, 25},
    {Id(C::Modify), K::Button, "&Modify", 81, 283, 75, 25},
    {Id(C::DelAcc), K::Button, "&Remove", 162, 283, 75, 25},
};

const TControlPlace kFiltersNews[] = {
    {kNone, K::Group, " Filters : ", 0, 0, 320, 146},
    {Id(C::ChkFltr), K::Check, "&Activate filters on messages", 12, 20, 296, 17},
    {Id(C::ChkAutFltr), K::Check, "Activate filter on author's/domain's &message ", 12, 42, 296, 17},
    {kNone, K::Label, "Filters : ", 12, 69, 50, 15},
    {Id(C::FilterLst), K::Combo, "", 64, 66, 244, 200},
    {Id(C::FilterEdit), K::Edit, "", 64, 92, 126, 21},
    {Id(C::AddFilt), K::Button, "&Add", 194, 91, 55, 23},
    {Id(C::DelFilt), K::Button, "&Remove", 253, 91, 55, 23},
    {kNone, K::Label, "&Forewarn when message size is greater than :", 12, 121, 246, 15},
    {Id(C::SizeAtt), K::EditNumber, "", 258, 118, 34, 21},
    {kNone, K::Label, "KB", 294, 121, 16, 15},

    {kNone, K::Group, " News Reader : ", 0, 150, 320, 133},
    {kNone, K::Label, "News Server : ", 12, 172, 80, 15},
    {Id(C::LstSrv), K::Combo, "", 94, 169, 214, 200},
    {Id(C::WebInfo), K::Link, "", 12, 196, 296, 16},
    {Id(C::WebComment), K::WrapLabel, "", 12, 214, 296, 30},
    {kNone, K::Label, "Check every :", 12, 253, 74, 15},
    {kNone, K::EditNumber, "", 88, 250, 46, 21},
    {Id(C::NewsUpDown), K::Spin, "", 0, 0, 0, 0},
    {kNone, K::Label, "minutes", 140, 253, 44, 15},
    {kNone, K::Label, "Scroll : ", 188, 253, 38, 15},
    {Id(C::ScrollSpeed), K::Combo, "", 228, 250, 80, 200},
};

const TControlPlace kSkins[] = {
    {Id(C::InfSk), K::Group, "", 0, 0, 320, 283},
    {Id(C::SkName), K::BoldLabel, "", 12, 20, 296, 16},
    {kNone, K::Label, "by", 12, 40, 16, 15},
    {Id(C::SkAuthor), K::PlainLabel, "", 30, 40, 278, 15},
    {Id(C::ChkPreview), K::Check, "&Preview message window", 12, 64, 190, 17},
    {Id(C::Browse), K::Button, "&Change ...", 208, 60, 100, 25},
    {kNone, K::Label, "Skin directory : ", 12, 97, 78, 15},
    {Id(C::SkinRep), K::Edit, "", 92, 94, 186, 21},
    {Id(C::BrSkin), K::Button, "...", 282, 94, 26, 21},
    {kNone, K::Group, " Author : ", 12, 124, 296, 62},
    {kNone, K::Label, "e-mail :", 24, 144, 42, 15},
    {Id(C::SkEmail), K::Link, "", 70, 143, 230, 16},
    {kNone, K::Label, "web :", 24, 164, 42, 15},
    {Id(C::SkWeb), K::Link, "", 70, 163, 230, 16},
    {kNone, K::Group, " Comments : ", 12, 192, 296, 82},
    {Id(C::SkInfo), K::WrapLabel, "", 24, 210, 276, 58},
};

}  // namespace

const TPageLayout kPageLayouts[4] = {
    {kOptions, sizeof kOptions / sizeof kOptions[0]},
    {kAccounts, sizeof kAccounts / sizeof kAccounts[0]},
    {kFiltersNews, sizeof kFiltersNews / sizeof kFiltersNews[0]},
    {kSkins, sizeof kSkins / sizeof kSkins[0]},
};

void TConfigDialog::CreateAboutPage(HWND page) {
    const std::string site = kProductSite;
    const TControlPlace about[] = {
        {kNone, K::Group, " Info Vexil : ", 0, 0, 320, 112},
        {kNone, K::Icon, "", 14, 22, 32, 32},
        {kNone, K::BoldLabel, "Vexil", 58, 22, 60, 16},
        {kNone, K::PlainLabel, kVersionText, 120, 22, 60, 16},
        {kNone, K::WrapLabel, "A small skinnable mail checker for up to ten POP3 "
                              "mailboxes.", 58, 42, 250, 30},
        {kNone, K::Link, "", 58, 76, 250, 16},
        {kNone, K::Link, "", 58, 94, 250, 16},
        {kNone, K::Group, " Official Vexil skins repository : ", 0, 116, 320, 42},
        {kNone, K::Link, "", 14, 135, 294, 16},
        {kNone, K::Group, " Thanks to : ", 0, 162, 320, 60},
        {kNone, K::Link, "", 14, 180, 140, 16},
        {kNone, K::Link, "", 160, 180, 148, 16},
        {kNone, K::Link, "", 14, 199, 140, 16},
        {kNone, K::Link, "", 160, 199, 148, 16},
        {kNone, K::WrapLabel, "Vexil is free to use and to share, and comes without any "
                              "warranty. Passwords in Accounts.ini are only scrambled: keep "
                              "the program's folder private.", 0, 230, 320, 48},
    };
    const TLink links[] = {
        {site, site},
        {"Help and news", site + "/Vexil/"},
        {site + "/Vexil/skins/", site + "/Vexil/skins/welcome.htm"},
        {"Wine", "https://www.winehq.org/"},
        {"MinGW-w64", "https://www.mingw-w64.org/"},
        {"Dovecot", "https://www.dovecot.org/"},
        {"GoogleTest", "https://github.com/google/googletest"},
    };
    size_t link = 0;
    for (const TControlPlace& place : about) {
        HWND w = CreateControl(page, place);
        if (place.Kind == K::Link && link < sizeof links / sizeof links[0]) {
            links_[w] = links[link];
            ShowLink(w, links[link++]);
        } else if (place.Kind == K::Icon) {
            SendMessageA(w, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
        }
    }
}

}  // namespace vexil
