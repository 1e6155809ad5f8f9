#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/DialogService.h"

// Dialog controls held in memory: what the batch dialog fills and what the terminal form shows.
class MemoryControls : public DialogControls {
public:
    void SetText(int id, const std::string& text) override { texts_[id] = text; }
    std::string GetText(int id) override { return texts_[id]; }
    void Enable(int id, bool enable) override {
        if (enable) {
            disabled_.erase(id);
        } else {
            disabled_.insert(id);
        }
    }
    bool IsEnabled(int id) override { return disabled_.count(id) == 0; }
    void SetCheck(int id, bool checked) override { checks_[id] = checked; }
    bool IsChecked(int id) override { return checks_[id]; }
    void FocusAndSelectAll(int id) override {
        focus_ = id;
        selectAll_ = true;
    }
    void Focus(int id) override {
        focus_ = id;
        selectAll_ = false;
    }
    int FocusedControl() override { return focus_; }
    void LimitText(int id, int maxCharacters) override { limits_[id] = maxCharacters; }

    int Limit(int id, int fallback) const {
        auto it = limits_.find(id);
        return it == limits_.end() ? fallback : it->second;
    }
    // True once after a focus that selects the whole text.
    bool TakeSelectAll() {
        bool was = selectAll_;
        selectAll_ = false;
        return was;
    }

private:
    std::map<int, std::string> texts_;
    std::set<int> disabled_;
    std::map<int, bool> checks_;
    std::map<int, int> limits_;
    int focus_ = 0;
    bool selectAll_ = false;
};
