// Building action-script command lines whose values come from the
// database (tags, identifiers, system names, caller arguments): each value
// is quoted so that the shell passes it to the script unchanged, and the
// whole command is quoted again for the outer "<shell> -c <command>" line.
#pragma once

#include <string>
#include <string_view>

namespace cfgstore {

// 'value' for the shell; a single quote inside becomes '\''. An ordinary
// value gives exactly 'value'.
std::string ShellSingleQuoted(std::string_view value);

// "value" for the shell, with \ before each $, `, " and \ inside. An
// ordinary value gives exactly "value".
std::string ShellDoubleQuoted(std::string_view value);

// Runs command through <root>/bin/sh.exe -c and waits, the command passed
// as one argument whatever quotes it holds. The exit status (128 + signal
// for a killed child), -1 when it cannot be started.
int RunShellCommand(const std::string& command);

}  // namespace cfgstore
