#pragma once

#include "common/MessageBoxFlags.h"
#include "common/Types.h"

// Message boxes: Shift_JIS text and caption, a style of mb:: flags; answers the button.
class MessageService {
public:
    virtual ~MessageService() = default;
    virtual int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) = 0;
};
