// The command line of a stand-in program that takes no arguments.
#pragma once

// -1 to go on when there is no argument; else the exit code: 0 after the
// usage on standard output for -h or --help, 1 after an unknown argument
// and the usage on standard error.
int NoArgumentsOrUsage(int argc, char** argv, const char* program, const char* usage);
