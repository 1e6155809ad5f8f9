#pragma once

#include "common/Types.h"

// The progress window (template 131): an overall bar, a detail bar and a caption. The run works
// on the window's thread, so the window repaints and answers only when told: the system brings
// it up to date at the display's pace.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    virtual void Create(WindowHandle parent) = 0;
    virtual void SetParent(WindowHandle parent) = 0;
    virtual void Show() = 0;
    // Ends the window with an end code and hides it.
    virtual void Close(int endCode) = 0;
    virtual WindowHandle Handle() const = 0;

    virtual void SetCaption(const char* caption) = 0;  // Shift_JIS

    virtual void SetOverallRange(int low, int high) = 0;
    virtual void SetOverallStep(int step) = 0;
    virtual void SetOverallPosition(int position) = 0;
    // A relative move of the overall bar, clamped at its ends.
    virtual void OffsetOverall(int delta) = 0;

    virtual void SetDetailRange(int low, int high) = 0;
    virtual void SetDetailStep(int step) = 0;
    virtual void SetDetailPosition(int position) = 0;
    virtual void StepDetail() = 0;

    virtual void BringToTop() = 0;
    virtual void SetForeground() = 0;
    // Repaints at once.
    virtual void Repaint() = 0;
    // Handles what waits for the window's thread: moves, repaints of what was uncovered, and
    // the system's checks that the program still answers. Nothing the user does to the window
    // changes the run.
    virtual void HandleWaitingMessages() = 0;
};
