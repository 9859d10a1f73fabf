// The process list and the search by name, on real processes: the probe
// program copied under names unique to this test process.
#include "ProcessList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A started copy of the probe; killed and reaped at the end.
class Probe {
public:
    Probe(const fs::path& program, std::vector<std::string> args) {
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        std::vector<std::string> argvText = {program.string()};
        argvText.insert(argvText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argvText) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        stdin_ = in[1];
    }
    ~Probe() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Reap();
        }
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    pid_t pid() const { return pid_; }
    int Reap() {
        int status = 0;
        if (pid_ > 0) ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};

// Waits (bounded) until pid's state letter in /proc is `state`.
bool WaitForState(pid_t pid, char state) {
    for (int i = 0; i < 500; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
        if (FILE* f = std::fopen(path, "r")) {
            char line[512] = {};
            const bool got = std::fgets(line, sizeof line, f) != nullptr;
            std::fclose(f);
            const char* close = std::strrchr(line, ')');
            if (got && close != nullptr && close[1] == ' ' && close[2] == state) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Waits (bounded) until the process list shows pid with image `image`.
bool WaitListed(pid_t pid, const std::string& image) {
    for (int i = 0; i < 500; ++i) {
        TaskListEntry e;
        if (read_task_entry(pid, &e) && image == e.imageName) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class ProcessList : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/hvplXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        tag_ = "hvt" + std::to_string(::getpid());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The probe copied as <dir>/<tag><suffix>.
    fs::path Copy(const std::string& suffix) {
        const fs::path to = dir_ / (tag_ + suffix);
        fs::copy_file(HV_PROBE_BIN, to, fs::copy_options::overwrite_existing);
        return to;
    }
    // Starts a copy and waits until it runs under its own image.
    std::unique_ptr<Probe> Start(const fs::path& program, std::vector<std::string> args = {"wait"}) {
        auto p = std::make_unique<Probe>(program, std::move(args));
        EXPECT_GT(p->pid(), 0);
        EXPECT_TRUE(WaitListed(p->pid(), program.filename().string().substr(0, 31)));
        return p;
    }
    std::string Upper(std::string s) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }
    // What `probe find <command>` prints when run under the copy `program`.
    int FindFrom(const fs::path& program, const std::string& command) {
        const std::string out = (dir_ / "find.out").string();
        const std::string cmd = program.string() + " find '" + command + "' > " + out;
        if (std::system(cmd.c_str()) != 0) return -100;
        FILE* f = std::fopen(out.c_str(), "r");
        int pid = -100;
        if (f != nullptr) {
            if (std::fscanf(f, "%d", &pid) != 1) pid = -100;
            std::fclose(f);
        }
        return pid;
    }

    fs::path dir_;
    std::string tag_;
};

TEST_F(ProcessList, ListsThisProcessWithItsCounters) {
    std::vector<TaskListEntry> tasks;
    ASSERT_GT(get_task_list(&tasks), 1);
    const TaskListEntry* self = nullptr;
    for (const TaskListEntry& t : tasks) {
        if (t.pid == static_cast<std::uint32_t>(::getpid())) self = &t;
        EXPECT_NE(t.pid, 2u) << "kthreadd is a kernel thread";
        EXPECT_LT(std::strlen(t.imageName), sizeof t.imageName);
        EXPECT_EQ(t.window, 0u);
        EXPECT_EQ(t.windowTitle[0], '\0');
    }
    ASSERT_NE(self, nullptr);
    const std::string exe = fs::read_symlink("/proc/self/exe").filename().string().substr(0, 31);
    EXPECT_EQ(exe, self->imageName);
    EXPECT_EQ(self->parentPid, static_cast<std::uint32_t>(::getppid()));
    EXPECT_GT(self->createTime, 0u);
    EXPECT_GE(self->threadCount, 1u);
    EXPECT_GT(self->virtualSize, 0u);
    EXPECT_GE(self->peakVirtualSize, self->virtualSize > 0 ? 1u : 0u);
    EXPECT_GT(self->workingSetSize, 0u);
    EXPECT_GE(self->peakWorkingSetSize, self->workingSetSize / 2);
    EXPECT_GT(self->pageFaultCount, 0u);
    EXPECT_EQ(enable_debug_privilege(), 1);
}

TEST_F(ProcessList, FindsARunningProgramByItsName) {
    const fs::path qdb = Copy("qdb");
    const fs::path note = Copy("note.exe");
    auto a = Start(qdb);
    auto b = Start(note);
    const std::string q = qdb.filename().string();
    struct Case {
        std::string command;
        pid_t pid;
    };
    const Case cases[] = {
        {qdb.string(), a->pid()},
        {q, a->pid()},
        {q + ".EXE", a->pid()},                  // the pattern's extension is cut as the image's is
        {"C:\\hv\\bin\\" + q + ".exe", a->pid()},
        {qdb.string() + "|-a -b", a->pid()},
        {Upper(q), a->pid()},
        {Upper(tag_) + "Q*", a->pid()},
        {Upper(tag_) + "NOTE*", b->pid()},       // image note.exe, compared as NOTE
        {tag_ + "note", b->pid()},
        {tag_ + "note.exe|x", b->pid()},
        {tag_ + "qd", -1},
        {tag_ + "zz", -1},
        {"", -1},
        {"|" + q, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(find_pid_by_name(c.command.c_str()), c.pid) << c.command;
    EXPECT_EQ(find_pid_by_name(nullptr), -1);
}

TEST_F(ProcessList, TheLastListedMatchWins) {
    const fs::path qdb = Copy("dup");
    auto a = Start(qdb);
    auto b = Start(qdb);
    std::vector<TaskListEntry> tasks;
    get_task_list(&tasks);
    pid_t last = -1;
    for (const TaskListEntry& t : tasks)
        if (t.pid == static_cast<std::uint32_t>(a->pid()) || t.pid == static_cast<std::uint32_t>(b->pid()))
            last = static_cast<pid_t>(t.pid);
    EXPECT_EQ(find_pid_by_name(qdb.c_str()), last);
}

TEST_F(ProcessList, TheCallerNeverFindsItself) {
    const fs::path self = Copy("self");
    EXPECT_EQ(FindFrom(self, self.string()), -1);
    auto other = Start(self);
    EXPECT_EQ(FindFrom(self, self.string()), other->pid());
}

TEST_F(ProcessList, ZombiesAreSkipped) {
    const fs::path gone = Copy("gone");
    Probe zombie(gone, {"exit"});
    ASSERT_TRUE(WaitForState(zombie.pid(), 'Z'));
    EXPECT_EQ(find_pid_by_name(gone.c_str()), -1);
    TaskListEntry e;
    EXPECT_FALSE(read_task_entry(zombie.pid(), &e));
    zombie.Reap();
}

TEST_F(ProcessList, KillTaskKillsOnlyTheProcessListed) {
    const fs::path prog = Copy("kill");
    auto p = Start(prog);
    TaskListEntry entry;
    ASSERT_TRUE(read_task_entry(p->pid(), &entry));

    TaskListEntry otherImage = entry;
    std::strcpy(otherImage.imageName, "bash");
    EXPECT_EQ(kill_task(&otherImage, 1), 0);
    TaskListEntry otherStart = entry;
    otherStart.createTime += 1;  // the same pid and name, started at another time: another process
    EXPECT_EQ(kill_task(&otherStart, 0), 0);
    EXPECT_TRUE(WaitForState(p->pid(), 'S'));  // still there

    EXPECT_EQ(kill_task(&entry, 0), 1);
    const int status = p->Reap();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(kill_task(&entry, 1), 0);  // gone
    EXPECT_EQ(kill_task(nullptr, 1), 0);
}

}  // namespace
