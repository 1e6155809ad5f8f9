#pragma once

#include <string>

// True when `content` is a well-formed XML document by xmllint; its complaints in *output.
bool PassesXmllint(const std::string& content, std::string* output);
