#pragma once

// The progress window of the export: an overall bar on a fixed scale of 0 to 10,000 positions
// whose caption reads the percentage, and a detail bar that sweeps at every step to show that
// work goes on. The run dispatches no messages, so every step repaints the window itself and
// pulls it to the front.

#include <cstdint>

#include "platform/ProgressWindow.h"

class ProgressDialog {
public:
    static constexpr int kOverallEnd = 10000;

    explicit ProgressDialog(ProgressWindow& window) : window_(window) {}

    void Create(WindowHandle parent) { window_.Create(parent); }
    void SetParent(WindowHandle parent) { window_.SetParent(parent); }
    void Show() { window_.Show(); }
    void Close(int endCode) { window_.Close(endCode); }
    WindowHandle Handle() const { return window_.Handle(); }

    // The overall bar: range 0 to 10,000, step 1, position 0.
    void StartOverall();
    // Moves the overall bar over the positions from..to, both ends included; nothing when
    // `from` is greater than `to`. The caption follows every hundredth position.
    void Advance(std::int16_t from, std::int16_t to);
    // One sweep of the detail bar.
    void PulseDetail();

private:
    ProgressWindow& window_;
    double step_ = 1.0;
};
