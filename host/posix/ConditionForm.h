#pragma once

#include <span>

// The condition dialog (template 130) as a terminal form: its controls, their texts and where
// they stand. Texts are UTF-8 as the terminal shows them; "&" marks a mnemonic. The host puts
// the texts into the controls before the dialog's handler runs, as a dialog template would, so
// the handler reads and changes them like on Windows.
namespace form {

enum class Kind { kLabel, kEdit, kRadio, kCheck, kButton, kGroup };

struct Item {
    int id;  // 0: a label nobody addresses
    Kind kind;
    const char* text;
    int row;  // inside the form, its frame included
    int column;
    // Columns the item may take: a label's room, an edit's field without its brackets, a
    // group's whole width.
    int width;
    int height;  // a group's rows, frame included; 1 otherwise
};

constexpr int kWidth = 78;
constexpr int kHeight = 21;
extern const char* const kTitle;
extern const char* const kHelp;
constexpr int kHelpRow = 19;

std::span<const Item> Items();
// Focusable controls, in tab order.
std::span<const int> TabOrder();

// The item of control `id`, or null.
const Item* Find(int id);

// Where the mnemonic of control `id` leads: for a label or a group box, the field it names;
// for any other control, the control itself.
int LabelledControl(int id);

}  // namespace form
