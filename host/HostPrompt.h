#pragma once

#include <string>
#include <string_view>

#include "books/Books.h"
#include "platform/MessageService.h"

// The ledger services show their messages through the host's message boxes.
class HostPrompt : public books::LedgerPrompt {
public:
    explicit HostPrompt(MessageService& messages) : messages_(messages) {}
    int Show(WindowHandle owner, std::string_view text, std::string_view caption,
             unsigned flags) override {
        return messages_.Show(owner, std::string(text).c_str(), std::string(caption).c_str(),
                              flags);
    }

private:
    MessageService& messages_;
};
