#pragma once

// The progress window of the export: an overall bar on a fixed scale of 0 to 10,000 positions
// whose caption reads the percentage, and a detail bar that sweeps at every step to show that
// work goes on.
//
// The dialog keeps the window's exact state as if every step reached it, and brings the window
// up to date at the display's pace: at most once a frame, and always when it is shown, before a
// message box over it and before it closes; a new caption reaches it at once. The run works on
// the window's thread, so each update also lets the window handle what waits for it: it can be
// moved and repainted, and the system never takes it for hung.

#include <cstdint>

#include "platform/Clock.h"
#include "platform/ProgressWindow.h"

class ProgressDialog {
public:
    static constexpr int kOverallEnd = 10000;
    // About the pace of a display: drawing more often shows nothing more.
    static constexpr std::int64_t kFrameMilliseconds = 30;
    // Steps of one sweep of the detail bar over its range of 0 to 5.
    static constexpr int kDetailSteps = 6;

    ProgressDialog(ProgressWindow& window, Clock& clock) : window_(window), clock_(clock) {}

    void Create(WindowHandle parent) { window_.Create(parent); }
    void SetParent(WindowHandle parent) { window_.SetParent(parent); }
    // Shows the window as the run stands.
    void Show();
    // Brings the window up to date, then ends it with the code and hides it.
    void Close(int endCode);
    WindowHandle Handle() const { return window_.Handle(); }

    // The overall bar: range 0 to 10,000, step 1, position 0.
    void StartOverall();
    // Moves the overall bar over the positions from..to, both ends included; nothing when
    // `from` is greater than `to`. The caption follows every hundredth position up to the
    // bar's end.
    void Advance(std::int16_t from, std::int16_t to);
    // One sweep of the detail bar.
    void PulseDetail();
    // Brings the window up to date now, whatever the pace: a message box is about to cover it.
    void Refresh();

    // Where the run stands, whatever the window shows yet: the overall bar's position, the
    // caption last set (empty before the first) and the detail bar's sweeps so far.
    int Position() const { return overallPosition_; }
    const char* Caption() const { return caption_; }
    std::uint64_t Sweeps() const { return sweeps_; }

private:
    enum class Detail {
        kExact,  // where the sweeps leave the detail bar
        kPhase,  // a point of the sweep, so that the bar runs while work goes on
    };

    // A frame, when one is due.
    void Tick();
    void ShowPosition();
    void ShowCaption();
    void Update(Detail detail);

    ProgressWindow& window_;
    Clock& clock_;
    double step_ = 1.0;

    // What the window would show had every step reached it. Until StartOverall the bar keeps a
    // progress control's own range.
    int overallLow_ = 0;
    int overallHigh_ = 100;
    int overallPosition_ = 0;
    char caption_[64] = {};
    bool captionDue_ = false;
    std::uint64_t sweeps_ = 0;

    // What the window shows.
    bool visible_ = false;
    int shownPosition_ = -1;
    bool detailRangeShown_ = false;
    std::uint64_t sweepsShown_ = 0;
    std::uint64_t frames_ = 0;
    std::int64_t lastUpdate_ = 0;
};
