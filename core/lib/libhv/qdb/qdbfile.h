// Table files below the root directory, and the small string functions
// through which the library hands lists and records to its callers.
#pragma once

#include <cstddef>

// Size of the caller's buffer for qdbreadfile and qdbreaddirent: a file (or
// listing) of this many bytes or more is refused, so the text and its
// terminating NUL always fit.
inline constexpr int kQdbReadMax = 500000;

extern "C" {

// Writes `length` bytes as the file "<root>/<dir>/<name>", making the
// directory (0700, with parents) when missing. The file is replaced whole:
// the bytes go to a temporary file beside it, which is synced, given the old
// file's mode (0600 for a new file) and renamed over it; a failure leaves
// the old file as it was. Asynchronous signals are held meanwhile.
// 0, or -1 with the failure kept (severity 24, Qdb_errno 1).
int qdbwritefile(const char* dir, const char* name, int length, const char* data);

// Reads "<root>/<path>" into buf, which must hold kQdbReadMax bytes, and ends
// it with NUL. The number of bytes; a missing file reads as "" (0). -1 with
// the failure kept when the file cannot be read or holds kQdbReadMax bytes
// or more.
int qdbreadfile(const char* path, char* buf);

// Lists "<root>/<dir>" into out, which must hold kQdbReadMax bytes: the
// names not beginning with ".", separated by \x01 ("" for an empty or missing
// directory). 0, or -1 with the failure kept.
int qdbreaddirent(const char* dir, char* out);

// malloc that does not return null: without memory it reports, and ends the
// process with exit code 3.
void* qdbnalloc(std::size_t size);
// A qdbnalloc copy of text ("" for null).
char* qdbsavcpy(const char* text);
// A new qdbnalloc string of first followed by second (null counts as "").
char* qdbsavcat(const char* first, const char* second);
// Frees anything the library handed out; null is ignored.
void qdbfreeit(void* p);

// Splits a record in place: *field (when given) points at the current field
// ("" for a null text), the next \x01 or newline becomes NUL (stored in *sep
// when given) and the position after it is returned; null after the last
// field or for a null text.
char* qdbstrscan(char* text, char** field, char* sep);

}  // extern "C"

namespace cfgstore {

// qdbreadfile and qdbreaddirent with the size of the caller's buffer.
int ReadTableFile(const char* path, char* buf, std::size_t size);
int ReadDirEntries(const char* dir, char* out, std::size_t size);

}  // namespace cfgstore
