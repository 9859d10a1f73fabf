// Path pieces and a recursive directory maker. Both '/' and '\' separate
// names. Namespace portlib: libc's basename and dirname stay libc's.
#pragma once

namespace portlib {

// Cuts trailing white space and separators off `path` in place (never its
// first character) and returns its last component; "" for null.
char* basename(char* path);

// The directory part of `path` in a per-thread buffer that stays valid until
// the thread's next call. "." when there is none; the root for a name directly
// below it ("/file" -> "/"); a drive prefix keeps its backslash ("C:\f" -> "C:\").
// Any length.
char* dirname(const char* path);

// Creates every missing directory along `path` (mode as mkdir(2), default
// 0770 before the umask). A leading separator is the root. A directory made
// meanwhile by another process counts as made. 0, or -1 with errno 2 (a
// parent is missing and could not be made), 13 (a name on the path exists
// as something else, or access is denied) or 22 (null or empty path, other
// failures).
int mkdirp(const char* path, unsigned mode = 0770);

}  // namespace portlib
