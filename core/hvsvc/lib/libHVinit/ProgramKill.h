// Killing a process known by its pid and its program, where the pid may have
// been reused since it was learnt: Linux hands out an ended process's pid
// again, so the pid is first pinned with a pidfd, then its image is checked
// against the program, and only then is SIGKILL sent through that pidfd.
#pragma once

// 1 when the process `pid` runs the program part of `command`, by the rule
// find_pid_by_name finds it (ProgramPattern, ImageMatches). Ask it only while
// the pid is pinned (a pidfd is open), or the answer may be about another
// process.
int pid_runs_program(int pid, const char* command);

// 1 when `pid` (above 1) runs the program part of `command` and was sent
// SIGKILL; 0 otherwise.
int kill_program_pid(int pid, const char* command);
