// What the object-persistence tools share: each is one client call behind a
// small command line, described by a PreserveTool record and run by
// RunPreserveTool.
#pragma once

namespace hvtools {

struct PreserveTool {
    const char* options;    // getopt's option string; letters in either case where it lists both
    bool takesPid;          // -p <pid> instead of -n <name>
    const char* usage;      // printed with the program's name, then exit 1
    const char* firstLine;  // verbose line before the call (name or pid), or null
    const char* resultLine; // verbose line after it: the result, or the pid and the result
    bool resultLineShowsPid;
    // The client call; force is 1 with -f.
    int (*call)(const char* name, long pid, int force);
};

// Parses the command line, calls the client and gives the exit code: 0 when
// the call returned 0, 1 on a usage error or any other result. --help alone
// prints the usage and gives 0.
int RunPreserveTool(int argc, char** argv, const PreserveTool& tool);

}  // namespace hvtools
