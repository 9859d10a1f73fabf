// The script runner: words as a shell splits them, never run by a shell;
// output lines bounded; exit codes and signals; extra environment per run.
#include "ProcessScriptRunner.h"
#include "ScriptFixture.h"
#include "ScriptWords.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <future>
#include <thread>

namespace panelaid {
namespace {

TEST(ScriptWordsTest, SplitsAsAShellWithoutExpanding) {
    struct Case {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"SYSA SYSB db1 4242", {"SYSA", "SYSB", "db1", "4242"}},
        {"  lead\t\ttabs  trail  ", {"lead", "tabs", "trail"}},
        {"", {}},
        {"'a b' \"c d\" e\\ f", {"a b", "c d", "e f"}},
        {"'' \"\" x", {"", "", "x"}},
        {"'it'\\''s'", {"it's"}},
        {"it\"'\"s", {"it's"}},
        {"\"a\\\"b\\$c\\`d\\\\e\\nf\"", {"a\"b$c`d\\e\\nf"}},
        {"$(rm -rf /) ; `id` a|b *", {"$(rm", "-rf", "/)", ";", "`id`", "a|b", "*"}},
        {"line\\\ncontinued", {"linecontinued"}},
        {"end\\", {"end\\"}},
        {"a'b'c\"d\"e", {"abcde"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words{"stale"};
        EXPECT_TRUE(SplitScriptWords(c.text, &words)) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
    for (const char* unclosed : {"'open", "a \"open", "\"esc\\\"", "ok 'x"}) {
        std::vector<std::string> words{"stale"};
        EXPECT_FALSE(SplitScriptWords(unclosed, &words)) << unclosed;
        EXPECT_TRUE(words.empty());
    }
}

TEST(ScriptWordsTest, AQuotedWordSplitsBackToItself) {
    for (const std::string text : {"SYSA", "", "two words", "it's", "''", "a\"b", "$(id);`id`|*", "tab\tnew\nline",
                                   "back\\", "-n"}) {
        std::vector<std::string> words;
        ASSERT_TRUE(SplitScriptWords(ScriptWord(text) + " next", &words)) << text;
        EXPECT_EQ(words, (std::vector<std::string>{text, "next"})) << text;
    }
    EXPECT_EQ(ScriptWord("db_1.x"), "db_1.x");
}

class ScriptRunnerTest : public ::testing::Test {
protected:
    ScriptRoot root_;
    BlockingWaitPump pump_;
    ProcessScriptRunner runner_{[this] { return root_.Path(); }, pump_};

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        while (runner_.LinesLeft() > 0) lines.push_back(runner_.NextLine());
        return lines;
    }
};

TEST_F(ScriptRunnerTest, ShellTextReachesTheScriptAsPlainWords) {
    root_.Script("/admin/bin/Echo", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n");
    ASSERT_EQ(runner_.Execute("/admin/bin/Echo", "SYSA '$(touch pwned)' ; `touch pwned2` \"a b\""), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"SYSA", "$(touch pwned)", ";", "`touch", "pwned2`", "a b"}));
    EXPECT_FALSE(root_.Exists("/pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned2"));
    EXPECT_EQ(runner_.NextLine(), "");  // none left
}

TEST_F(ScriptRunnerTest, ResultsOfExitCodesSignalsMissingScriptsAndUnclosedQuotes) {
    root_.Script("/admin/bin/Fail", "echo partial\nexit 2\n");
    root_.Script("/admin/bin/Killed", "echo before\nkill -9 $$\n");
    root_.Script("/admin/bin/Touch", "touch \"$0.ran\"\n");
    EXPECT_EQ(runner_.Execute("/admin/bin/Fail", ""), 2);
    EXPECT_EQ(Lines(), std::vector<std::string>{"partial"});
    EXPECT_EQ(runner_.Execute("/admin/bin/Killed", ""), 128 + 9);
    EXPECT_EQ(Lines(), std::vector<std::string>{"before"});
    EXPECT_EQ(runner_.Execute("/admin/bin/Missing", "a"), -1);
    EXPECT_EQ(runner_.LinesLeft(), 0);
    EXPECT_EQ(runner_.Execute("/admin/bin/Touch", "'unclosed"), -1);
    EXPECT_FALSE(root_.Exists("/admin/bin/Touch.ran"));
    EXPECT_EQ(runner_.Execute("/admin/bin/Touch", "closed"), 0);
    EXPECT_TRUE(root_.Exists("/admin/bin/Touch.ran"));
}

TEST_F(ScriptRunnerTest, ExtraEnvironmentHoldsForOneRunOnly) {
    root_.Script("/admin/bin/Env", "echo \"${HV_TEST_VAR-unset}\"; echo \"${PATH:+path}\"\n");
    ASSERT_EQ(runner_.Execute("/admin/bin/Env", "", {{"HV_TEST_VAR", "given"}, {"BAD=NAME", "x"}}), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"given", "path"}));
    ASSERT_EQ(runner_.Execute("/admin/bin/Env", ""), 0);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"unset", "path"}));
}

TEST_F(ScriptRunnerTest, OutputBeyondOneMebibyteIsDroppedAndTheScriptStillEnds) {
    // 100 MiB of 1 KiB lines, then an exit code.
    root_.Script("/admin/bin/Flood", "head -c 104857600 /dev/zero | tr '\\0' 'x' | fold -w 1023\nexit 3\n");
    EXPECT_EQ(runner_.Execute("/admin/bin/Flood", ""), 3);
    EXPECT_EQ(runner_.LinesLeft(), 1024);  // exactly 1 MiB of 1024-byte lines
    EXPECT_EQ(runner_.NextLine(), std::string(1023, 'x'));
    // All the rest (fold's newlines included) was read and dropped.
    EXPECT_GT(runner_.DroppedBytes(), 100u * 1024 * 1024 - OutputLines::kKeptBytes);
    EXPECT_LT(runner_.DroppedBytes(), 101u * 1024 * 1024 - OutputLines::kKeptBytes);
    // A short script afterwards starts afresh.
    root_.Script("/admin/bin/One", "echo one\n");
    EXPECT_EQ(runner_.Execute("/admin/bin/One", ""), 0);
    EXPECT_EQ(Lines(), std::vector<std::string>{"one"});
    EXPECT_EQ(runner_.DroppedBytes(), 0u);
}

// True when pid has ended: gone, or a zombie not yet reaped by its parent.
bool Ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return true;
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

pid_t PidIn(const std::string& path) {
    std::ifstream file(path);
    pid_t pid = 0;
    file >> pid;
    return pid;
}

TEST_F(ScriptRunnerTest, ARunPastItsTimeLimitIsKilledWithWhatItStarted) {
    // The script leaves a child of its own that would outlive it.
    root_.Script("/admin/bin/Hang",
                 "sleep 600 &\necho $! > \"$0.sleep\"\necho $$ > \"$0.pid\"\necho started\nwait\n");
    const std::string base = root_.Path() + "/admin/bin/Hang";
    auto run = std::async(std::launch::async, [this] { return runner_.ExecuteWithin(2000, "/admin/bin/Hang", ""); });
    if (run.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        ::kill(-PidIn(base + ".pid"), SIGKILL);
        run.wait();
        FAIL() << "the time limit did not end the run";
    }
    EXPECT_EQ(run.get(), -1);
    EXPECT_TRUE(runner_.LastRunTimedOut());
    const pid_t script = PidIn(base + ".pid");
    const pid_t sleeper = PidIn(base + ".sleep");
    ASSERT_GT(script, 0);
    ASSERT_GT(sleeper, 0);
    EXPECT_TRUE(Ended(script));
    // The orphaned sleeper was killed with its group; its new parent reaps it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!Ended(sleeper) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(Ended(sleeper));
    if (!Ended(sleeper)) ::kill(sleeper, SIGKILL);

    // Runs that end in time keep their result and output, with a limit or without.
    root_.Script("/admin/bin/Quick", "echo quick\nexit 3\n");
    for (const unsigned limit : {0u, 60000u}) {
        EXPECT_EQ(runner_.ExecuteWithin(limit, "/admin/bin/Quick", ""), 3) << limit;
        EXPECT_FALSE(runner_.LastRunTimedOut()) << limit;
        EXPECT_EQ(Lines(), std::vector<std::string>{"quick"}) << limit;
    }
}

TEST_F(ScriptRunnerTest, ABackgroundChildThatKeepsTheOutputOpenDoesNotHoldTheRun) {
    root_.Script("/admin/bin/Leaves", "sleep 30 &\necho $! > \"$0.pid\"\necho done\nexit 0\n");
    EXPECT_EQ(runner_.Execute("/admin/bin/Leaves", ""), 0);
    EXPECT_EQ(Lines(), std::vector<std::string>{"done"});
    std::ifstream pidFile(root_.Path() + "/admin/bin/Leaves.pid");
    pid_t pid = 0;
    pidFile >> pid;
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
}

}  // namespace
}  // namespace panelaid
