#pragma once

#include <optional>
#include <string>

#include "platform/DialogService.h"
#include "platform/MessageService.h"

// Dialogs without a terminal: the dialog is filled as usual, then what the host options say is
// entered into its controls and 実行 is pressed. A check that fails (its message already shown)
// ends the dialog as cancelled.
struct BatchInput {
    std::optional<int> startMonth;
    std::optional<int> endMonth;
    std::optional<int> kind;
    std::optional<bool> ledger;
    std::optional<std::string> out;  // Windows form, Shift_JIS
};

class BatchDialogs : public DialogService {
public:
    BatchDialogs(BatchInput input, MessageService& messages)
        : input_(std::move(input)), messages_(messages) {}

    int RunModal(int templateId, WindowHandle parent, DialogEvents& events) override;
    // Nobody to ask: no file is chosen.
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override;

private:
    BatchInput input_;
    MessageService& messages_;
};
