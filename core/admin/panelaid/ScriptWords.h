// An argument text split into words as a POSIX shell splits a simple
// command's words, with no expansion at all: quotes and backslashes are
// honoured and removed; "$(...)", ";", "|", "`...`", "*" stay plain text.
#pragma once

#include <string>
#include <vector>

namespace panelaid {

// True with the words; false (words empty) for an unclosed quote.
bool SplitScriptWords(const std::string& text, std::vector<std::string>* words);

// text as one word of such an argument text: as it stands when it is a
// non-empty run of letters, digits and "_-.@:+=,", else in single quotes
// (a quote inside closed, escaped and reopened).
std::string ScriptWord(const std::string& text);

}  // namespace panelaid
