// Runs a piece of code in a child process whose standard output and error go
// to files, on a fresh system directory, and hands back what it wrote: the
// two streams, the event log lines and how it ended. The library's program
// identity is per process, so every test that sets it runs in a child.
#pragma once

#include "TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace cfgtest {

struct EventLine {
    std::string source, type, text;
    unsigned category = 0;
    unsigned long id = 0;
};

struct ChildResult {
    int exitCode = -1;  // -1 when it did not exit normally
    int signal = 0;
    std::string out, err, note;
    std::vector<EventLine> events;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::vector<EventLine> ParseEventLog(const std::string& text) {
    std::vector<EventLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::size_t pos = 0;
        for (int i = 0; i < 5; ++i) {
            std::size_t tab = line.find('\t', pos);
            if (tab == std::string::npos) break;
            f.push_back(line.substr(pos, tab - pos));
            pos = tab + 1;
        }
        if (f.size() != 5) continue;
        EventLine e;
        e.source = f[1];
        e.type = f[2];
        e.category = static_cast<unsigned>(std::stoul(f[3]));
        e.id = std::stoul(f[4], nullptr, 16);
        e.text = line.substr(pos);
        lines.push_back(e);
    }
    return lines;
}

// The child may write a short note for the parent with Note().
inline int& NoteFd() {
    static int fd = -1;
    return fd;
}
inline void Note(const std::string& text) {
    if (NoteFd() >= 0) {
        ssize_t n = ::write(NoteFd(), text.data(), text.size());
        (void)n;
    }
}

// `body` runs in the child; its return value is the exit code. Uses the
// current HV_SYSTEM_DIR (a TempSystemDir of the test) for the files.
inline ChildResult RunChild(const std::function<int()>& body) {
    const char* sys = std::getenv("HV_SYSTEM_DIR");
    std::string dir = sys ? sys : "/tmp";
    static int serial = 0;
    std::string tag = dir + "/child" + std::to_string(++serial);
    std::string outPath = tag + ".out", errPath = tag + ".err", notePath = tag + ".note";
    std::string logPath = dir + "/log/eventlog";
    std::remove(logPath.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = ::fork();
    if (pid == 0) {
        int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        NoteFd() = ::open(notePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (o < 0 || e < 0 || NoteFd() < 0) ::_exit(120);
        ::dup2(o, STDOUT_FILENO);
        ::dup2(e, STDERR_FILENO);
        int rc = body();
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(rc);
    }
    ChildResult r;
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return r;
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    r.note = ReadFile(notePath);
    r.events = ParseEventLog(ReadFile(logPath));
    return r;
}

inline int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size())) ++n;
    return n;
}

}  // namespace cfgtest
