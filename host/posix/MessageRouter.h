#pragma once

#include "platform/MessageService.h"

// Message boxes go to one target at a time: the console, or a box drawn over the terminal form
// while the form is up. The form swaps itself in with a Scope, so whatever way it ends (an
// exception included) the next message goes back to where it went before.
class MessageRouter : public MessageService {
public:
    explicit MessageRouter(MessageService& target) : target_(&target) {}

    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override {
        return target_->Show(owner, text, caption, flags);
    }

    class Scope {
    public:
        Scope(MessageRouter& router, MessageService& target)
            : router_(router), previous_(router.target_) {
            router_.target_ = &target;
        }
        ~Scope() { router_.target_ = previous_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        MessageRouter& router_;
        MessageService* previous_;
    };

private:
    MessageService* target_;
};
