// The settings dialog: pages, the opening sequence, the options, the skins
// and news pages, OK and Close.  The account and filter editors are in
// ConfigEditors.cpp.
#include "config/Config.h"

#include <algorithm>
#include <exception>

#include "base/Text.h"
#include "base/WebLink.h"
#include "config/IniFile.h"
#include "config/NewsSource.h"
#include "config/SettingsWriter.h"
#include "platform/Platform.h"

namespace vexil {

const char* const kSkinFolderTitle = "S\xE9lection du r\xE9pertoire de skins";

namespace {

using C = TConfigControl;

// The ranges of the spin controls.
constexpr int kMinutesLow = 1, kMinutesHigh = 99;
constexpr int kNewsMinutesLow = 0, kNewsMinutesHigh = 999;
constexpr int kSpeedCount = 3;

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

// "none" is an unset text setting: its field shows empty.
std::string Field(const std::string& value) { return value == "none" ? std::string() : value; }

}  // namespace

std::string DirectoryPart(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string SafeLinkTarget(const std::string& text) {
    std::string t = Trim(text);
    if (t.empty()) return "";
    // Nothing that could start a program or open a local file: only web and
    // mail addresses, without blanks or control characters.
    for (const char ch : t)
        if (static_cast<unsigned char>(ch) <= ' ' || ch == '"') return "";
    const std::string lower = LowerCase(t);
    if (StartsWith(lower, "http://") || StartsWith(lower, "https://")) return IsWebUrl(t) ? t : "";
    if (StartsWith(lower, "mailto:")) return t.size() > 7 ? t : "";
    if (StartsWith(lower, "www.")) return IsWebUrl("http://" + t) ? "http://" + t : "";
    const size_t at = t.find('@');
    if (at != std::string::npos && at > 0 && at + 1 < t.size() && t.find(':') == std::string::npos &&
        t.find('/') == std::string::npos && t.find('\\') == std::string::npos)
        return "mailto:" + t;
    return "";
}

TConfig::TConfig(IConfigView& view, IConfigHost& host, IMessages& messages, TSettings& settings,
                 TAccountTable& accounts, TFilterTable& filters, std::string exeDir)
    : view_(view),
      host_(host),
      messages_(messages),
      settings_(settings),
      accounts_(accounts),
      filters_(filters),
      exeDir_(std::move(exeDir)) {}

void TConfig::FormCreate() {
    view_.ListClear(C::LstRAS);
    for (const std::string& entry : host_.DialUpEntries()) view_.ListAdd(C::LstRAS, entry);
    view_.SetRange(C::UpDown, kMinutesLow, kMinutesHigh);
    view_.SetRange(C::NewsUpDown, kNewsMinutesLow, kNewsMinutesHigh);
    view_.ListClear(C::ScrollSpeed);
    for (const char* speed : {"Slow", "Normal", "Fast"}) view_.ListAdd(C::ScrollSpeed, speed);
    // In the order of TSecurity.
    view_.ListClear(C::Security);
    for (const char* choice : {"Automatic", "TLS", "STARTTLS", "None"})
        view_.ListAdd(C::Security, choice);
    // In the order of TProtocol.
    view_.ListClear(C::Protocol);
    for (const char* choice : {"POP3", "IMAP"}) view_.ListAdd(C::Protocol, choice);
}

TModalResult TConfig::Execute() {
    FormShow();
    return view_.ShowModal();
}

void TConfig::FormShow() {
    ShowPage(TConfigPage::Options);
    view_.SetChecked(C::ChkAct, false);
    view_.SetChecked(C::ChkInact, false);
    ShowOptions();

    RefillAccountList();

    view_.ListClear(C::FilterLst);
    for (int i = 0; i < filters_.FilterCount && i < kMaxFilters; ++i)
        if (!filters_.Filters[static_cast<size_t>(i)].empty())
            view_.ListAdd(C::FilterLst, filters_.Filters[static_cast<size_t>(i)]);
    view_.SetText(C::FilterEdit, "");

    newsSources_ = host_.NewsSources();
    view_.ListClear(C::LstSrv);
    for (const std::string& line : newsSources_) view_.ListAdd(C::LstSrv, SplitNewsSource(line)[0]);
    // A hand-edited source number past the list shows the nearest source; it
    // is written back only by OK.
    ChooseClamped(C::LstSrv, settings_.srv_news);

    ChooseClamped(C::ScrollSpeed, settings_.speed);
    skinChanged_ = false;
    view_.SetListIndex(C::LstAcc, view_.ListCount(C::LstAcc) > 0 ? 0 : -1);
}

void TConfig::ChooseClamped(TConfigControl list, int index) {
    const int count = view_.ListCount(list);
    view_.SetListIndex(list, count == 0 ? -1 : Clamp(index, 0, count - 1));
}

void TConfig::ShowOptions() {
    const TSettings& s = settings_;
    view_.SetChecked(C::ChkMail, s.run_my_client);
    view_.SetText(C::MailClient, Field(s.my_mail_client));
    view_.SetChecked(C::ChkMin, s.autocheck);
    view_.SetChecked(C::ChkAuto, s.autoconnect);
    view_.SetPosition(C::UpDown, Clamp(s.minutes, kMinutesLow, kMinutesHigh));
    view_.SetPosition(C::NewsUpDown, Clamp(s.min_scroll, kNewsMinutesLow, kNewsMinutesHigh));
    view_.SetChecked(C::ChkSnd, s.playsnd);

    view_.SetChecked(C::ChkTray, s.icon_tray);
    view_.SetEnabled(C::ChkHide, s.icon_tray);
    if (s.icon_tray) view_.SetChecked(C::ChkHide, s.hidden);

    view_.SetText(C::SndFile, Field(s.wavsnd));
    view_.SetText(C::SkinRep, Field(s.skin_dir));
    view_.SetChecked(C::ChkHead, s.header_only);
    view_.SetChecked(C::ChkRAS, s.RAS_connect);
    view_.SetChecked(C::ChkLan, !s.RAS_connect);
    view_.SetChecked(C::ChkRAZ, s.reset);

    ChooseClamped(C::LstRAS, s.RAS_num);

    view_.SetText(C::SizeAtt, std::to_string(filters_.max_size));
    view_.SetChecked(C::ChkFltr, s.filter);
    view_.SetChecked(C::ChkAutFltr, filters_.auth_fltr);
    ChooseClamped(C::ScrollSpeed, s.speed);

    view_.ListClear(C::LstAcc);
    ShowSkinInfo(s.current_skin + "skin.ini");
}

void TConfig::ShowSkinInfo(const std::string& path) {
    // The folder is kept as data: the caption shows it for people (a group
    // box doubles its "&"), and OK stores what was kept, never the caption.
    shownSkin_ = DirectoryPart(path);
    view_.SetText(C::InfSk, shownSkin_);
    view_.SetText(C::SkName, "");
    view_.SetText(C::SkAuthor, "");
    view_.SetLink(C::SkEmail, "", "");
    view_.SetLink(C::SkWeb, "", "");
    view_.SetText(C::SkInfo, "");

    std::vector<std::string> lines;
    if (!ReadIniLines(ProgramPath(exeDir_, path), lines)) {
        messages_.ReportError("Cannot read the file " + path);
        return;
    }
    // Every line counts, wherever the key stands in it; the last line with a
    // key wins.
    for (const std::string& line : lines) {
        const std::string lower = LowerCase(line);
        const size_t eq = line.find('=');
        const std::string value = Trim(eq == std::string::npos ? line : line.substr(eq + 1));
        if (lower.find("skin_name") != std::string::npos) view_.SetText(C::SkName, value);
        if (lower.find("skin_author") != std::string::npos) view_.SetText(C::SkAuthor, value);
        if (lower.find("skin_mail") != std::string::npos)
            view_.SetLink(C::SkEmail, value, SafeLinkTarget(value));
        if (lower.find("skin_web") != std::string::npos)
            view_.SetLink(C::SkWeb, value, SafeLinkTarget(value));
        if (lower.find("skin_info") != std::string::npos) view_.SetText(C::SkInfo, value);
    }
}

void TConfig::ShowNewsSource() {
    const int count = static_cast<int>(newsSources_.size());
    if (count == 0) {
        view_.SetLink(C::WebInfo, "", "");
        view_.SetText(C::WebComment, "");
        return;
    }
    const int index = Clamp(settings_.srv_news, 0, count - 1);
    view_.SetListIndex(C::LstSrv, index);
    const auto fields = SplitNewsSource(newsSources_[static_cast<size_t>(index)]);
    view_.SetLink(C::WebInfo, fields[1], SafeLinkTarget(fields[1]));
    view_.SetText(C::WebComment, fields[2]);
}

// --- Pages ---

void TConfig::ShowPage(TConfigPage page) { view_.ShowPage(page); }

void TConfig::OptBtnClick() { ShowPage(TConfigPage::Options); }

void TConfig::AccBtnClick() {
    ShowPage(TConfigPage::Accounts);
    LstAccSel();
}

void TConfig::FiltreBtnClick() {
    ShowPage(TConfigPage::FiltersNews);
    view_.SetText(C::FilterEdit, "");
    ShowNewsSource();
}

void TConfig::SkinBtnClick() { ShowPage(TConfigPage::Skins); }

void TConfig::InfoBtnClick() { ShowPage(TConfigPage::About); }

// --- Options ---

void TConfig::ChkTrayClick() {
    view_.SetEnabled(C::ChkHide, view_.Checked(C::ChkTray));
    view_.SetChecked(C::ChkHide, false);
}

TSettings TConfig::OptionsFromControls() const {
    TSettings s = settings_;
    s.autocheck = view_.Checked(C::ChkMin);
    s.autoconnect = view_.Checked(C::ChkAuto);
    s.header_only = view_.Checked(C::ChkHead);
    s.minutes = view_.Position(C::UpDown);
    s.playsnd = view_.Checked(C::ChkSnd);
    s.wavsnd = OneLine(view_.Text(C::SndFile));
    s.icon_tray = view_.Checked(C::ChkTray);
    s.run_my_client = view_.Checked(C::ChkMail);
    s.my_mail_client = OneLine(view_.Text(C::MailClient));
    s.reset = view_.Checked(C::ChkRAZ);
    s.skin_dir = OneLine(view_.Text(C::SkinRep));
    s.RAS_connect = view_.Checked(C::ChkRAS);
    if (view_.ListCount(C::LstRAS) > 0 && view_.ListIndex(C::LstRAS) >= 0)
        s.RAS_num = view_.ListIndex(C::LstRAS);
    s.filter = view_.Checked(C::ChkFltr);
    s.hidden = view_.Checked(C::ChkHide);
    if (view_.ListCount(C::LstSrv) > 0 && view_.ListIndex(C::LstSrv) >= 0)
        s.srv_news = view_.ListIndex(C::LstSrv);
    if (view_.ListIndex(C::ScrollSpeed) >= 0) s.speed = view_.ListIndex(C::ScrollSpeed);
    s.min_scroll = view_.Position(C::NewsUpDown);
    return s;
}

bool TConfig::MayWrite(const std::string& file) {
    std::string report;
    if (host_.ReadWhole(file, report)) return true;
    messages_.ShowMessage(file + " holds values that could not be read, so it is left as it is:\r" +
                          report + "\rCorrect the file first.");
    return false;
}

bool TConfig::SaveOptions(const TSettings& s) {
    if (!MayWrite("Vexil.ini")) return false;
    int left = 0, top = 0;
    bool onTop = false;
    host_.WindowPlace(left, top, onTop);
    try {
        WriteOptions(ConfigFilePath(exeDir_, "Vexil.ini"), s, left, top, onTop);
    } catch (const ESettingsWriteError& e) {
        messages_.ShowMessage(e.what());
        return false;
    }
    return true;
}

void TConfig::LstRASChange() {
    settings_.RAS_num = view_.ListIndex(C::LstRAS);
    SaveOptions(OptionsFromControls());
}

void TConfig::LstSrvChange() {
    settings_.srv_news = view_.ListIndex(C::LstSrv);
    ShowNewsSource();
}

void TConfig::SndBrClick() {
    std::string path;
    if (view_.OpenFileDialog({"Wav files (*.wav) | *.wav", "", ""}, path))
        view_.SetText(C::SndFile, path);
}

void TConfig::BrClientClick() {
    std::string path;
    if (view_.OpenFileDialog({"Exe files (*.exe) | *.exe", "", ""}, path))
        view_.SetText(C::MailClient, path);
}

void TConfig::BrSkinClick() {
    std::string folder;
    if (!view_.BrowseForFolder(kSkinFolderTitle, folder)) return;
    view_.SetText(C::SkinRep, folder);
    settings_.skin_dir = OneLine(folder);
}

// --- Skins ---

void TConfig::BrowseClick() {
    std::string path;
    const TFileDialogRequest request{"Ini files (*.ini) | *.ini",
                                     ProgramPath(exeDir_, Field(settings_.skin_dir)), "Skin.ini"};
    if (!view_.OpenFileDialog(request, path)) return;
    if (!host_.MainWindowVisible()) host_.ShowMainWindow();
    // A skin that cannot be used is refused whole: the page keeps showing
    // the skin that is on view, so OK never makes a broken skin current.
    if (!host_.PreviewSkin(DirectoryPart(path))) return;
    ShowSkinInfo(path);
    if (!view_.Checked(C::ChkPreview)) {
        if (host_.MsgWindowVisible()) host_.HideMsgWindow();
    } else {
        host_.HideMsgWindow();
        host_.ShowMsgWindow();
    }
    skinChanged_ = true;
}

// --- Closing ---

void TConfig::OKClick() {
    // Checked before anything is written, so a refusal leaves both files as
    // they were and the dialog open.
    if (!SizeAttValid()) return;
    if (!MayWrite("Vexil.ini") || !MayWrite("VxFilter.ini")) return;
    TSettings s = OptionsFromControls();
    s.current_skin = shownSkin_;
    if (!SaveOptions(s)) return;
    if (!SaveFilters(FilterListItems())) return;
    settings_.current_skin = s.current_skin;
    if (host_.MsgWindowVisible()) host_.HideMsgWindow();
    view_.EndModal(TModalResult::OK);
}

void TConfig::CancelClick() {
    if (skinChanged_) {
        if (host_.MsgWindowVisible()) host_.HideMsgWindow();
        host_.RestoreSkin();
        skinChanged_ = false;
    }
    view_.EndModal(TModalResult::Cancel);
}

void TConfig::LinkClick(TConfigControl, const std::string& target) {
    if (target.empty()) return;
    host_.OpenLink(target);
    // The dialog steps aside for the browser or mail program.  A previewed
    // skin goes as with Close: what stays on view is what is saved.
    CancelClick();
}

}  // namespace vexil
