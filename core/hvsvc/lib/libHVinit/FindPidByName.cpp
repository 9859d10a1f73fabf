// Finding a running process by the name of its program.
#include "ProcessList.h"
#include "UnixPath.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unistd.h>

int find_pid_by_name(const char* command) {
    if (command == nullptr) return -1;
    // The pattern: the program part's base name, upper-cased, cut at its first
    // '.' as image names are, so that "QDB.EXE" finds the process qdb.
    std::string program(command, std::strcspn(command, "|"));
    std::string pattern = portlib::basename(program.data());
    pattern.resize(std::strcspn(pattern.c_str(), "."));
    for (char& c : pattern) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (pattern.empty()) return -1;

    enable_debug_privilege();
    std::vector<TaskListEntry> tasks;
    // The search needs only each process's pid and image.
    hvinit::ListTasks(&tasks, hvinit::TaskDetail::Name);
    get_window_titles(tasks.data(), static_cast<int>(tasks.size()));
    const auto self = static_cast<std::uint32_t>(::getpid());
    int found = -1;
    for (TaskListEntry& t : tasks) {
        if (t.pid == self) continue;
        char image[sizeof t.imageName];
        std::memcpy(image, t.imageName, sizeof image);
        image[std::strcspn(image, ".")] = '\0';
        if (match_pattern(image, pattern.c_str()) ||
            (t.windowTitle[0] != '\0' && match_pattern(t.windowTitle, pattern.c_str()))) {
            t.matched = 1;
            found = static_cast<int>(t.pid);
        }
    }
    return found;
}
