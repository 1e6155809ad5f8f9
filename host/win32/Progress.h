#pragma once

#include <optional>

#include "host/win32/Win32Api.h"
#include "platform/ProgressWindow.h"

// The progress window (template 131) as a modeless dialog, shown centred over the caller's
// window. The run works on the window's thread: every change is painted when Repaint says so,
// and the window's messages wait for HandleWaitingMessages.
class Win32Progress : public ProgressWindow {
public:
    explicit Win32Progress(HINSTANCE instance = GetModuleHandleW(nullptr)) : instance_(instance) {}
    ~Win32Progress() override;
    Win32Progress(const Win32Progress&) = delete;
    Win32Progress& operator=(const Win32Progress&) = delete;

    void Create(WindowHandle parent) override;
    void SetParent(WindowHandle parent) override;
    void Show() override;
    // Hides the window; it is destroyed with this object.
    void Close(int endCode) override;
    WindowHandle Handle() const override;

    void SetCaption(const char* caption) override;

    void SetOverallRange(int low, int high) override;
    void SetOverallStep(int step) override;
    void SetOverallPosition(int position) override;
    void OffsetOverall(int delta) override;

    void SetDetailRange(int low, int high) override;
    void SetDetailStep(int step) override;
    void SetDetailPosition(int position) override;
    void StepDetail() override;

    void BringToTop() override;
    void SetForeground() override;
    void Repaint() override;
    void HandleWaitingMessages() override;

private:
    LRESULT SendToBar(int id, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    // The bars moved since the last Repaint, their own painting held until then: overall, detail.
    bool barHeld_[2] = {false, false};
    // A quit that arrived while the run handled the window's messages.
    std::optional<int> quitCode_;
};
