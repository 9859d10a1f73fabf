// The process list and the search for a running process by name, shared by
// the HV-init service, its tools and the GUI utility library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TaskListEntry {
    std::uint32_t pid;
    std::uint32_t parentPid;
    std::uint64_t createTime;     // start time in clock ticks since boot
    std::int32_t matched;         // 1 once find_pid_by_name matched it
    std::uint32_t window;         // no windows here: always 0
    char reserved[8];
    char imageName[32];           // base name of the executable, at most 31 characters
    char windowTitle[64];         // always empty here
    std::uint32_t peakVirtualSize;     // bytes, saturated at 4 GiB - 1
    std::uint32_t virtualSize;
    std::uint32_t pageFaultCount;
    std::uint32_t peakWorkingSetSize;
    std::uint32_t workingSetSize;
    std::uint32_t threadCount;
};
static_assert(sizeof(TaskListEntry) == 152);

// Replaces *entries by one entry per running process (zombies and kernel
// threads left out). Returns the count, 0 when /proc cannot be read.
int get_task_list(std::vector<TaskListEntry>* entries);

// Reads one process as get_task_list would list it. False when it is gone,
// a zombie or a kernel thread.
bool read_task_entry(int pid, TaskListEntry* entry);

namespace hvinit {

// How much of an entry to fill: the pid and image only (a process whose
// executable cannot be read is still checked to be neither a zombie nor a
// kernel thread); who the process is (pid, parent, start time, image, the
// counters /proc/<pid>/stat holds); or everything.
enum class TaskDetail { Name, Identity, Full };
bool ReadTask(int pid, TaskListEntry* entry, TaskDetail detail);
int ListTasks(std::vector<TaskListEntry>* entries, TaskDetail detail);

// How a process is known by its program: the pattern is the base name of the
// command's program part, upper-cased and cut at its first '.' (so "QDB.EXE"
// finds the process qdb), matched (match_pattern) against the image name cut
// at its first '.'. "" when the command names no program.
std::string ProgramPattern(const char* command);
bool ImageMatches(const TaskListEntry& task, const std::string& pattern);

}  // namespace hvinit

// Nothing to enable on this system: 1.
int enable_debug_privilege();

// There are no windows: leaves every window 0 and every title empty.
void get_window_titles(TaskListEntry* entries, int count);

// Kills the process of `entry` with SIGKILL through a pidfd, once it has
// checked that the pid still shows the image and start time listed. 1 when
// the signal was sent, 0 otherwise. `force` changes nothing: there is no
// window to ask politely.
int kill_task(const TaskListEntry* entry, int force);

// Wildcard match of a whole name: '*' any run, '?' any one character, "[...]"
// one character of the class (ranges a-b; an unclosed class matches any one
// character); every other pattern character must equal the name's character
// upper-cased. 1 on a match, else 0.
int match_pattern(const char* name, const char* pattern);

// Pid of the last listed process, other than the caller, whose image name cut
// at its first '.' matches the pattern: the base name of the command's program
// part, upper-cased and cut at its first '.'. -1 when none matches.
int find_pid_by_name(const char* command);

// The group number HV-init has for a process (null: a new free number).
// -2 when HV-init is not running, the name is 256 characters or longer, or
// the request fails.
int getgroupnum(const char* name);
