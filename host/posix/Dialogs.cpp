#include "host/posix/Dialogs.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <string_view>
#include <vector>

#include "common/Encoding.h"
#include "common/MessageBoxFlags.h"
#include "common/Messages.h"
#include "common/Sjis.h"
#include "dialog/ControlIds.h"
#include "host/MemoryControls.h"
#include "host/posix/ConditionForm.h"

// ncurses comes last: its names are C macros. Its stdscr shorthands stay off (a macro named
// erase() would swallow std::vector::erase); its wide-character calls are on, for Japanese.
#define NCURSES_NOMACROS
#define NCURSES_WIDECHAR 1
#include <curses.h>

namespace {

constexpr int kEscape = 27;
constexpr int kRedraw = 12;  // Ctrl-L
// Reads that fail this many times in a row mean the keyboard is gone (end of input).
constexpr int kDeadInput = 100;
// How long a terminal's key sequence may take to arrive whole, in milliseconds: an Esc
// followed within this time is no Esc key but the start of a longer key (Alt+letter included).
constexpr int kEscapeDelay = 25;
// A read waits at most this long, in milliseconds, before the terminal's size is looked at: a
// resize that came while no read was waiting would otherwise show only with the next key.
constexpr int kResizePoll = 200;
// A save-file name is a Windows path: at most MAX_PATH - 1 characters.
constexpr std::size_t kPathCharacters = 259;

constexpr const char* kCaption = messages::kCaption;

// The host's own messages (UTF-8 here) in the system's Shift_JIS.
std::string Sjis(const std::string& utf8) {
    std::string sjis;
    return sjis::Utf8ToSjis(utf8, &sjis) ? sjis : std::string();
}

// The condition dialog's own message for a path over the limit: one message, however the path
// came and on both hosts.
std::string TooLongText(std::size_t limit) {
    return messages::TooLongPath(limit);
}

std::string NoSuchFolderText() {
    return "指定されたフォルダは存在しません。\n\n存在するフォルダを指定してください。";
}

std::string TooSmallText() {
    return "端末の画面が小さすぎるため、集計条件の画面を表示できません。\n\n端末の画面を横" +
           std::to_string(form::kWidth) + "桁、縦" + std::to_string(form::kHeight) +
           "行以上に広げてから、もう一度実行してください。";
}

// ---- Text as the terminal shows it ----

// One character on the screen.
struct Glyph {
    wchar_t ch;
    int width;
    bool underline;  // a mnemonic
};

// The code point at `*pos` of a UTF-8 text, and `*pos` past it; U+FFFD for a broken sequence.
char32_t DecodeUtf8(std::string_view text, std::size_t* pos) {
    unsigned char lead = static_cast<unsigned char>(text[*pos]);
    ++*pos;
    int more = 0;
    char32_t c = 0;
    if (lead < 0x80) return lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        c = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int i = 0; i < more; ++i) {
        if (*pos >= text.size()) return 0xFFFD;
        unsigned char next = static_cast<unsigned char>(text[*pos]);
        if ((next & 0xC0) != 0x80) return 0xFFFD;
        c = (c << 6) | (next & 0x3F);
        ++*pos;
    }
    return c > 0x10FFFF ? 0xFFFD : c;
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

Glyph MakeGlyph(char32_t c, bool underline) {
    // A control character would move the terminal's cursor: it shows as '?'.
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) c = '?';
    wchar_t ch = static_cast<wchar_t>(c);
    int width = wcwidth(ch);
    return {ch, width < 0 ? 1 : width, underline};
}

// A UTF-8 text as glyphs. With `mnemonics`, "&x" underlines x and "&&" is one "&", as a
// Windows label shows them.
std::vector<Glyph> Glyphs(std::string_view utf8, bool mnemonics = false) {
    std::vector<Glyph> glyphs;
    bool underline = false;
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = DecodeUtf8(utf8, &pos);
        if (mnemonics && c == '&' && !underline) {
            underline = true;
            continue;
        }
        glyphs.push_back(MakeGlyph(c, underline && c != '&'));
        underline = false;
    }
    return glyphs;
}

std::vector<Glyph> SjisGlyphs(std::string_view sjis, bool mnemonics = false) {
    return Glyphs(sjis::SjisToUtf8Lossy(sjis), mnemonics);
}

int Columns(const std::vector<Glyph>& glyphs) {
    int columns = 0;
    for (const Glyph& g : glyphs) columns += g.width;
    return columns;
}

// A Shift_JIS text's characters, one or two bytes each; a lead byte at the very end stands
// alone.
std::vector<std::string> SplitSjis(std::string_view text) {
    std::vector<std::string> chars;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t width =
            sjis::IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2
                                                                                             : 1;
        chars.emplace_back(text.substr(pos, width));
        pos += width;
    }
    return chars;
}

// A message's lines: "\r\n", "\n" and a lone "\r" break a line, a TAB goes to the next column
// that is a multiple of eight, and a line wider than `columns` goes on in the next one.
std::vector<std::vector<Glyph>> MessageLines(std::string_view sjis, int columns) {
    std::vector<std::vector<Glyph>> lines(1);
    std::string utf8 = sjis::SjisToUtf8Lossy(sjis);
    int used = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t c = DecodeUtf8(utf8, &pos);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && pos < utf8.size() && utf8[pos] == '\n') ++pos;
            lines.emplace_back();
            used = 0;
            continue;
        }
        if (c == '\t') {
            do {
                if (used >= columns) {
                    lines.emplace_back();
                    used = 0;
                }
                lines.back().push_back(MakeGlyph(' ', false));
                ++used;
            } while (used % 8 != 0);
            continue;
        }
        Glyph glyph = MakeGlyph(c, false);
        if (used + glyph.width > columns && used > 0) {
            lines.emplace_back();
            used = 0;
        }
        lines.back().push_back(glyph);
        used += glyph.width;
    }
    return lines;
}

// ---- Drawing (every call clips at the screen's edge) ----

// Draws `glyphs` from (y, x) in at most `room` columns; the columns drawn.
int Put(int y, int x, const std::vector<Glyph>& glyphs, attr_t attr, int room) {
    if (y < 0 || y >= LINES || x < 0) return 0;
    room = std::min(room, COLS - x);
    int used = 0;
    for (const Glyph& g : glyphs) {
        if (used + g.width > room) break;
        wattr_set(stdscr, attr | (g.underline ? A_UNDERLINE : A_NORMAL), 0, nullptr);
        mvwaddnwstr(stdscr, y, x + used, &g.ch, 1);
        used += g.width;
    }
    wattr_set(stdscr, A_NORMAL, 0, nullptr);
    return used;
}

int PutText(int y, int x, std::string_view utf8, attr_t attr, int room = 1000) {
    return Put(y, x, Glyphs(utf8), attr, room);
}

void Blank(int y, int x, int columns, attr_t attr) {
    if (y < 0 || y >= LINES || x < 0 || x >= COLS) return;
    columns = std::min(columns, COLS - x);
    wattr_set(stdscr, attr, 0, nullptr);
    for (int i = 0; i < columns; ++i) mvwaddch(stdscr, y, x + i, ' ');
    wattr_set(stdscr, A_NORMAL, 0, nullptr);
}

void Frame(int y, int x, int height, int width) {
    if (height < 2 || width < 2) return;
    auto at = [](int row, int column, chtype c) {
        if (row >= 0 && row < LINES && column >= 0 && column < COLS)
            mvwaddch(stdscr, row, column, c);
    };
    for (int i = 1; i < width - 1; ++i) {
        at(y, x + i, ACS_HLINE);
        at(y + height - 1, x + i, ACS_HLINE);
    }
    for (int i = 1; i < height - 1; ++i) {
        at(y + i, x, ACS_VLINE);
        at(y + i, x + width - 1, ACS_VLINE);
    }
    at(y, x, ACS_ULCORNER);
    at(y, x + width - 1, ACS_URCORNER);
    at(y + height - 1, x, ACS_LLCORNER);
    at(y + height - 1, x + width - 1, ACS_LRCORNER);
}

// A box over whatever is drawn: cleared, framed, its title centred on the top line.
void Box(int y, int x, int height, int width, const std::vector<Glyph>& title) {
    for (int row = 0; row < height; ++row) Blank(y + row, x, width, A_NORMAL);
    Frame(y, x, height, width);
    if (title.empty()) return;
    int columns = std::max(0, std::min(Columns(title), width - 6));
    int start = x + (width - columns - 2) / 2;
    PutText(y, start, " ", A_NORMAL);
    int drawn = Put(y, start + 1, title, A_BOLD, columns);
    PutText(y, start + 1 + drawn, " ", A_NORMAL);
}

// ---- A one-line edit ----

// An edit control's text as Shift_JIS characters, with its caret. The limit counts characters,
// as the keyboard enters them.
struct Line {
    std::vector<std::string> chars;
    std::size_t caret = 0;
    std::size_t scroll = 0;  // the first character in view
    bool selected = false;   // the whole text, as after a focus that selects it
    std::size_t limit = 0;
    bool digitsOnly = false;
    // The text stands against the field's right end, the caret's column after it.
    bool alignRight = false;

    std::string Text() const {
        std::string text;
        for (const std::string& c : chars) text += c;
        return text;
    }

    // Types `c` at the caret, over the whole text when it is selected; false when refused.
    bool Type(char32_t c) {
        if (digitsOnly && (c < '0' || c > '9')) return false;
        std::string sjis;
        if (!sjis::Utf8ToSjis(EncodeUtf8(c), &sjis) || sjis.empty()) return false;
        if (selected) {
            if (limit == 0) return false;
            chars.assign(1, sjis);
            caret = 1;
            selected = false;
            return true;
        }
        if (chars.size() >= limit) return false;
        chars.insert(chars.begin() + static_cast<std::ptrdiff_t>(caret), sjis);
        ++caret;
        return true;
    }

    // An editing key; false when it changes nothing it could (a beep).
    bool Key(int status, wint_t key, bool* changed) {
        *changed = false;
        if (status == KEY_CODE_YES) {
            switch (key) {
                case KEY_BACKSPACE:
                    return Erase(true, changed);
                case KEY_DC:
                    return Erase(false, changed);
                case KEY_LEFT:
                    caret = selected ? 0 : caret - (caret > 0 ? 1 : 0);
                    selected = false;
                    return true;
                case KEY_RIGHT:
                    caret = selected ? chars.size() : caret + (caret < chars.size() ? 1 : 0);
                    selected = false;
                    return true;
                case KEY_HOME:
                    caret = 0;
                    selected = false;
                    return true;
                case KEY_END:
                    caret = chars.size();
                    selected = false;
                    return true;
                default:
                    return true;
            }
        }
        if (key == 8 || key == 127) return Erase(true, changed);
        if (key < 0x20) return true;
        *changed = Type(static_cast<char32_t>(key));
        return *changed;
    }

    bool Erase(bool before, bool* changed) {
        if (selected) {
            chars.clear();
            caret = 0;
            selected = false;
            *changed = true;
            return true;
        }
        if (before ? caret == 0 : caret >= chars.size()) return false;
        if (before) --caret;
        chars.erase(chars.begin() + static_cast<std::ptrdiff_t>(caret));
        *changed = true;
        return true;
    }

    // Draws the field of `width` columns at (y, x), scrolled so that the caret shows; the
    // caret's column.
    int Draw(int y, int x, int width, bool focused, bool enabled) {
        caret = std::min(caret, chars.size());
        std::vector<Glyph> glyphs;
        glyphs.reserve(chars.size());
        for (const std::string& c : chars) {
            std::vector<Glyph> one = SjisGlyphs(c);
            glyphs.push_back(one.empty() ? MakeGlyph('?', false) : one.front());
        }
        auto span = [&](std::size_t from, std::size_t to) {
            int columns = 0;
            for (std::size_t i = from; i < to; ++i) columns += glyphs[i].width;
            return columns;
        };
        scroll = std::min(scroll, caret);
        // The caret takes a column of its own after the last character.
        while (scroll < caret && span(scroll, caret) + 1 > width) ++scroll;
        const int pad = alignRight ? std::max(0, width - 1 - span(scroll, glyphs.size())) : 0;
        attr_t field = enabled ? A_UNDERLINE : A_DIM;
        Blank(y, x, width, field);
        std::vector<Glyph> shown(glyphs.begin() + static_cast<std::ptrdiff_t>(scroll),
                                 glyphs.end());
        Put(y, x + pad, shown, focused && selected ? A_REVERSE : field, width - pad);
        return x + pad + span(scroll, caret);
    }
};

// ---- The terminal ----

// The terminal in curses mode for as long as this lives; left as it was found on every path.
class Terminal {
public:
    Terminal() = default;
    ~Terminal() { Close(); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool Open() {
        if (!isatty(STDIN_FILENO)) return false;
        // The host's messages go to stderr: the form goes where they go.
        std::FILE* out = isatty(STDERR_FILENO) ? stderr : isatty(STDOUT_FILENO) ? stdout : nullptr;
        const char* term = std::getenv("TERM");
        if (out == nullptr || term == nullptr || *term == '\0') return false;
        // The form speaks UTF-8 like the rest of the host's output. Only the character type
        // changes, and only while the form is up: the run's number formats stay as they were.
        const char* current = std::setlocale(LC_CTYPE, nullptr);
        locale_ = current ? current : "C";
        localeChanged_ = true;
        if (std::setlocale(LC_CTYPE, "") == nullptr ||
            std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
            std::setlocale(LC_CTYPE, "C.UTF-8");
        }
        std::fflush(stdout);
        std::fflush(stderr);
        screen_ = newterm(term, out, stdin);
        if (screen_ == nullptr) {
            Close();
            return false;
        }
        set_term(screen_);
        // A terminal that cannot move its cursor (a "dumb" one) cannot show a form.
        if (tigetstr("cup") == nullptr || tigetstr("cup") == reinterpret_cast<char*>(-1)) {
            Close();
            return false;
        }
        cbreak();
        noecho();
        keypad(stdscr, TRUE);
        set_escdelay(kEscapeDelay);
        wtimeout(stdscr, kResizePoll);
        return true;
    }

    void Close() {
        if (screen_ != nullptr) {
            endwin();
            delscreen(screen_);
            screen_ = nullptr;
        }
        if (localeChanged_) {
            std::setlocale(LC_CTYPE, locale_.c_str());
            localeChanged_ = false;
        }
    }

private:
    SCREEN* screen_ = nullptr;
    std::string locale_;
    bool localeChanged_ = false;
};

// A key as read: a character, or a key code (status KEY_CODE_YES), with Alt or without.
struct KeyPress {
    int status = 0;
    wint_t key = 0;
    bool alt = false;

    bool Is(wint_t character) const { return status != KEY_CODE_YES && !alt && key == character; }
    bool IsCode(int code) const {
        return status == KEY_CODE_YES && !alt && key == static_cast<wint_t>(code);
    }
    bool IsEnter() const { return IsCode(KEY_ENTER) || Is('\n') || Is('\r'); }
    // The letter of Alt+letter, in upper case; 0 for any other key.
    char AltLetter() const {
        if (!alt || status == KEY_CODE_YES) return 0;
        if (key >= 'a' && key <= 'z') return static_cast<char>(key - 'a' + 'A');
        if (key >= 'A' && key <= 'Z') return static_cast<char>(key);
        return 0;
    }
};

long long NowMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// True when the terminal's size is no longer the screen's; the screen then takes it on and the
// next read is KEY_RESIZE.
bool TakeNewSize() {
    winsize size{};
    if (ioctl(STDIN_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0)
        return false;
    if (size.ws_row == LINES && size.ws_col == COLS) return false;
    resizeterm(size.ws_row, size.ws_col);
    return true;
}

// Reads a key; false once the input is gone for good. A terminal sends Alt+key as Esc and the
// key at once, and ncurses hands the Esc over alone: a key that follows it straight away is
// read with it, as one key with Alt.
bool ReadKey(KeyPress* press) {
    *press = KeyPress{};
    int failures = 0;
    while (true) {
        const long long start = NowMilliseconds();
        press->status = wget_wch(stdscr, &press->key);
        if (press->status != ERR) break;
        if (TakeNewSize()) continue;
        // A read that waited its time found no key; one that failed at once found no keyboard.
        if (NowMilliseconds() - start >= kResizePoll / 2) {
            failures = 0;
        } else if (++failures >= kDeadInput) {
            return false;
        }
    }
    if (press->status == KEY_CODE_YES || press->key != kEscape) return true;
    wint_t next = 0;
    wtimeout(stdscr, kEscapeDelay);
    const int status = wget_wch(stdscr, &next);
    wtimeout(stdscr, kResizePoll);
    if (status != ERR) *press = KeyPress{status, next, true};
    return true;
}

}  // namespace

// ---- The form ----

class CursesDialogs::Form : public MessageService {
public:
    explicit Form(FileSystem& files) : files_(files) {
        // What the dialog template holds: the handler reads and may change these texts.
        for (const form::Item& item : form::Items()) {
            if (item.id == 0 || *item.text == '\0') continue;
            std::string sjis;
            if (sjis::Utf8ToSjis(item.text, &sjis)) controls_.SetText(item.id, sjis);
        }
    }

    // True when the terminal holds the whole form; a smaller one shows a notice instead.
    static bool Fits() { return LINES >= form::kHeight && COLS >= form::kWidth; }

    int Run(DialogEvents& events);
    int Show(WindowHandle owner, const char* text, const char* caption, unsigned flags) override;
    std::optional<std::string> AskSaveFile(const SaveFileRequest& request);

private:
    // What the form keeps of an edit between keys; its text stays in the controls.
    struct Caret {
        std::size_t caret = 0;
        std::size_t scroll = 0;
        bool selected = false;
    };

    bool Focusable(int id) {
        const auto order = form::TabOrder();
        return id != 0 && std::find(order.begin(), order.end(), id) != order.end() &&
               controls_.IsEnabled(id);
    }
    static bool IsEdit(int id) {
        const form::Item* item = form::Find(id);
        return item != nullptr && item->kind == form::Kind::kEdit;
    }
    // The next focusable control from `id` in direction `step` (+1 or -1), wrapping; 0 if none.
    int Neighbour(int id, int step);
    void MoveFocus(int step);
    void Settle();
    Line LoadLine(int id);
    void StoreLine(int id, const Line& line, bool changed);

    void Draw();
    void DrawItem(const form::Item& item, int focus);
    void Present();

    void DrawTooSmall();

    void HandleKey(DialogEvents& events, const KeyPress& press);
    void Space(DialogEvents& events, int focus);
    // Alt and the letter of a control's mnemonic.
    void Mnemonic(DialogEvents& events, char letter);
    int MnemonicControl(char letter);
    // Before 実行 reaches the handler: true when every limited text fits its limit in bytes;
    // otherwise the user is told and the text is focused.
    bool TextsFit();
    void Warn(const std::string& utf8);

    FileSystem& files_;
    MemoryControls controls_;
    std::map<int, Caret> carets_;
    int lastFocus_ = 0;
    bool shown_ = false;  // false while the handler initialises: nothing to see yet
    int top_ = 0;
    int left_ = 0;
    // Where the terminal's cursor goes: an edit's caret, or the focused control or button,
    // with the cursor hidden.
    int cursorY_ = -1;
    int cursorX_ = -1;
    bool caret_ = false;
};

int CursesDialogs::Form::Neighbour(int id, int step) {
    const auto order = form::TabOrder();
    const int count = static_cast<int>(order.size());
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (order[static_cast<std::size_t>(i)] == id) at = i;
    }
    if (at < 0) at = step > 0 ? -1 : count;
    for (int i = 0; i < count; ++i) {
        at = ((at + step) % count + count) % count;
        int candidate = order[static_cast<std::size_t>(at)];
        if (controls_.IsEnabled(candidate)) return candidate;
    }
    return 0;
}

void CursesDialogs::Form::MoveFocus(int step) {
    int next = Neighbour(controls_.FocusedControl(), step);
    if (next == 0) return;
    // An edit reached with Tab has its whole text selected, as in a Windows dialog.
    if (IsEdit(next)) {
        controls_.FocusAndSelectAll(next);
    } else {
        controls_.Focus(next);
    }
}

// Takes in what the handler did to the focus.
void CursesDialogs::Form::Settle() {
    bool selectAll = controls_.TakeSelectAll();
    int focus = controls_.FocusedControl();
    if (!Focusable(focus)) {
        // Nothing focused yet, or a control the handler disabled: the next one takes the focus.
        int next = Neighbour(focus, 1);
        if (next == 0) return;
        selectAll = selectAll || (focus == 0 && IsEdit(next));
        controls_.Focus(next);
        focus = next;
    }
    if (!IsEdit(focus)) {
        lastFocus_ = focus;
        return;
    }
    Caret& state = carets_[focus];
    std::size_t end = SplitSjis(controls_.GetText(focus)).size();
    if (focus != lastFocus_) state = Caret{end, 0, false};
    if (selectAll) {
        state.selected = true;
        state.caret = end;
    }
    lastFocus_ = focus;
}

Line CursesDialogs::Form::LoadLine(int id) {
    Line line;
    line.chars = SplitSjis(controls_.GetText(id));
    const Caret& state = carets_[id];
    line.caret = std::min(state.caret, line.chars.size());
    line.scroll = state.scroll;
    line.selected = state.selected;
    // The template's month edits take digits only and stand right (ES_NUMBER | ES_RIGHT).
    const bool month = id == ctl::kStartMonth || id == ctl::kEndMonth;
    line.digitsOnly = month;
    line.alignRight = month;
    line.limit = static_cast<std::size_t>(std::max(0, controls_.Limit(id, month ? 2 : 255)));
    return line;
}

void CursesDialogs::Form::StoreLine(int id, const Line& line, bool changed) {
    carets_[id] = Caret{line.caret, line.scroll, line.selected};
    if (changed) controls_.SetText(id, line.Text());
}

void CursesDialogs::Form::Draw() {
    Settle();
    werase(stdscr);
    cursorY_ = -1;
    cursorX_ = -1;
    if (!shown_) return;
    if (!Fits()) {
        DrawTooSmall();
        return;
    }
    top_ = std::max(0, (LINES - form::kHeight) / 2);
    left_ = std::max(0, (COLS - form::kWidth) / 2);
    Box(top_, left_, form::kHeight, form::kWidth, Glyphs(form::kTitle));
    const int focus = controls_.FocusedControl();
    for (const form::Item& item : form::Items()) DrawItem(item, focus);
    PutText(top_ + form::kHelpRow, left_ + 3, form::kHelp, A_DIM, form::kWidth - 6);
}

// In place of a form that would be cut off: what to do, in as many columns as there are.
void CursesDialogs::Form::DrawTooSmall() {
    const std::string lines[] = {
        "端末の画面が小さすぎます。",
        "横" + std::to_string(form::kWidth) + "桁、縦" + std::to_string(form::kHeight) +
            "行以上に広げてください。",
        "Esc:キャンセル",
    };
    int row = 0;
    for (const std::string& line : lines) {
        for (const auto& part : MessageLines(Sjis(line), std::max(1, COLS))) {
            Put(row, 0, part, row == 0 ? A_BOLD : A_NORMAL, COLS);
            ++row;
        }
    }
}

void CursesDialogs::Form::DrawItem(const form::Item& item, int focus) {
    const int y = top_ + item.row;
    const int x = left_ + item.column;
    const bool enabled = item.id == 0 || controls_.IsEnabled(item.id);
    const bool focused = item.id != 0 && item.id == focus;
    const attr_t plain = enabled ? A_NORMAL : A_DIM;
    const attr_t marked = focused ? A_REVERSE : plain;
    // Labels the handler fills (the company, the period) show their text as it is; the others
    // mark their mnemonic.
    const bool mnemonics = *item.text != '\0';
    std::vector<Glyph> text =
        item.id == 0 ? Glyphs(item.text, true) : SjisGlyphs(controls_.GetText(item.id), mnemonics);
    switch (item.kind) {
        case form::Kind::kLabel:
            Put(y, x, text, plain, item.width);
            break;
        case form::Kind::kEdit: {
            Line line = LoadLine(item.id);
            attr_t bracket = focused ? A_BOLD : plain;
            PutText(y, x, "[", bracket);
            int caret = line.Draw(y, x + 1, item.width, focused, enabled);
            PutText(y, x + 1 + item.width, "]", bracket);
            // Drawing scrolls the field; the text itself is unchanged.
            StoreLine(item.id, line, false);
            if (focused) {
                cursorY_ = y;
                cursorX_ = caret;
                caret_ = true;
            }
            break;
        }
        case form::Kind::kRadio:
        case form::Kind::kCheck: {
            const bool checked = controls_.IsChecked(item.id);
            const char* mark = item.kind == form::Kind::kRadio ? (checked ? "(*) " : "( ) ")
                                                               : (checked ? "[X] " : "[ ] ");
            int used = PutText(y, x, mark, marked);
            Put(y, x + used, text, marked, item.width - used);
            break;
        }
        case form::Kind::kButton: {
            int used = PutText(y, x, "[ ", marked);
            used += Put(y, x + used, text, marked, item.width - 4);
            PutText(y, x + used, " ]", marked);
            break;
        }
        case form::Kind::kGroup: {
            Frame(y, x, item.height, item.width);
            int used = PutText(y, x + 2, " ", A_NORMAL);
            used += Put(y, x + 2 + used, text, plain, item.width - 6);
            PutText(y, x + 2 + used, " ", A_NORMAL);
            break;
        }
    }
    if (focused && cursorY_ < 0) {
        cursorY_ = y;
        cursorX_ = x;
        caret_ = false;
    }
}

void CursesDialogs::Form::Present() {
    curs_set(cursorY_ >= 0 && caret_ ? 1 : 0);
    if (cursorY_ >= 0) wmove(stdscr, std::min(cursorY_, LINES - 1), std::min(cursorX_, COLS - 1));
    wrefresh(stdscr);
}

int CursesDialogs::Form::Run(DialogEvents& events) {
    events.OnInit(controls_);
    if (events.Ended()) return events.EndCode();
    shown_ = true;
    while (true) {
        Draw();
        Present();
        KeyPress press;
        if (!ReadKey(&press)) {
            // Nobody is left to answer: the form closes as its window would.
            events.OnCommand(controls_, ctl::kCancel);
            return events.EndCode();
        }
        HandleKey(events, press);
        if (events.Ended()) return events.EndCode();
    }
}

void CursesDialogs::Form::HandleKey(DialogEvents& events, const KeyPress& press) {
    const int focus = controls_.FocusedControl();
    if (press.IsCode(KEY_RESIZE)) return;
    if (press.Is(kRedraw)) {
        clearok(curscr, TRUE);
        return;
    }
    if (press.Is(kEscape)) {
        if (events.OnKey(controls_, DialogKey::kEscape)) return;
        events.OnCommand(controls_, ctl::kCancel);
        return;
    }
    if (!Fits()) {
        // Nothing else while the form cannot be seen.
        beep();
        return;
    }
    if (press.alt) {
        // A key with Alt is never the key without it: Alt+Esc or Alt+F12 do nothing.
        if (char letter = press.AltLetter()) {
            Mnemonic(events, letter);
        } else {
            beep();
        }
        return;
    }
    if (press.IsEnter()) {
        if (focus == ctl::kExecute && !TextsFit()) return;
        if (events.OnKey(controls_, DialogKey::kEnter)) return;
        const form::Item* item = form::Find(focus);
        if (item != nullptr && item->kind == form::Kind::kButton && controls_.IsEnabled(focus)) {
            events.OnCommand(controls_, focus);
        }
        return;
    }
    if (press.IsCode(KEY_F(12))) {
        if (!TextsFit()) return;
        events.OnKey(controls_, DialogKey::kF12);
        return;
    }
    if (press.Is('\t') || press.IsCode(KEY_DOWN)) {
        MoveFocus(1);
        return;
    }
    if (press.IsCode(KEY_BTAB) || press.IsCode(KEY_UP)) {
        MoveFocus(-1);
        return;
    }
    if (IsEdit(focus)) {
        Line line = LoadLine(focus);
        bool changed = false;
        if (!line.Key(press.status, press.key, &changed)) beep();
        StoreLine(focus, line, changed);
        return;
    }
    if (press.Is(' ')) Space(events, focus);
}

void CursesDialogs::Form::Space(DialogEvents& events, int focus) {
    const form::Item* item = form::Find(focus);
    if (item == nullptr || !controls_.IsEnabled(focus)) return;
    switch (item->kind) {
        case form::Kind::kCheck:
            controls_.SetCheck(focus, !controls_.IsChecked(focus));
            break;
        case form::Kind::kRadio:
            // The two radio buttons are one group: choosing one clears the other.
            for (const form::Item& other : form::Items()) {
                if (other.kind == form::Kind::kRadio)
                    controls_.SetCheck(other.id, other.id == focus);
            }
            break;
        case form::Kind::kButton:
            if (focus == ctl::kExecute && !TextsFit()) break;
            events.OnCommand(controls_, focus);
            break;
        default:
            break;
    }
}

// The control whose label shows "&letter": a button, radio button or check box itself; for a
// label or a group box, the field it names. A label the handler fills (the company, the period)
// shows its text as it is and has no mnemonic.
int CursesDialogs::Form::MnemonicControl(char letter) {
    for (const form::Item& item : form::Items()) {
        if (item.id == 0 || *item.text == '\0' || item.kind == form::Kind::kEdit) continue;
        // The text as it stands: the handler may change a label (出力先 without its mnemonic
        // when the caller fixes the path).
        const std::vector<std::string> chars = SplitSjis(controls_.GetText(item.id));
        for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
            if (chars[i] != "&") continue;
            if (chars[i + 1] == "&") {
                ++i;  // "&&" is one "&"
                continue;
            }
            const char c = chars[i + 1].size() == 1 ? chars[i + 1][0] : '\0';
            const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            if (upper == letter) return form::LabelledControl(item.id);
            break;
        }
    }
    return 0;
}

// As a Windows dialog takes a mnemonic: a label's goes to its field, an edit gets the focus
// with its whole text selected; a radio button gets the focus and is chosen, a check box gets
// the focus and is toggled, a push button gets the focus and is pressed. A disabled control,
// or a letter no control shows, does nothing but beep.
void CursesDialogs::Form::Mnemonic(DialogEvents& events, char letter) {
    const int id = MnemonicControl(letter);
    const form::Item* item = form::Find(id);
    if (item == nullptr || !Focusable(id)) {
        beep();
        return;
    }
    switch (item->kind) {
        case form::Kind::kEdit:
            controls_.FocusAndSelectAll(id);
            break;
        case form::Kind::kRadio:
        case form::Kind::kCheck:
        case form::Kind::kButton:
            controls_.Focus(id);
            Space(events, id);
            break;
        default:
            beep();
            break;
    }
}

bool CursesDialogs::Form::TextsFit() {
    for (const form::Item& item : form::Items()) {
        if (item.kind != form::Kind::kEdit || !controls_.IsEnabled(item.id)) continue;
        // Only a limit the handler set stands for its buffer; it counts Shift_JIS bytes.
        const int limit = controls_.Limit(item.id, -1);
        if (limit < 0 || controls_.GetText(item.id).size() <= static_cast<std::size_t>(limit))
            continue;
        Warn(TooLongText(static_cast<std::size_t>(limit)));
        controls_.FocusAndSelectAll(item.id);
        return false;
    }
    return true;
}

void CursesDialogs::Form::Warn(const std::string& utf8) {
    Show(kNoWindow, Sjis(utf8).c_str(), Sjis(kCaption).c_str(), mb::kOk | mb::kIconWarning);
}

int CursesDialogs::Form::Show(WindowHandle /*owner*/, const char* text, const char* caption,
                              unsigned flags) {
    const bool yesNo = (flags & mb::kButtonMask) == mb::kYesNo;
    const char* icon = nullptr;
    switch (flags & mb::kIconMask) {
        case mb::kIconWarning:
            icon = "(!)";
            break;
        case mb::kIconQuestion:
            icon = "(?)";
            break;
        case mb::kIconInformation:
            icon = "(i)";
            break;
        default:
            break;
    }
    const std::vector<Glyph> title = SjisGlyphs(caption ? caption : "");
    const std::vector<std::string> buttons =
        yesNo ? std::vector<std::string>{"はい(Y)", "いいえ(N)"} : std::vector<std::string>{"OK"};
    int choice = 0;
    while (true) {
        Draw();
        const int iconColumns = icon ? 4 : 0;
        const int room = std::max(20, COLS - 6 - iconColumns);
        const std::vector<std::vector<Glyph>> lines = MessageLines(text ? text : "", room);
        int textColumns = 0;
        for (const auto& line : lines) textColumns = std::max(textColumns, Columns(line));
        int buttonColumns = 0;
        for (const std::string& b : buttons) buttonColumns += Columns(Glyphs(b)) + 4 + 2;
        const int inner = std::max({textColumns + iconColumns, buttonColumns, Columns(title) + 4});
        const int width = std::min(inner + 4, COLS);
        const int shownLines = std::min(static_cast<int>(lines.size()), std::max(1, LINES - 5));
        const int height = std::min(shownLines + 5, LINES);
        const int y = std::max(0, (LINES - height) / 2);
        const int x = std::max(0, (COLS - width) / 2);
        Box(y, x, height, width, title);
        if (icon) PutText(y + 2, x + 2, icon, A_BOLD);
        for (int i = 0; i < shownLines; ++i) {
            Put(y + 2 + i, x + 2 + iconColumns, lines[static_cast<std::size_t>(i)], A_NORMAL,
                width - 4 - iconColumns);
        }
        int bx = x + (width - buttonColumns + 2) / 2;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            attr_t attr = static_cast<int>(i) == choice ? A_REVERSE : A_NORMAL;
            int used = PutText(y + height - 2, bx, "[ " + buttons[i] + " ]", attr);
            if (static_cast<int>(i) == choice) {
                cursorY_ = y + height - 2;
                cursorX_ = bx;
                caret_ = false;
            }
            bx += used + 2;
        }
        Present();
        KeyPress press;
        if (!ReadKey(&press)) return yesNo ? mb::kIdNo : mb::kIdOk;
        if (press.alt) {
            // はい(Y) and いいえ(N) take their letter with Alt too; no other key with Alt
            // answers.
            const char letter = press.AltLetter();
            if (yesNo && letter == 'Y') return mb::kIdYes;
            if (yesNo && letter == 'N') return mb::kIdNo;
            beep();
            continue;
        }
        const wint_t key = press.key;
        if (press.IsEnter() || press.Is(' ')) {
            return yesNo ? (choice == 0 ? mb::kIdYes : mb::kIdNo) : mb::kIdOk;
        }
        if (press.status == KEY_CODE_YES) {
            if (yesNo && (key == KEY_LEFT || key == KEY_RIGHT || key == KEY_BTAB)) {
                choice = 1 - choice;
            }
            continue;
        }
        if (key == kRedraw) clearok(curscr, TRUE);
        if (!yesNo) {
            if (key == kEscape || key == 'o' || key == 'O') return mb::kIdOk;
            continue;
        }
        if (key == 'y' || key == 'Y') return mb::kIdYes;
        if (key == 'n' || key == 'N' || key == kEscape) return mb::kIdNo;
        if (key == '\t') choice = 1 - choice;
    }
}

std::optional<std::string> CursesDialogs::Form::AskSaveFile(const SaveFileRequest& request) {
    Line line;
    line.chars = SplitSjis(request.initialFolder + request.initialName);
    line.caret = line.chars.size();
    line.limit = kPathCharacters;
    const std::vector<Glyph> title = SjisGlyphs(request.title);
    std::string extension;
    for (char c : request.defaultExtension) {
        extension += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    while (true) {
        Draw();
        const int width = std::min(76, COLS);
        const int height = 6;
        const int y = std::max(0, (LINES - height) / 2);
        const int x = std::max(0, (COLS - width) / 2);
        Box(y, x, height, width, title);
        PutText(y + 2, x + 2, "[", A_BOLD);
        int caret = line.Draw(y + 2, x + 3, width - 6, true, true);
        PutText(y + 2, x + width - 3, "]", A_BOLD);
        PutText(y + 4, x + 3, "Enter:保存  Esc:キャンセル", A_DIM, width - 6);
        cursorY_ = y + 2;
        cursorX_ = caret;
        caret_ = true;
        Present();
        KeyPress press;
        if (!ReadKey(&press)) return std::nullopt;
        if (press.alt) {
            // The box has no mnemonics; a key with Alt never cancels it.
            beep();
            continue;
        }
        if (press.Is(kEscape)) return std::nullopt;
        if (press.Is(kRedraw)) {
            clearok(curscr, TRUE);
            continue;
        }
        if (press.IsEnter()) {
            std::string path = line.Text();
            // The name follows the last backslash, else the drive's colon (neither is ever a
            // trail byte).
            std::size_t split = sjis::LastBackslash(path);
            if (split == std::string::npos) split = path.rfind(':');
            std::size_t nameStart = split == std::string::npos ? 0 : split + 1;
            if (nameStart >= path.size()) {
                // A folder is no file name: the box stays for one.
                beep();
                continue;
            }
            if (!extension.empty() && path.find('.', nameStart) == std::string::npos) {
                path += "." + extension;
            }
            // As the Windows dialog does, the box stays until the name can be taken: a path into
            // a folder that does not exist is refused with a message. A path over the system's
            // limit is taken whole; 実行 refuses it, as it does a typed one.
            FileStatus status;
            const std::string folder = path.substr(0, nameStart);
            if (split != std::string::npos && path[split] == '\\' &&
                !(files_.GetStatus(folder.c_str(), &status) && status.isDirectory)) {
                Warn(NoSuchFolderText());
                continue;
            }
            return path;
        }
        bool changed = false;
        if (!line.Key(press.status, press.key, &changed)) beep();
    }
}

// ---- The service ----

int CursesDialogs::RunModal(int templateId, WindowHandle parent, DialogEvents& events) {
    if (templateId != ctl::kConditionDialogTemplate || form_ != nullptr) {
        return fallback_.RunModal(templateId, parent, events);
    }
    Terminal terminal;
    if (!terminal.Open()) return fallback_.RunModal(templateId, parent, events);
    if (!Form::Fits()) {
        // A form cut off at the terminal's edge would hide controls. The message goes where
        // messages go without the form, and the dialog ends as cancelled: the run ends with
        // nothing written.
        terminal.Close();
        router_.Show(parent, Sjis(TooSmallText()).c_str(), Sjis(kCaption).c_str(),
                     mb::kOk | mb::kIconWarning);
        return ctl::kCancel;
    }
    // Destroyed in reverse order: the form stops being current, the messages go back where
    // they went, and last the terminal is restored, whatever way the form ends.
    Form form(files_);
    MessageRouter::Scope route(router_, form);
    struct Current {
        Form*& slot;
        ~Current() { slot = nullptr; }
    } current{form_};
    form_ = &form;
    return form.Run(events);
}

std::optional<std::string> CursesDialogs::AskSaveFile(const SaveFileRequest& request) {
    if (form_ == nullptr) return fallback_.AskSaveFile(request);
    return form_->AskSaveFile(request);
}
