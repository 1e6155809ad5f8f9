#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "books/Books.h"
#include "host/win32/Win32Api.h"
#include "platform/MessageService.h"

// The books' prompts on Windows: their messages go through the host's message boxes, and the
// user who logs in is chosen from a list (template 140).
class Win32LoginPrompt : public books::LedgerPrompt {
public:
    explicit Win32LoginPrompt(MessageService& messages,
                              HINSTANCE instance = GetModuleHandleW(nullptr))
        : messages_(messages), instance_(instance) {}

    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             unsigned flags) override;
    // The index of the user chosen with OK or a double click; none on Cancel. When the list
    // cannot be shown, each user is asked in turn as the books do by default.
    std::optional<std::size_t> ChooseUser(WindowHandle owner,
                                          const std::vector<std::string>& users) override;

private:
    MessageService& messages_;
    HINSTANCE instance_;
};
