#pragma once

#include <optional>
#include <string>

#include "host/posix/MessageRouter.h"
#include "platform/DialogService.h"

// The condition dialog as a form on the terminal (ncurses). While the form is up, the system's
// message boxes and the save-file dialog are drawn over it: the form routes `router` to itself
// and gives it back when it ends. Without a usable terminal, and for any other template, the
// dialogs are `fallback`'s.
class CursesDialogs : public DialogService {
public:
    CursesDialogs(DialogService& fallback, MessageRouter& router)
        : fallback_(fallback), router_(router) {}
    CursesDialogs(const CursesDialogs&) = delete;
    CursesDialogs& operator=(const CursesDialogs&) = delete;

    int RunModal(int templateId, WindowHandle parent, DialogEvents& events) override;
    // Asked over the form while it is up; otherwise `fallback`'s.
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override;

private:
    class Form;

    DialogService& fallback_;
    MessageRouter& router_;
    Form* form_ = nullptr;  // the form on the screen
};
