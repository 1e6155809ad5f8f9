#pragma once

// A message of kcbooks or kcview in the two languages they speak. Each program keeps its messages
// in one table of these; a text marks the parts that change from run to run (a path, a line, a
// count) as 〈name〉 placeholders, the same names in both texts, so docs/messages.md quotes the
// texts as they stand in the table.

#include <array>
#include <concepts>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace bilingual {

struct Message {
    std::string_view english;
    std::string_view japanese;
};

// What fills one placeholder.
struct Value {
    Value(std::string_view name, std::string text) : name(name), text(std::move(text)) {}
    Value(std::string_view name, const char* text) : name(name), text(text) {}
    Value(std::string_view name, std::string_view text) : name(name), text(text) {}
    template <std::integral Number>
    Value(std::string_view name, Number number) : name(name), text(std::to_string(number)) {}

    std::string_view name;
    std::string text;
};

// `text` with each placeholder that has a value replaced by it, once: a value that itself looks
// like a placeholder (a user's file name) stays as it is.
std::string Fill(std::string_view text, std::initializer_list<Value> values);

// The message's text in the user's language (native::UserLanguage), as it stands: no memory is
// taken, for the message that memory ran out.
std::string_view Text(const Message& message);

// The message in the user's language, filled.
std::string Say(const Message& message, std::initializer_list<Value> values = {});

// The names of a text's placeholders, in the order they stand.
std::vector<std::string> Placeholders(std::string_view text);

// One message of a program's table, with the Id the program's code names it by.
template <typename Id>
struct Entry {
    Id id;
    Message message;
};

// A program's table written as entries, kept as messages at the places of their Ids. The table
// must list every Id (up to Id::kCount) once, in the order of the Ids: the build fails otherwise.
template <typename Id, std::size_t N>
constexpr std::array<Message, N> InIdOrder(const Entry<Id> (&table)[N]) {
    std::array<Message, N> messages{};
    if (N != static_cast<std::size_t>(Id::kCount)) throw "a message is missing from the table";
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(table[i].id) != i) throw "a message stands out of Id order";
        messages[i] = table[i].message;
    }
    return messages;
}

}  // namespace bilingual
