// Field splitting of a text buffer in place.
#pragma once

namespace portlib {

// With n 0: the characters of `buf` become the delimiter set (initially tab,
// blank and newline), result 0. Otherwise a[0] = buf and the text is cut at
// each run of delimiters (the run's first character becomes a terminator);
// a[1].. receive the following fields, n fields in all; slots with no field
// point to the empty text at the end of the first field. Result n; 0 for a
// null buf. The delimiter set is process-wide.
int bufsplit(char* buf, unsigned n, char** a);

// Exists so that Unix code links; does nothing.
int strtrns(const char* str, const char* oldChars, const char* newChars, char* result);

}  // namespace portlib
