#pragma once

// The services of the system's surroundings, one object each; the host provides them, the
// tests provide a double.

#include "platform/Clock.h"
#include "platform/DialogService.h"
#include "platform/FileSystem.h"
#include "platform/MemoryService.h"
#include "platform/MessageService.h"
#include "platform/ProgressWindow.h"
#include "platform/TextMapping.h"
#include "platform/WindowService.h"

struct Platform {
    FileSystem& files;
    MessageService& messages;
    WindowService& windows;
    ProgressWindow& progress;
    TextMapping& text;
    MemoryService& memory;
    DialogService& dialogs;
    Clock& clock;
};
