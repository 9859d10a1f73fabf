// The classic single-character option parser, with its state under portlib's
// own names (poptarg, poptind, popterr, poptopt) so that libc's getopt and
// optarg stay untouched. One thread at a time.
#pragma once

namespace portlib {

extern char* poptarg;  // argument of the option returned last; null when it has none
extern int popterr;    // 0: print no messages (initially 1)
extern int poptind;    // index of the next argument to look at (initially 1)
extern int poptopt;    // the option character seen last

// Returns the next option character, '?' for a character not in `opts` or a
// missing argument (the message "<argv[0]>: illegal option - c" or
// "<argv[0]>: option requires an argument - c" goes to the standard output
// while popterr is set), -1 at the end of the options ("--" is consumed).
int getopt(int argc, char** argv, const char* opts);

}  // namespace portlib
