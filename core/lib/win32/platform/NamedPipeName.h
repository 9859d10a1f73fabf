// Named-pipe names -> socket paths.
//
// "\\.\pipe\NAME" (the "\\.\pipe\" prefix in any case) is the socket
// $HV_SYSTEM_DIR/run/pipe/<NAME in lower case, encoded>. NT pipe names are
// case-insensitive, so the name is folded (ASCII) before it is encoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace portlib::platform {

// Longest socket path: sun_path holds 108 bytes including the NUL.
inline constexpr std::size_t kPipePathMax = 107;

// Suffix of the lock file beside each listening socket.
inline constexpr std::string_view kPipeLockSuffix = ".lock";

// The file name for a bare pipe name (the part after "\\.\pipe\"): ASCII
// letters folded to lower case, bytes other than [a-z0-9._-] written as %XX.
// "." and ".." are fully encoded, and the dot of a trailing ".lock" as well,
// so that no pipe can name the directory, its parent or another pipe's lock.
std::string EncodePipeName(std::string_view bareName);

// Maps a pipe name to its socket path. Returns 0, or
//   HV_ERROR_BAD_NETPATH (53)          a remote name "\\host\pipe\..."
//   HV_ERROR_INVALID_NAME (123)        not "\\.\pipe\NAME", or NAME empty
//   HV_ERROR_FILENAME_EXCED_RANGE (206) the path does not fit a socket address
// The path is never cut short.
// systemDir: the system directory whose pipes the name is looked up in
// (empty: this process's, SystemDir()).
int PipeNameToPath(std::string_view name, std::string* path, const std::string& systemDir = std::string());

}  // namespace portlib::platform
