#include "host/ProgressTrace.h"

#include <cstdlib>

ProgressTrace::ProgressTrace(ProgressWindow& window, Clock& clock, std::FILE* trace)
    : window_(window), clock_(clock), trace_(trace) {}

ProgressTrace::~ProgressTrace() {
    std::fclose(trace_);
}

// Each line goes out at once: a run that ends abruptly still leaves what it showed.
void ProgressTrace::Note(const char* what, const char* value) {
    std::fprintf(trace_, "%lld %s %s\n", static_cast<long long>(clock_.Milliseconds()), what,
                 value);
    std::fflush(trace_);
}

void ProgressTrace::Note(const char* what, int value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d", value);
    Note(what, text);
}

void ProgressTrace::Show() {
    window_.Show();
    Note("show", "");
}

void ProgressTrace::Close(int endCode) {
    window_.Close(endCode);
    Note("close", endCode);
}

void ProgressTrace::SetCaption(const char* caption) {
    window_.SetCaption(caption);
    Note("caption", caption ? caption : "");
}

void ProgressTrace::SetOverallRange(int low, int high) {
    window_.SetOverallRange(low, high);
    char text[32];
    std::snprintf(text, sizeof(text), "%d %d", low, high);
    Note("range", text);
}

void ProgressTrace::SetOverallPosition(int position) {
    window_.SetOverallPosition(position);
    Note("position", position);
}

void ProgressTrace::OffsetOverall(int delta) {
    window_.OffsetOverall(delta);
    Note("offset", delta);
}

std::unique_ptr<ProgressTrace> TraceProgressIfAsked(ProgressWindow& window, Clock& clock) {
    const char* path = std::getenv("KC_PROGRESS_TRACE");
    if (!path || !*path) return nullptr;
    std::FILE* trace = std::fopen(path, "w");
    if (!trace) return nullptr;
    return std::make_unique<ProgressTrace>(window, clock, trace);
}
