// Tag and system names.
#pragma once

namespace panelaid {

// 1 when text is a valid tag or system name: a letter, digit or '_' first,
// then letters, digits, '-', '.' or '_'; else 0 (null and "" included).
int IsValidName(const char* text);

}  // namespace panelaid
