// Starting a program as a child through posix_spawn with file actions, so
// the child of a threaded caller runs no code of ours before the exec. Every
// program starts with an empty signal mask, every signal at its default
// action and only descriptors 0-2 open; one of those that is closed in the
// caller, or that a redirection closes, is /dev/null instead. It starts in
// the directory asked for (one it cannot enter fails the start) and, where
// asked, in a session of its own.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace portlib::platform {

// One change of a standard descriptor, applied in list order.
struct StdRedirect {
    enum Op { kOpen, kDup, kNull };
    Op op = kNull;
    int target = 0;     // 0, 1 or 2
    std::string path;   // kOpen: opened by the caller, so a file that cannot be opened gives /dev/null
    int flags = 0;      // kOpen: the O_* flags
    int mode = 0666;    // kOpen: the mode of a file O_CREAT makes
    bool toEnd = false; // kOpen: positioned at the end of the file
    int source = -1;    // kDup: a descriptor of the caller, or 0-2 as the child has it by then
};

struct SpawnSpec {
    std::string program;            // the file executed, never searched for
    std::vector<std::string> argv;  // argv[0] included
    std::vector<std::string> env;   // the whole environment
    std::string workDir;            // "" keeps the caller's
    bool newSession = false;
    std::optional<int> nice;        // a refusal is ignored
    std::vector<StdRedirect> redirects;
};

// The program as the caller's child, which the caller reaps. 0 with its
// pid, or the errno of the start (the directory's and the exec's included).
int SpawnChild(const SpawnSpec& spec, pid_t* pid);

// The program as the child of a short-lived middle process reaped here, so
// the caller is left with no child and no zombie. 0 with its pid, or the
// errno of the start.
int SpawnDetached(const SpawnSpec& spec, pid_t* pid);

// The caller's environment with changes: (name, value) sets, (name, null)
// removes; what is set comes last, in the order given.
std::vector<std::string> ChangedEnvironment(const std::vector<std::pair<std::string, const char*>>& changes);

}  // namespace portlib::platform
