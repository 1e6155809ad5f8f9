#pragma once

// What kcbooks and kcview both say, in English and in Japanese: why the system refused a file
// (the kinds of failure the floor tells apart) and a command-line argument Windows cannot hand
// over as text. Each program puts its own name and sentence around them.

#include <span>
#include <string>

#include "common/Bilingual.h"
#include "native/Failure.h"

namespace tool_messages {

// The reason of a kind of failure in the user's language; empty for kOther.
std::string KindReason(native::FailureKind kind);

// The reason of a failure: ours for a kind the user can act on, else the system's own words
// (in the language the system speaks to this user), else its code.
std::string FailureReason(const native::Failure& failure);

// "PATH: REASON".
std::string FailureSentence(const native::Failure& failure);

// An argument of the command line that is no UTF-16 text (half of a character pair), counted
// from 1 after the program's name.
std::string ArgumentNotUtf16(int index);

// Every message, in the order of their kinds.
std::span<const bilingual::Message> All();

}  // namespace tool_messages
