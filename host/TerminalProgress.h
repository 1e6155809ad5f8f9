#pragma once

#include <cstdio>
#include <string>

#include "platform/ProgressWindow.h"

// The progress window on a terminal: a status line redrawn at most about ten times a second of
// the frames the system draws; without a terminal, one line per ten per cent.
class TerminalProgress : public ProgressWindow {
public:
    TerminalProgress(bool terminal, std::FILE* out = stderr) : terminal_(terminal), out_(out) {}

    void Create(WindowHandle parent) override { parent_ = parent; }
    void SetParent(WindowHandle parent) override { parent_ = parent; }
    void Show() override { shown_ = true; }
    void Close(int endCode) override;
    WindowHandle Handle() const override { return kHandle; }

    void SetCaption(const char* caption) override;

    void SetOverallRange(int low, int high) override;
    void SetOverallStep(int step) override { step_ = step; }
    void SetOverallPosition(int position) override;
    void OffsetOverall(int delta) override;

    void SetDetailRange(int, int) override {}
    void SetDetailStep(int) override {}
    void SetDetailPosition(int) override {}
    void StepDetail() override {}
    void BringToTop() override {}
    void SetForeground() override {}
    void Repaint() override;
    void HandleWaitingMessages() override {}

    // Before a message: the status line shows where the run stands and ends, so that what is
    // printed next starts on a line of its own.
    void EndLine();
    // After a message: the status line is drawn anew at once, as a window is repainted when the
    // box over it closes.
    void ResumeLine();

private:
    // The progress window's handle on this platform: it owns the messages shown during the
    // run, and no other program sees it.
    static constexpr WindowHandle kHandle = 131;

    void Moved();
    void Draw();

    bool terminal_;
    std::FILE* out_;
    WindowHandle parent_ = kNoWindow;
    bool shown_ = false;
    std::string caption_;
    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    int step_ = 10;
    int decile_ = -1;
    bool captionDue_ = false;
    bool drawn_ = false;
    // The position and caption last drawn, so that a line that ends shows where the run stands.
    int drawnPosition_ = -1;
    std::string drawnCaption_;
    long long lastDrawMilliseconds_ = 0;
};
