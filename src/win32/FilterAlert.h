// The filter alert "Vexil Filter !": a small modal dialog that shows the
// sender, subject and size of a suspect message, what matched in red, and
// asks whether to delete it on the server or read it anyway.
#pragma once

#include <windows.h>

#include <string>

#include "msgwin/MsgListView.h"

namespace vexil {

class TFilterAlertDialog : public IFilterAlert {
public:
    TFilterAlertDialog(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}

    TAlertAnswer Ask(const std::string& from, const std::string& subject, const std::string& size,
                     int flags) override;

    static constexpr int kClientWidth = 330, kClientHeight = 166;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Build(HWND dialog);

    HINSTANCE instance_;
    HWND owner_;
    std::string from_, subject_, size_;
    int flags_ = 0;
    HWND values_[3] = {};  // From, Subj., Size
    HFONT bold_ = nullptr;
};

}  // namespace vexil
