#include "app/ProgressDialog.h"

#include <cstdio>

void ProgressDialog::StartOverall() {
    window_.SetOverallRange(0, kOverallEnd);
    window_.SetOverallStep(1);
    window_.SetOverallPosition(0);
}

void ProgressDialog::Advance(std::int16_t from, std::int16_t to) {
    for (int i = from; i <= to; ++i) {
        if (i % 100 == 0) {
            char caption[64] = {};
            std::snprintf(caption, sizeof(caption), "集計中 %d％", i / 100);
            window_.SetCaption(caption);
        }
        window_.OffsetOverall(static_cast<int>(step_));
        PulseDetail();
        window_.Repaint();
    }
}

void ProgressDialog::PulseDetail() {
    constexpr int kDetailSteps = 6;
    window_.SetDetailRange(0, kDetailSteps - 1);
    window_.SetDetailStep(1);
    window_.SetDetailPosition(0);
    for (int i = 0; i < kDetailSteps; ++i) {
        window_.StepDetail();
        window_.BringToTop();
        window_.SetForeground();
        window_.Repaint();
    }
}
