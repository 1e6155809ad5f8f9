#pragma once

#include <cstdio>
#include <functional>

#include "platform/MessageService.h"

// Message boxes on the terminal: the caption and text on stderr in UTF-8. A question is
// answered at the keyboard when there is one; in batch, by the answer the host was given.
class ConsoleMessages : public MessageService {
public:
    ConsoleMessages(bool interactive, bool answerYes, std::FILE* out = stderr)
        : interactive_(interactive), answerYes_(answerYes), out_(out) {}

    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override;

    // Runs before a box is shown: the progress window ends its status line there.
    void SetBeforeShow(std::function<void()> beforeShow) { beforeShow_ = std::move(beforeShow); }
    // Runs once the box is answered: the progress window draws its status line again.
    void SetAfterShow(std::function<void()> afterShow) { afterShow_ = std::move(afterShow); }

private:
    // Prints the box and takes its answer.
    int Answer(const char* text, const char* caption, unsigned flags);

    bool interactive_;
    bool answerYes_;
    std::FILE* out_;
    std::function<void()> beforeShow_;
    std::function<void()> afterShow_;
};
