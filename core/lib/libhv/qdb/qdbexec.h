// Starting outside programs: the shell that runs scripts, the event sender,
// the remote-execution program, file removal. A command line is written in
// the Win32 form the callers build ("<shell> -c \"<command>\"") and split
// into an argv by the Win32 rules; only what a caller hands to the shell
// meets a shell. argv[0] (searched in PATH when it has no "/") is started by
// the platform's spawn (platform/ProgramSpawn.h): in the root directory (a
// root it cannot enter fails the start), with its priority, an empty signal
// mask, default signal dispositions, the redirections applied and only
// descriptors 0-2, none of them closed (a closed one, a closed redirection
// and a file that cannot be opened give /dev/null).
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One redirection of a child's standard descriptor, applied in list order.
enum : int {
    HV_REDIR_READ = 0,    // open path for reading (must exist) as the target
    HV_REDIR_WRITE = 1,   // open path read/write, created when missing, not truncated
    HV_REDIR_APPEND = 2,  // as write, then positioned at the end
    HV_REDIR_CLOSE = 3,   // the target on /dev/null (a child never starts with 0-2 closed)
    HV_REDIR_DUP = 4,     // the target becomes a copy of descriptor `source`
};
struct redirection {
    int op;      // HV_REDIR_*
    int target;  // 0, 1 or 2
    union {
        const char* path;    // READ, WRITE, APPEND
        std::intptr_t source;  // DUP: 0, 1 or 2
    };
};

// What a caller hands runProgram about the child's standard descriptors
// (null: the child inherits the caller's 0-2).
struct hvstartup {
    int count;
    const redirection* list;
};

// Longest command line hvexec builds, terminator included.
inline constexpr int kHvExecLineMax = 4096;

extern "C" {

// Time of the last qdbnow.
extern std::time_t pQdb_now;

// The local time as "%c" (at most 40 characters) in a static text that the
// next call overwrites; the time is kept in pQdb_now.
const char* qdbnow(void);

// Applies priority set `which` (0 manager, 1 database daemon, 2 any other
// process) to the calling thread. Nonzero when the priority was set, 0 when
// it was refused or the set's class is neither "RT" nor "TS".
int sethvpriority(int which);

// Runs command with the shell <root>/bin/sh.exe -c and waits: every
// backslash of the command becomes "/". The exit code; 128 + the signal for
// a child killed by a signal; -1 when it cannot be started.
int run(const char* command);

// Starts command_line. wait: the exit code as run gives it; else the
// process id (the child is not the caller's, so no zombie is left). With
// set_priority the child gets priority set 2. -1 when the line is empty,
// the program is not found or cannot be executed, or a redirection is not
// one of the five kinds on 0-2 (kept report, result code 5).
int runProgram(int wait, int set_priority, const char* command_line, const hvstartup* startup);

// Formats the command line (at most kHvExecLineMax - 1 characters: a longer
// one gives -1, kept report, result code 5) and starts it with the count
// redirections, never adjusting the priority. What runProgram returns.
int hvexec(int wait, int count, const redirection* list, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // extern "C"

namespace cfgstore {

// Splits a Win32 command line into its arguments. The program name (the
// first) ends at the first blank or tab, or, when it begins with a double
// quote, at the next double quote; backslashes in it are plain characters.
// In the other arguments blanks and tabs separate outside quotes; 2n
// backslashes before a double quote give n and the quote opens or closes a
// quoted part, 2n+1 give n and a literal quote; inside quotes "" is a
// literal quote; other backslashes are plain.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The inverse for one argument (not the program name): the value itself
// when it is not empty and holds no blank, tab, newline or double quote;
// else the value in double quotes with the backslashes before a quote and at
// the end doubled and each quote escaped. SplitCommandLine gives the value
// back.
std::string QuoteCommandArg(std::string_view value);

// The nice value for a priority class text ("RT" high, "TS" normal) and a
// thread priority (clamped to -2..2): (8 - (base + priority)) * 2 with base
// 13 for "RT" and 8 for "TS", so "TS" 0 is nice 0 and each step up is 2
// nice values lower. No value for any other class text.
std::optional<int> PriorityNice(const char* prioClass, int threadPriority);

// The nice value of priority set `which` from the tunables; a set outside
// 0-2 is "TS" with priority 0.
std::optional<int> PrioritySetNice(int which);

}  // namespace cfgstore
