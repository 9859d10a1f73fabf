// Whole-file replacement that a reader never sees half done: write a
// temporary file beside the target, fsync it, rename it over the target and
// fsync the directory, so that after a crash either the old or the new
// content is there.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace portlib::platform {

enum class AtomicMode {
    Replace,     // rename over an existing file
    CreateOnly,  // link into place; an existing file is kept (result EEXIST)
};

// The step at which a write failed, for callers that report each one apart.
enum class AtomicStep {
    None,
    Open,     // creating the temporary file
    Write,    // writing, setting the mode, or fsync of the temporary file
    Close,
    Rename,   // putting it in place (rename or link)
    SyncDir,  // fsync of the directory after the rename
};

// Writes `bytes` to `path` with permission bits `mode` (applied exactly,
// whatever the umask). Returns 0 or an errno value; on failure *failedAt
// (when given) names the step, and the target is as it was unless only the
// directory sync failed.
int WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                        AtomicMode how = AtomicMode::Replace, AtomicStep* failedAt = nullptr);

// fsync of a directory, so that a rename or unlink in it is durable.
int SyncDirectory(const std::string& dir);

// Reads a whole file (at most maxBytes). Returns 0 or an errno value (EFBIG
// when the file is larger than maxBytes).
int ReadWholeFile(const std::string& path, std::string* out, std::size_t maxBytes);

}  // namespace portlib::platform
