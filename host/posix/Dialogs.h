#pragma once

#include <optional>
#include <string>

#include "host/posix/MessageRouter.h"
#include "platform/DialogService.h"
#include "platform/FileSystem.h"

// The condition dialog as a form on the terminal (ncurses). While the form is up, the system's
// message boxes and the save-file dialog are drawn over it: the form routes `router` to itself
// and gives it back when it ends. Without a usable terminal, and for any other template, the
// dialogs are `fallback`'s. A terminal smaller than the form gets a message through `router`
// and the dialog ends cancelled. The save-file dialog asks `files` whether the chosen folder
// exists.
class CursesDialogs : public DialogService {
public:
    CursesDialogs(DialogService& fallback, MessageRouter& router, FileSystem& files)
        : fallback_(fallback), router_(router), files_(files) {}
    CursesDialogs(const CursesDialogs&) = delete;
    CursesDialogs& operator=(const CursesDialogs&) = delete;

    int RunModal(int templateId, WindowHandle parent, DialogEvents& events) override;
    // Asked over the form while it is up; otherwise `fallback`'s.
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request) override;

private:
    class Form;

    DialogService& fallback_;
    MessageRouter& router_;
    FileSystem& files_;
    Form* form_ = nullptr;  // the form on the screen
};
