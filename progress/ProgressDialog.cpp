#include "progress/ProgressDialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

void ProgressDialog::Show() {
    window_.Show();
    visible_ = true;
    Update(Detail::kExact);
}

void ProgressDialog::Close(int endCode) {
    if (visible_) Update(Detail::kExact);
    visible_ = false;
    window_.Close(endCode);
}

void ProgressDialog::Refresh() {
    if (visible_) Update(Detail::kExact);
}

// Range, step and start are set at once: they come once a run.
void ProgressDialog::StartOverall() {
    overallLow_ = 0;
    overallHigh_ = kOverallEnd;
    overallPosition_ = 0;
    window_.SetOverallRange(overallLow_, overallHigh_);
    window_.SetOverallStep(1);
    window_.SetOverallPosition(overallPosition_);
    shownPosition_ = overallPosition_;
    // Shown at once: a box of the books over the window may come before the first step.
    if (visible_) Update(Detail::kExact);
}

void ProgressDialog::Advance(std::int16_t from, std::int16_t to) {
    for (int i = from; i <= to; ++i) {
        // The caption reads 0 to 100 per cent: past the bar's end a plan that overshoots leaves
        // it at 100 % over the full bar rather than read 104 %.
        if (i % 100 == 0 && i <= kOverallEnd) {
            std::memset(caption_, 0, sizeof(caption_));
            std::snprintf(caption_, sizeof(caption_), "集計中 %d％", i / 100);
            captionDue_ = true;
            if (visible_) ShowCaption();
        }
        // A relative move of the bar, which stops at its ends.
        overallPosition_ =
            std::clamp(overallPosition_ + static_cast<int>(step_), overallLow_, overallHigh_);
        ++sweeps_;
        Tick();
    }
}

void ProgressDialog::PulseDetail() {
    ++sweeps_;
    Tick();
}

// At once, with the bar's position it belongs to: a caption is a few a run, while a whole
// update repaints both bars (about 10 ms under Wine, a second over a run's hundred captions).
// The repaint and the rest follow at the next frame.
void ProgressDialog::ShowCaption() {
    ShowPosition();
    window_.SetCaption(caption_);
    captionDue_ = false;
}

void ProgressDialog::Tick() {
    if (!visible_) return;
    if (clock_.Milliseconds() - lastUpdate_ < kFrameMilliseconds) return;
    Update(Detail::kPhase);
}

void ProgressDialog::ShowPosition() {
    if (overallPosition_ == shownPosition_) return;
    window_.SetOverallPosition(overallPosition_);
    shownPosition_ = overallPosition_;
}

void ProgressDialog::Update(Detail detail) {
    ShowPosition();
    if (sweeps_ != 0 && !detailRangeShown_) {
        window_.SetDetailRange(0, kDetailSteps - 1);
        window_.SetDetailStep(1);
        detailRangeShown_ = true;
    }
    if (detail == Detail::kExact && sweeps_ != 0) {
        // Where the last sweep left the bar: started over, then six steps on. The control
        // itself decides where the step past its end leaves it. Each move of a bar repaints
        // it, so this is kept for the few updates that must be exact.
        window_.SetDetailPosition(0);
        for (int i = 0; i < kDetailSteps; ++i) window_.StepDetail();
        sweepsShown_ = sweeps_;
    } else if (sweeps_ != sweepsShown_) {
        // One point of the sweep a frame, so that the bar runs while sweeps go on.
        window_.SetDetailPosition(1 + static_cast<int>(frames_ % (kDetailSteps - 1)));
        sweepsShown_ = sweeps_;
    }
    if (captionDue_) {
        window_.SetCaption(caption_);
        captionDue_ = false;
    }
    window_.BringToTop();
    window_.SetForeground();
    window_.Repaint();
    window_.HandleWaitingMessages();
    ++frames_;
    lastUpdate_ = clock_.Milliseconds();
}
