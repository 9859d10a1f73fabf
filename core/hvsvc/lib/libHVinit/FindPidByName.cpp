// Finding a running process by the name of its program.
#include "ProcessList.h"
#include "UnixPath.h"

#include <cctype>
#include <cstring>
#include <string>
#include <unistd.h>

namespace hvinit {

std::string ProgramPattern(const char* command) {
    if (command == nullptr) return std::string();
    std::string program(command, std::strcspn(command, "|"));
    std::string pattern = portlib::basename(program.data());
    pattern.resize(std::strcspn(pattern.c_str(), "."));
    for (char& c : pattern) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return pattern;
}

bool ImageMatches(const TaskListEntry& task, const std::string& pattern) {
    char image[sizeof task.imageName];
    std::memcpy(image, task.imageName, sizeof image);
    image[sizeof image - 1] = '\0';
    image[std::strcspn(image, ".")] = '\0';
    return !pattern.empty() && match_pattern(image, pattern.c_str()) == 1;
}

}  // namespace hvinit

int find_pid_by_name(const char* command) {
    const std::string pattern = hvinit::ProgramPattern(command);
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
        if (hvinit::ImageMatches(t, pattern) ||
            (t.windowTitle[0] != '\0' && match_pattern(t.windowTitle, pattern.c_str()))) {
            t.matched = 1;
            found = static_cast<int>(t.pid);
        }
    }
    return found;
}
