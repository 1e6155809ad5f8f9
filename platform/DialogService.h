#pragma once

// Modal dialogs: the platform shows a dialog built from a template and hands its events to the
// system's handler, which reads and sets the controls. The handler holds all the logic; the
// platform only shows controls and reports what the user does.

#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"

// Keys the handler sees before the dialog's own processing.
enum class DialogKey { kEnter, kF12, kEscape, kOther };

// The controls of the running dialog, by control ID. Texts are Shift_JIS.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual std::string GetText(int id) = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsEnabled(int id) = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsChecked(int id) = 0;
    // Gives the control the focus, selects its whole text and scrolls the caret into view.
    virtual void FocusAndSelectAll(int id) = 0;
    virtual void Focus(int id) = 0;
    virtual int FocusedControl() = 0;
    virtual void LimitText(int id, int maxCharacters) = 0;
};

// What a modal dialog does with its events.
class DialogEvents {
public:
    virtual ~DialogEvents() = default;
    virtual void OnInit(DialogControls& controls) = 0;
    // A button pressed (or the window closed: the cancel button's ID).
    virtual void OnCommand(DialogControls& controls, int id) = 0;
    // A key pressed without Shift, Ctrl or Alt; true when handled (the dialog's own processing
    // is then skipped).
    virtual bool OnKey(DialogControls& controls, DialogKey key) = 0;
    virtual bool Ended() const = 0;
    virtual int EndCode() const = 0;
};

// The save-file dialog's request.
struct SaveFileRequest {
    std::string defaultExtension;
    std::string initialName;
    std::string initialFolder;
    std::string title;
    std::string filter;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // Shows dialog template `templateId` modally until the handler ends it; its end code.
    virtual int RunModal(int templateId, WindowHandle parent, DialogEvents& events) = 0;
    // The full path the user chose, or none when cancelled.
    virtual std::optional<std::string> AskSaveFile(const SaveFileRequest& request) = 0;
};
