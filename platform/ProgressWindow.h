#pragma once

#include "common/Types.h"

// The progress window (template 131): an overall bar, a detail bar and a caption, repainted
// only when told, since the run dispatches no messages.
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
};
