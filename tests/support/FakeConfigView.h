// Test doubles of the settings dialog's window and of the main window as the
// dialog sees it: controls held in memory, file dialogs with set answers.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigView.h"

namespace vexil::test {

class TFakeConfigView : public IConfigView {
public:
    struct TControl {
        bool Checked = false, Enabled = true;
        std::string Text, Target;
        std::vector<std::string> Items;
        int Index = -1;
        int Position = 0, Low = 0, High = 100;
    };

    std::map<TConfigControl, TControl> Controls;
    TConfigPage Page = TConfigPage::About;
    TConfigControl Focused = TConfigControl::OK;
    // Runs while the dialog is shown modally: the user's clicks.
    std::function<void()> OnModal;
    std::optional<TModalResult> Result;
    // The answers of the file and folder dialogs (none: cancelled), and what
    // they were asked.
    std::optional<std::string> NextFile, NextFolder;
    std::vector<TFileDialogRequest> FileRequests;
    std::vector<std::string> FolderTitles;

    TControl& operator[](TConfigControl c) { return Controls[c]; }

    // The user's typing and choosing, without the change events (the test
    // calls the handler the window would).
    void Type(TConfigControl c, const std::string& text) { Controls[c].Text = text; }
    void Tick(TConfigControl c, bool checked) { Controls[c].Checked = checked; }

    void SetChecked(TConfigControl c, bool checked) override { Controls[c].Checked = checked; }
    bool Checked(TConfigControl c) override { return Controls[c].Checked; }
    void SetEnabled(TConfigControl c, bool enabled) override { Controls[c].Enabled = enabled; }
    void SetText(TConfigControl c, const std::string& text) override { Controls[c].Text = text; }
    std::string Text(TConfigControl c) override { return Controls[c].Text; }
    void SetLink(TConfigControl c, const std::string& caption, const std::string& target) override {
        Controls[c].Text = caption;
        Controls[c].Target = target;
    }
    void ListClear(TConfigControl c) override {
        Controls[c].Items.clear();
        Controls[c].Index = -1;
    }
    void ListAdd(TConfigControl c, const std::string& text) override {
        Controls[c].Items.push_back(text);
    }
    void ListDelete(TConfigControl c, int index) override {
        auto& items = Controls[c].Items;
        items.erase(items.begin() + index);
        Controls[c].Index = -1;
    }
    int ListCount(TConfigControl c) override { return static_cast<int>(Controls[c].Items.size()); }
    std::string ListItem(TConfigControl c, int index) override {
        return Controls[c].Items.at(static_cast<size_t>(index));
    }
    int ListIndex(TConfigControl c) override { return Controls[c].Index; }
    void SetListIndex(TConfigControl c, int index) override {
        // A list holds no choice past its entries, as a real one.
        Controls[c].Index = index >= 0 && index < ListCount(c) ? index : -1;
    }
    void SetRange(TConfigControl c, int low, int high) override {
        Controls[c].Low = low;
        Controls[c].High = high;
    }
    void SetPosition(TConfigControl c, int position) override {
        TControl& ctl = Controls[c];
        ctl.Position = position < ctl.Low ? ctl.Low : position > ctl.High ? ctl.High : position;
    }
    int Position(TConfigControl c) override { return Controls[c].Position; }
    void Focus(TConfigControl c) override { Focused = c; }
    void ShowPage(TConfigPage page) override { Page = page; }

    TModalResult ShowModal() override {
        Result.reset();
        if (OnModal) OnModal();
        return Result.value_or(TModalResult::None);
    }
    void EndModal(TModalResult result) override { Result = result; }

    bool OpenFileDialog(const TFileDialogRequest& request, std::string& path) override {
        FileRequests.push_back(request);
        if (!NextFile) return false;
        path = *NextFile;
        return true;
    }
    bool BrowseForFolder(const std::string& title, std::string& folder) override {
        FolderTitles.push_back(title);
        if (!NextFolder) return false;
        folder = *NextFolder;
        return true;
    }
};

}  // namespace vexil::test
