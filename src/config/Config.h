// The settings dialog's logic: its five pages (options, accounts, filters and
// news, skins, about), the opening sequence, the account and filter editors,
// the skin preview on the live main window, OK and Close.  It works directly
// on the program's settings and tables; the account and filter editors write
// their files at once, the options reach Vexil.ini with OK.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigView.h"
#include "config/Settings.h"

namespace vexil {

class IMessages;

// The messages of the editors.
extern const char* const kAccountExists;
extern const char* const kFillAllFields;
extern const char* const kAccountsFull;
extern const char* const kBadPort;
extern const char* const kMaxFiltersReached;
extern const char* const kBadSizeAtt;
// The title of the skin folder dialog.
extern const char* const kSkinFolderTitle;

// The directory part of a path: up to and including its last separator
// ('\', '/' or ':'); "" when it has none.
std::string DirectoryPart(const std::string& path);

// The target a link label may open for a text from a skin or a news source:
// web and mail addresses only ("www." gets "http://", an address with '@'
// gets "mailto:"); "" for anything else, which stays plain text.
std::string SafeLinkTarget(const std::string& text);

class TConfig {
public:
    TConfig(IConfigView& view, IConfigHost& host, IMessages& messages, TSettings& settings,
            TAccountTable& accounts, TFilterTable& filters, std::string exeDir);

    // Fills the dial-up list; the dialog is made once and shown many times.
    void FormCreate();
    // The opening sequence, then the modal dialog.
    TModalResult Execute();
    void FormShow();

    // Copies the settings into the option controls and shows the current
    // skin's information.
    void ShowOptions();
    // Fills the skins page from a skin's skin.ini.
    void ShowSkinInfo(const std::string& path);
    void ShowNewsSource();

    // Page buttons.
    void OptBtnClick();
    void AccBtnClick();
    void FiltreBtnClick();
    void SkinBtnClick();
    void InfoBtnClick();

    void OKClick();
    void CancelClick();
    // A link label was clicked: its target opens and the dialog closes.
    void LinkClick(TConfigControl link, const std::string& target);

    void ChkTrayClick();
    void LstRASChange();
    void LstSrvChange();
    void SndBrClick();
    void BrClientClick();
    void BrSkinClick();
    void BrowseClick();

    // The accounts editor.
    void RefillAccountList();
    void LstAccSel();
    void AddAccClick();
    void ModifyClick();
    void DelAccClick();
    void ChkActClick();
    void ChkInactClick();
    // A security choice was made: TLS proposes port 995 in place of 110, and
    // STARTTLS or None propose 110 in place of 995.
    void SecurityChange();
    void ProtocolChange();

    // The filters editor.
    void FilterLstChange();
    void AddFiltClick();
    void DelFiltClick();

    bool SkinChanged() const { return skinChanged_; }

private:
    void ShowPage(TConfigPage page);
    // The options as the controls show them, over the settings in memory.
    TSettings OptionsFromControls() const;
    // The writers, refused with a message (and nothing written) when the
    // file was not read whole or cannot be written.  False when refused.
    bool SaveOptions(const TSettings& s);
    bool SaveAccounts(const TAccountTable& table);
    bool SaveFilters(const std::vector<std::string>& list);
    bool MayWrite(const std::string& file);
    // The size limit field holds a whole number or nothing; else a message.
    bool SizeAttValid();
    bool PortFromField(std::int32_t& port);
    bool FieldsRefused(int slot);
    bool StoreFields(int slot, bool inactive);
    std::vector<std::string> FilterListItems() const;
    void SetActiveRadios(bool inactive);
    void ClearAccountFields();
    TSecurity SecurityFromList();
    TProtocol ProtocolFromList();
    void ChooseClamped(TConfigControl list, int index);
    void SetStatus(bool inactive);

    IConfigView& view_;
    IConfigHost& host_;
    IMessages& messages_;
    TSettings& settings_;
    TAccountTable& accounts_;
    TFilterTable& filters_;
    std::string exeDir_;
    std::vector<std::string> newsSources_;  // as listed at the last showing
    bool skinChanged_ = false;
    std::string shownSkin_;  // the skin folder the Skins page shows
};

}  // namespace vexil
