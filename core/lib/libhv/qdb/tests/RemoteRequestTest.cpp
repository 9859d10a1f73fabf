// Remote requests: the reading of a reply and of a remote execution's
// result as tables, then requests through a real manager to a real daemon
// of one system (NODE1), the requester in a child process.
#include "ChildReport.h"
#include "OneSystemFixture.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <csignal>

#include <sstream>

#include <cstring>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

using cfgtest::ChildResult;
using cfgtest::Note;
using cfgtest::RunChild;

namespace {

TEST(ReplyReading, EachFormOfAnAnswer) {
    const struct {
        const char* what;
        bStr data;
        int rc;
        int err;            // Qdb_errno afterwards
        const char* text;   // the text after '$' (null: none)
        const char* errText;  // found in the error text
    } cases[] = {
        {"success with text", bStr("$result"), 0, 0, "result", nullptr},
        {"success without text", bStr::FromBytes("!\0", 2), 0, 0, nullptr, nullptr},
        {"error 7 with text", bStr::FromBytes("!\x07no such thing", 15), -1, 7, nullptr, "no such thing"},
        {"no data", bStr(), -1, QDB_MES, nullptr, "no data"},
        {"empty data", bStr(""), -1, -2, nullptr, "zero length"},
        {"unknown first byte", bStr("?x"), -1, -2, nullptr, "unknown message type=63('?')"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qdberrclr();
        const char* text = nullptr;
        int len = 0;
        EXPECT_EQ(cfgstore::InterpretReply(c.data, "test", "mailbox PM1.1", "by machine \"N\"", &text, &len), c.rc);
        if (c.err >= 0) {
            EXPECT_EQ(Qdb_errno, c.err);
        } else {
            EXPECT_NE(Qdb_errno, 0);
        }
        if (c.text) {
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::string(text, static_cast<std::size_t>(len)), c.text);
        } else {
            EXPECT_EQ(text, nullptr);
        }
        if (c.errText) {
            ASSERT_NE(Qdb_errbuf, nullptr);
            EXPECT_NE(std::strstr(Qdb_errbuf, c.errText), nullptr) << Qdb_errbuf;
        }
    }
    qdberrclr();
}

TEST(RemoteExecResult, SplitInPlace) {
    const std::string m = kQdbRetMarker;
    const struct {
        std::string reply;
        bool withErrBuf;
        int rc, ret;
        const char* out;
        const char* err;
    } cases[] = {
        {"abc" + m + "3" + m + "oops", true, 0, 3, "abc", "oops"},
        {"abc" + m + "3" + m + "oops", false, 0, 3, "abc", nullptr},
        {"" + m + "-2", true, 0, -2, "", ""},  // no second marker: empty error text
        {"line1\nline2\n" + m + "0" + m, true, 0, 0, "line1\nline2\n", ""},
        {"no marker here", true, -1, 99, "no marker here", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        qdberrclr();
        std::vector<char> buf(c.reply.begin(), c.reply.end());
        buf.push_back('\0');
        char err[64] = "";
        int ret = 99;
        EXPECT_EQ(qdbgetret(buf.data(), c.withErrBuf ? err : nullptr, &ret), c.rc);
        EXPECT_EQ(ret, c.ret);
        EXPECT_STREQ(buf.data(), c.out);
        if (c.withErrBuf) {
            EXPECT_STREQ(err, c.err);
        }
        if (c.rc != 0) {
            EXPECT_EQ(Qdb_errno, QDB_ARGS);
        }
    }
    int ret = 0;
    qdberrclr();
    EXPECT_EQ(qdbgetret(nullptr, nullptr, &ret), -1);
    char text[] = "x";
    EXPECT_EQ(qdbgetret(text, nullptr, nullptr), -1);
    qdberrclr();
    EXPECT_EQ(rem_exec("NODE1", "true", nullptr, nullptr), -1);
    EXPECT_EQ(Qdb_errno, QDB_ARGS);
    qdberrclr();
}

using RemoteRequests = qdbfixture::OneSystemTest;

TEST_F(RemoteRequests, TheDaemonAnswersEachKindOfRequest) {
    const std::string note = Client([] {
        char reply[kQdbMesMax];
        std::string out;
        // Is a process alive: this one, and one that cannot exist.
        out += Result(qdbsendremote(reply, nullptr, '@', 'h', "%d", static_cast<int>(::getpid()))) + ":" + reply + ",";
        out += Result(qdbsendremote(reply, "NODE1", '@', 'h', "%d", 0x3FFFFFF0)) + ":" + reply + ",";
        // Write the tables: a success without text.
        out += Result(qdbsendremote(nullptr, nullptr, '@', 'b', nullptr, "", 0)) + ",";
        // Letters the daemon does not serve are refused with 5, not left waiting.
        out += Result(qdbsendremote(reply, nullptr, '@', 'z', "%s", "x")) + ",";
        out += Result(qdbsendremote(reply, nullptr, 'A', 'a', "%s", "sys")) + ",";
        // A reply larger than the caller's buffer is refused, not copied.
        out += Result(cfgstore::SendRemote(reply, 1, nullptr, '@', 'h', "1", 1)) + ",";
        // A system that cannot be reached.
        out += Result(qdbsendremote(reply, "NOSUCH", '@', 'h', "%d", 1));
        return out;
    });
    EXPECT_EQ(note, "0/0:1,0/0:0,0/0,-1/5,-1/5,-1/9,-1/9");
}

TEST_F(RemoteRequests, ARemoteRemoveOrRestoreFirstMarksItsActionLocally) {
    const std::string note = Client([] {
        char reply[kQdbMesMax];
        std::string out;
        // The daemon answers these letters from a worker (an empty list does
        // nothing); the marks are made before sending.
        out += Result(qdbsendremote(reply, "NODE1", '@', '&', "%s", "x")) + ",";
        out += std::to_string(flg_test(nullptr, "!remove!NODE1", 0)) + ",";
        out += std::to_string(flg_test(nullptr, "!restore!NODE1", 0)) + ",";
        out += Result(qdbsendremote(reply, "NODE1", '@', '>', "%s", "x")) + ",";
        out += std::to_string(flg_test(nullptr, "!restore!NODE1", 0)) + ",";
        // A mark that is there already: the request still goes, answered as before.
        out += Result(qdbsendremote(reply, "NODE1", '@', '&', "%s", "x"));
        return out;
    });
    EXPECT_EQ(note, "0/0,0,1,0/0,0,0/0");
}

TEST_F(RemoteRequests, CacheUpdatesAndNoReplyAreNeverAnswered) {
    const std::string note = Client([] {
        ProxyPostOffice proxy;
        std::string out;
        // A cache update with a reply mailbox: the daemon serves requests in
        // order, so once the next request is answered the first was handled.
        proxy.CreateMailBox("watch");
        const char update[] = {'A', 'j', 'a', 'N', 'O', 'D', 'E', '2'};
        out += Result(qdbsendmes(0, "NODE1", "watch", "NODE1", gps(3), update, sizeof update)) + ",";
        out += Result(qdbsendremote(nullptr, nullptr, '@', 'h', "%d", static_cast<int>(::getpid()))) + ",";
        out += std::to_string(proxy.IsMboxEmpty("watch")) + ",";
        // qdbsendret and qdbsenderr send nothing to "no_reply".
        proxy.CreateMailBox(kQdbNoReply);
        MessagePtr request(new Message("@h1"));
        request->SetReplyToSys("NODE1");
        request->SetReplyToMbox(kQdbNoReply);
        out += std::to_string(qdbsendret(request, "%s", "text")) + ",";
        Qdb_errno = 7;
        out += std::to_string(qdbsenderr(request)) + ",";
        qdberrclr();
        // One that does want the answer gets it, so the mailbox test is fair.
        request->SetReplyToMbox("watch");
        qdbsendret(request, "%s", "to watch");
        MessagePtr got = proxy.RcvFromMbox("watch", 1);
        out += std::string(got.Ok() ? got->GetDataStr().StrVal() : "none") + ",";
        out += std::to_string(proxy.IsMboxEmpty(kQdbNoReply));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0,0,0,$to watch,0");
}

TEST_F(RemoteRequests, RemoteExecutionRunsQdbdorem) {
    const std::string note = Client([] {
        char reply[kQdbMesMax], err[kQdbMesMax];
        std::string out;
        const int ret = rem_exec(nullptr, "echo hello; echo 'bad \"news\"' >&2; exit 3", reply, err);
        out += std::to_string(ret) + "|" + reply + "|" + err + "|";
        out += std::to_string(rem_exec("NODE1", "printf %s $HVROOT", reply, nullptr)) + "|" + reply;
        return out;
    });
    EXPECT_EQ(note, "3|hello\n|bad \"news\"\n|0|" + root_);
    // qdbdorem's own output goes to out/remote_execute below the root. It
    // writes its line after answering, so the second line may still be on its
    // way when the answer has arrived: wait for it (at most 20 s).
    int lines = 0;
    qdbfixture::Eventually(
        [&] { return (lines = cfgtest::Count(cfgtest::ReadFile(root_ + "/out/remote_execute"), "qdbdorem: ")) >= 2; },
        20000);
    EXPECT_EQ(lines, 2);
    // A log: no one outside the owner and the administrators' group reads it.
    struct stat st {};
    ASSERT_EQ(::stat((root_ + "/out/remote_execute").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 027, 0u) << std::oct << (st.st_mode & 07777);
    // The payload letter says whether an error buffer was given.
    const std::string log = Out(daemon_);
    EXPECT_NE(log.find("qdb: request @aEecho hello"), std::string::npos) << log;
    EXPECT_NE(log.find("qdb: request @aOprintf"), std::string::npos) << log;
}

// qdbdorem's shell: its input /dev/null, an empty signal mask, default
// dispositions and descriptors 0-2 only; and the answer goes when the shell
// ends, while a program it left in the background still holds its output.
TEST_F(RemoteRequests, QdbdoremAnswersWhenItsShellEndsNotWhenTheOutputCloses) {
    const std::string bgPid = root_ + "/bg.pid";
    const std::string note = Client([&] {
        char reply[kQdbMesMax], err[kQdbMesMax];
        const std::string probe =
            // Read with builtins only: a shell blocks every signal for the
            // moment it forks, so a child reading the shell's status could
            // catch that moment.
            "while read -r l; do case $l in SigBlk*|SigIgn*) echo \"$l\";; esac; done < /proc/$$/status; "
            "ls /proc/$$/fd; readlink /proc/$$/fd/0; "
            "echo started; sleep 60 & echo $! > " + bgPid;
        const int ret = rem_exec(nullptr, probe.c_str(), reply, err);
        // The answer is here: the background program must still be running.
        std::ifstream in(bgPid);
        long pid = 0;
        in >> pid;
        const bool bgAlive = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
        if (pid > 0) ::kill(static_cast<pid_t>(pid), SIGKILL);
        return std::to_string(ret) + "|" + reply + "|" + (bgAlive ? "background alive" : "background gone");
    });
    std::istringstream lines(note);
    std::string blk, ign, rest;
    std::getline(lines, blk);
    std::getline(lines, ign);
    std::getline(lines, rest, '\0');
    EXPECT_EQ(blk, "0|SigBlk:\t0000000000000000") << note;
    ASSERT_EQ(ign.rfind("SigIgn:\t", 0), 0u) << note;
    // The C library's own real-time signals (32, 33) aside.
    EXPECT_EQ(std::stoull(ign.substr(8), nullptr, 16) & ~0x180000000ULL, 0u) << note;
    EXPECT_EQ(rest, "0\n1\n2\n/dev/null\nstarted\n|background alive") << note;
}

TEST_F(RemoteRequests, FileCopyInChunksByteForByte) {
    std::string content(250000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 7919) % 251);
    const std::string src = sys_.Path() + "/src.bin";
    std::ofstream(src, std::ios::binary) << content;
    ::chmod(src.c_str(), 0640);
    const std::string dest = root_ + "/copies/deep/dst.bin";
    const std::string note = Client([&] {
        std::string out = Result(copy_file(nullptr, src.c_str(), dest.c_str())) + ",";
        // Into an existing directory: the source's base name.
        out += Result(copy_file("NODE1", src.c_str(), (root_ + "/copies").c_str())) + ",";
        // An empty file is one chunk of no bytes.
        const std::string empty = root_ + "/empty";
        std::ofstream(empty).close();
        out += Result(copy_file(nullptr, empty.c_str(), (root_ + "/copies/empty2").c_str())) + ",";
        out += Result(copy_file(nullptr, root_.c_str(), dest.c_str())) + ",";
        out += Result(copy_file(nullptr, src.c_str(), ""));
        return out;
    });
    EXPECT_EQ(note, "0/0,0/0,0/0,-1/5,-1/5");
    EXPECT_EQ(cfgtest::ReadFile(dest), content);
    EXPECT_EQ(cfgtest::ReadFile(root_ + "/copies/src.bin"), content);
    EXPECT_TRUE(std::filesystem::exists(root_ + "/copies/empty2"));
    struct stat st {};
    ASSERT_EQ(::stat(dest.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Three chunks: created, then appended twice.
    const std::string log = Out(daemon_);
    for (const char* chunk : {"@fC|src.bin|" , "|0640|0|100000|", "|0640|100000|100000|", "|0640|200000|50000|"})
        EXPECT_NE(log.find(chunk), std::string::npos) << chunk << "\n" << log;
    EXPECT_EQ(cfgtest::Count(log, "qdb: request @fA|src.bin|" + dest), 2) << log;
}

TEST_F(RemoteRequests, ForgedChunksAreRefused) {
    const std::string dir = root_ + "/in";
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/f";
    auto chunk = [](const std::string& cmd, const std::string& base, const std::string& dest, const std::string& mode,
                    const std::string& offset, const std::string& size, const std::string& bytes) {
        return cmd + "\x01" + base + "\x01" + dest + "\x01 \x01 \x01" + mode + "\x01" + offset + "\x01" + size + "\x01" +
               bytes;
    };
    const std::vector<std::string> forged = {
        chunk("C", "f", file, "0644", "0", "1000", "short"),     // claims more than arrived
        chunk("C", "f", file, "0644", "-5", "2", "ab"),          // negative offset
        chunk("C", "../escape", dir, "0644", "0", "2", "ab"),    // a name outside the directory
        chunk("X", "f", file, "0644", "0", "2", "ab"),           // neither create nor append
        chunk("C", "f", file, "0644", "0", "2x", "ab"),          // a size that is not a number
        "C\x01" "f\x01" + file,                                   // header cut short
    };
    const std::string note = Client([&] {
        std::string out;
        for (const std::string& c : forged) {
            out += Result(qdbsendremote(nullptr, nullptr, '@', 'f', nullptr, c.data(), static_cast<int>(c.size())));
            out += ",";
        }
        // A sound chunk with a set-user-id mode is written without that bit.
        const std::string ok = chunk("C", "f", file, "04755", "0", "2", "ab");
        out += Result(qdbsendremote(nullptr, nullptr, '@', 'f', nullptr, ok.data(), static_cast<int>(ok.size())));
        return out;
    });
    EXPECT_EQ(note, "-1/5,-1/5,-1/5,-1/5,-1/5,-1/5,0/0");
    EXPECT_FALSE(std::filesystem::exists(root_ + "/escape"));
    EXPECT_EQ(cfgtest::ReadFile(file), "ab");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST_F(RemoteRequests, AWaitingRequestEndsWithCode9WhenTheManagerGoes) {
    // A cache-update letter is never answered, so the request waits until
    // its manager is gone.
    ChildResult r;
    std::thread requester([&] {
        r = RunChild([] {
            qdbfixture::StartClient();
            Note(Result(qdbsendremote(nullptr, nullptr, 'A', 'j', "%s", "NODE2")));
            return 0;
        });
    });
    // Once the daemon has it, the requester waits on its reply mailbox.
    EXPECT_TRUE(WaitForLine(daemon_, "qdb: request AjNODE2"));
    Stop(manager_);
    requester.join();
    EXPECT_EQ(r.note, "-1/9") << r.err;
}

TEST_F(RemoteRequests, ARequestNeverAnsweredEndsWithTheTimeoutsErrorAndTheLateAnswerIsDropped) {
    // The requester reads REMOTETIMEOUT at its start.
    Tunables("INITTIMEOUT=20\nREMOTETIMEOUT=1\n");
    const std::string note = Client([] {
        // A cache-update letter is never answered.
        const int rc = qdbsendremote(nullptr, nullptr, 'A', 'j', "%s", "NODE2");
        const bool named = Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, "REMOTETIMEOUT") != nullptr;
        std::string out = Result(rc) + (named ? " named" : " unnamed");
        // The next request is answered as ever: nothing of the first is left
        // in the way.
        return out + " " + Result(qdbsendremote(nullptr, nullptr, '@', 'h', "%d", static_cast<int>(::getpid())));
    });
    EXPECT_EQ(note, "-1/9 named 0/0");
}

TEST_F(RemoteRequests, ShutdownEndsTheDaemon) {
    const std::string note = Client([] { return Result(shutdownQDB(nullptr, 1)); });
    EXPECT_EQ(note, "0/0");
    EXPECT_EQ(Ended(daemon_), 0);
}

TEST_F(RemoteRequests, ShutdownWithoutWaiting) {
    const std::string note = Client([] { return Result(shutdownQDB("NODE1", 0)); });
    EXPECT_EQ(note, "0/0");
    EXPECT_EQ(Ended(daemon_), 0);
}

}  // namespace
