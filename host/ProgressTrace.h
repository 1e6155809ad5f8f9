#pragma once

#include <cstdio>
#include <memory>

#include "platform/Clock.h"
#include "platform/ProgressWindow.h"

// The progress window with what it is told written down as it is told: each change of the
// overall bar's range and position, each caption, its showing and its closing, one line each
// with the run's milliseconds ("1234 position 5600"). The Windows bench reads from it how long
// the window stood at its end; nothing else changes. Asked for by the environment variable
// KC_PROGRESS_TRACE, which names the file (see TraceProgressIfAsked).
class ProgressTrace : public ProgressWindow {
public:
    // Writes to `trace`, which it closes when it ends.
    ProgressTrace(ProgressWindow& window, Clock& clock, std::FILE* trace);
    ~ProgressTrace() override;
    ProgressTrace(const ProgressTrace&) = delete;
    ProgressTrace& operator=(const ProgressTrace&) = delete;

    void Create(WindowHandle parent) override { window_.Create(parent); }
    void SetParent(WindowHandle parent) override { window_.SetParent(parent); }
    void Show() override;
    void Close(int endCode) override;
    WindowHandle Handle() const override { return window_.Handle(); }

    void SetCaption(const char* caption) override;

    void SetOverallRange(int low, int high) override;
    void SetOverallStep(int step) override { window_.SetOverallStep(step); }
    void SetOverallPosition(int position) override;
    void OffsetOverall(int delta) override;

    void SetDetailRange(int low, int high) override { window_.SetDetailRange(low, high); }
    void SetDetailStep(int step) override { window_.SetDetailStep(step); }
    void SetDetailPosition(int position) override { window_.SetDetailPosition(position); }
    void StepDetail() override { window_.StepDetail(); }

    void BringToTop() override { window_.BringToTop(); }
    void SetForeground() override { window_.SetForeground(); }
    void Repaint() override { window_.Repaint(); }
    void HandleWaitingMessages() override { window_.HandleWaitingMessages(); }

private:
    void Note(const char* what, const char* value);
    void Note(const char* what, int value);

    ProgressWindow& window_;
    Clock& clock_;
    std::FILE* trace_;
};

// `window` traced into the file KC_PROGRESS_TRACE names, or null when it names none (or the
// file cannot be made: the run goes on untraced).
std::unique_ptr<ProgressTrace> TraceProgressIfAsked(ProgressWindow& window, Clock& clock);
