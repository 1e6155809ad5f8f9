#include "host/ConsoleMessages.h"

#include <string>

#include "common/Encoding.h"
#include "native/Console.h"

int ConsoleMessages::Show(WindowHandle /*owner*/, const char* text, const char* caption,
                          unsigned flags) {
    if (beforeShow_) beforeShow_();
    const int answer = Answer(text, caption, flags);
    if (afterShow_) afterShow_();
    return answer;
}

int ConsoleMessages::Answer(const char* text, const char* caption, unsigned flags) {
    std::string body = sjis::SjisToUtf8Lossy(text ? text : "");
    std::string title = sjis::SjisToUtf8Lossy(caption ? caption : "");
    const char* kind = "";
    switch (flags & mb::kIconMask) {
        case mb::kIconWarning:
            kind = "warning";
            break;
        case mb::kIconQuestion:
            kind = "question";
            break;
        case mb::kIconInformation:
            kind = "information";
            break;
        default:
            kind = "message";
            break;
    }
    native::WriteText(out_, "[" + title + "] " + kind + ":\n" + body + "\n");
    if ((flags & mb::kButtonMask) != mb::kYesNo) {
        if (interactive_) {
            native::WriteText(out_, "(Enter) ");
            for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
            }
        }
        return mb::kIdOk;
    }
    if (!interactive_) {
        native::WriteText(out_, answerYes_ ? "-> yes\n" : "-> no\n");
        return answerYes_ ? mb::kIdYes : mb::kIdNo;
    }
    while (true) {
        native::WriteText(out_, "[y/n] ");
        int c = std::getchar();
        int answer = c;
        while (c != EOF && c != '\n') c = std::getchar();
        if (answer == EOF) return mb::kIdNo;
        if (answer == 'y' || answer == 'Y') return mb::kIdYes;
        if (answer == 'n' || answer == 'N') return mb::kIdNo;
    }
}
