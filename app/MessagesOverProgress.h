#pragma once

#include "platform/MessageService.h"
#include "progress/ProgressDialog.h"

// Message boxes shown while the progress window is up: the window is brought up to date first,
// so that the box stands over the run as it is, not as the last frame drew it.
class MessagesOverProgress : public MessageService {
public:
    MessagesOverProgress(MessageService& messages, ProgressDialog& progress)
        : messages_(messages), progress_(progress) {}

    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override {
        progress_.Refresh();
        return messages_.Show(owner, text, caption, flags);
    }

private:
    MessageService& messages_;
    ProgressDialog& progress_;
};
