// The settings dialog's window: a Win32 dialog made once at start, with a
// column of five picture buttons and one child dialog per page, built from
// the standard controls.  It turns control notifications into calls on
// TConfig and TConfig's calls into control messages.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "config/Config.h"
#include "config/ConfigView.h"
#include "skin/ImgBtn.h"
#include "win32/ConfigLayout.h"

namespace vexil {

// The controls kept as Unicode windows (the filter's edit and list).
bool IsUnicodeControl(TConfigControl c);

class TConfigDialog : public IConfigView {
public:
    // owner: the main window, which the dialog keeps disabled while it shows.
    TConfigDialog(HINSTANCE instance, HWND owner);
    ~TConfigDialog() override;
    TConfigDialog(const TConfigDialog&) = delete;
    TConfigDialog& operator=(const TConfigDialog&) = delete;

    // The logic that handles the dialog's events.
    void Bind(TConfig& logic) { logic_ = &logic; }
    HWND Handle() const { return hwnd_; }

    // IConfigView
    void SetChecked(TConfigControl c, bool checked) override;
    bool Checked(TConfigControl c) override;
    void SetEnabled(TConfigControl c, bool enabled) override;
    void SetText(TConfigControl c, const std::string& text) override;
    std::string Text(TConfigControl c) override;
    void SetLink(TConfigControl c, const std::string& caption, const std::string& target) override;
    void ListClear(TConfigControl c) override;
    void ListAdd(TConfigControl c, const std::string& text) override;
    void ListDelete(TConfigControl c, int index) override;
    int ListCount(TConfigControl c) override;
    std::string ListItem(TConfigControl c, int index) override;
    int ListIndex(TConfigControl c) override;
    void SetListIndex(TConfigControl c, int index) override;
    void SetRange(TConfigControl c, int low, int high) override;
    void SetPosition(TConfigControl c, int position) override;
    int Position(TConfigControl c) override;
    void Focus(TConfigControl c) override;
    void ShowPage(TConfigPage page) override;
    TModalResult ShowModal() override;
    void EndModal(TModalResult result) override;
    bool OpenFileDialog(const TFileDialogRequest& request, std::string& path) override;
    bool BrowseForFolder(const std::string& title, std::string& folder) override;

    // The client area's size.
    static constexpr int kClientWidth = 412, kClientHeight = 357;

private:
    // A link label: its caption and the target its click opens.
    struct TLink {
        std::string Caption, Target;
    };

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK PageButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK LinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Guarded(UINT msg, WPARAM wp, LPARAM lp);
    void CreateControls();
    HWND CreatePage(int left, int top);
    HWND CreateControl(HWND parent, const TControlPlace& place);
    void CreatePageButtons();
    void CreateAboutPage(HWND page);
    void OnCommand(int id, int code, HWND from);
    void DrawPageButton(const DRAWITEMSTRUCT& item);
    void DrawLink(const DRAWITEMSTRUCT& item, const TLink& link);
    HWND Control(TConfigControl c) const;
    void ShowLink(HWND link, const TLink& value);

    HINSTANCE instance_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    TConfig* logic_ = nullptr;
    HFONT font_ = nullptr, bold_ = nullptr, underlined_ = nullptr;
    std::array<HWND, 5> pages_{};
    std::map<TConfigControl, HWND> controls_;
    std::map<HWND, TLink> links_;
    std::map<HWND, std::pair<int, int>> ranges_;  // spin controls: low, high
    std::array<TImgBtn, 5> pageButtons_;
    std::array<HWND, 5> pageButtonWindows_{};
    HICON icon_ = nullptr;
    TModalResult result_ = TModalResult::None;
    bool modal_ = false;
};

}  // namespace vexil
