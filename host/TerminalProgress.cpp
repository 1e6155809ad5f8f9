#include "host/TerminalProgress.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "common/Encoding.h"
#include "native/Console.h"

void TerminalProgress::SetOverallRange(int low, int high) {
    low_ = low;
    high_ = std::max(high, low + 1);
    Moved();
}

void TerminalProgress::SetOverallPosition(int position) {
    position_ = std::clamp(position, low_, high_);
    Moved();
}

void TerminalProgress::OffsetOverall(int delta) {
    position_ = std::clamp(position_ + delta, low_, high_);
    Moved();
}

void TerminalProgress::Moved() {
    if (terminal_ || !shown_) return;
    int decile = static_cast<int>((static_cast<long long>(position_ - low_) * 10) / (high_ - low_));
    if (decile == decile_) return;
    decile_ = decile;
    // The caption the system sets next is the one of the new tenth.
    captionDue_ = true;
}

void TerminalProgress::SetCaption(const char* caption) {
    caption_ = caption ? caption : "";
    if (terminal_ || !shown_ || !captionDue_) return;
    captionDue_ = false;
    native::WriteText(out_, sjis::SjisToUtf8Lossy(caption_) + "\n");
}

void TerminalProgress::Repaint() {
    if (!terminal_ || !shown_) return;
    long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    if (drawn_ && now - lastDrawMilliseconds_ < 100) return;
    lastDrawMilliseconds_ = now;
    Draw();
}

void TerminalProgress::Draw() {
    constexpr int kWidth = 30;
    int filled =
        static_cast<int>((static_cast<long long>(position_ - low_) * kWidth) / (high_ - low_));
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    native::WriteText(out_, "\r" + sjis::SjisToUtf8Lossy(caption_) + " [" + bar + "]");
    drawn_ = true;
    drawnPosition_ = position_;
    drawnCaption_ = caption_;
}

void TerminalProgress::Close(int /*endCode*/) {
    if (terminal_ && shown_) {
        Draw();
        native::WriteText(out_, "\n");
        // The line is ended: a message after the run starts right below it.
        drawn_ = false;
    }
    shown_ = false;
}

void TerminalProgress::EndLine() {
    if (!terminal_ || !drawn_) return;
    // Repaints are few and far between: the line may still show an earlier step.
    if (shown_ && (position_ != drawnPosition_ || caption_ != drawnCaption_)) Draw();
    native::WriteText(out_, "\n");
    drawn_ = false;
}

void TerminalProgress::ResumeLine() {
    if (!terminal_ || !shown_) return;
    Draw();
    lastDrawMilliseconds_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
}
