// Listening, owning a name, connecting with NT's wait-for-pipe rules, who may
// connect, and what an executed child inherits.
#include "PipeTestSupport.h"
#include "platform/tests/AdminGroupSetting.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

using namespace portlib::platform;
using pipetest::Child;
using pipetest::WriteAll;

namespace {

constexpr const char* kName = R"(\\.\pipe\listentest)";

std::string ReadMessage(int fd) {
    char buf[4096];
    std::size_t got = 0;
    if (PipeRead(fd, buf, sizeof buf, &got) != 0) return "<error>";
    return std::string(buf, got);
}

// In a child: become uid, keeping `gid` as the only group. 0 or the step that failed.
int BecomeUser(uid_t uid, gid_t gid, const std::vector<gid_t>& supplementary = {}) {
    if (::setgroups(supplementary.size(), supplementary.data()) != 0) return 1;
    if (::setresgid(gid, gid, gid) != 0) return 2;
    if (::setresuid(uid, uid, uid) != 0) return 3;
    return 0;
}

TEST(NamedPipeListener, NoListenerIsNotFoundAtOnceWhateverTheWait) {
    pipetest::TempSystemDir sys;
    for (int wait : {kPipeNoWait, 200, kPipeWaitForever}) {
        int fd = -1;
        EXPECT_EQ(PipeConnect(kName, {wait, PipeReadMode::Message, false}, &fd), HV_ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(fd, -1);
    }
    // Also once a listener has come and gone.
    {
        NamedPipeListener listener;
        ASSERT_EQ(listener.Create(kName), 0);
    }
    int fd = -1;
    EXPECT_EQ(PipeConnect(kName, {kPipeWaitForever, PipeReadMode::Message, false}, &fd), HV_ERROR_FILE_NOT_FOUND);
}

TEST(NamedPipeListener, AFullQueueIsBusyOrTimesOutAndAWaitingClientGetsInOnAccept) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    std::vector<int> clients;
    ASSERT_EQ(pipetest::ListenWithFullQueue(listener, kName, &clients), HV_ERROR_PIPE_BUSY);
    ASSERT_FALSE(clients.empty());
    int fd = -1;
    EXPECT_EQ(PipeConnect(kName, {50, PipeReadMode::Message, false}, &fd), HV_ERROR_SEM_TIMEOUT);
    EXPECT_EQ(fd, -1);

    // A client that waits for ever is let in as soon as the listener takes one.
    std::atomic<int> waited{-1};
    int late = -1;
    std::thread waiter([&] { waited = PipeConnect(kName, {kPipeWaitForever, PipeReadMode::Message, false}, &late); });
    std::vector<int> servers;
    EXPECT_EQ(pipetest::AcceptUntilSet(listener, waited, &servers), 0);
    waiter.join();
    EXPECT_EQ(waited.load(), 0);
    // The late client is queued (or already taken), behind every earlier one.
    ASSERT_EQ(listener.AcceptPending(&servers), 0);
    ASSERT_EQ(servers.size(), clients.size() + 1);
    ASSERT_EQ(WriteAll(late, "late"), 0);
    EXPECT_EQ(ReadMessage(servers.back()), "late");
    for (int c : clients) PipeClose(c);
    for (int s : servers) PipeClose(s);
    PipeClose(late);
}

TEST(NamedPipeListener, AcceptPendingTakesEveryWaitingClient) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    int none = -1;
    EXPECT_EQ(listener.Accept(&none, kPipeNoWait), HV_ERROR_PIPE_LISTENING);
    EXPECT_EQ(listener.Accept(&none, 20), HV_ERROR_SEM_TIMEOUT);

    std::vector<int> clients(5, -1);
    for (int& c : clients) ASSERT_EQ(PipeConnect(kName, {}, &c), 0);
    for (std::size_t i = 0; i < clients.size(); ++i) ASSERT_EQ(WriteAll(clients[i], "client " + std::to_string(i)), 0);
    std::vector<int> servers;
    ASSERT_EQ(listener.AcceptPending(&servers), 0);
    ASSERT_EQ(servers.size(), clients.size());
    for (std::size_t i = 0; i < servers.size(); ++i) {
        ASSERT_TRUE(pipetest::WaitReadable(servers[i]) & POLLIN);
        EXPECT_EQ(ReadMessage(servers[i]), "client " + std::to_string(i));
        // Accepted descriptors are non-blocking by default.
        char c;
        std::size_t got = 0;
        EXPECT_EQ(PipeRead(servers[i], &c, 1, &got), HV_ERROR_NO_DATA);
    }
    EXPECT_EQ(listener.Accept(&none, kPipeNoWait), HV_ERROR_PIPE_LISTENING);
    for (int c : clients) PipeClose(c);
    for (int s : servers) PipeClose(s);
}

TEST(NamedPipeListener, FilesAreForOwnerAndGroupOnly) {
    pipetest::TempSystemDir sys;
    const mode_t old = ::umask(0);  // the widest umask: the layer must narrow it itself
    NamedPipeListener listener;
    int rc = listener.Create(kName);
    ::umask(old);
    ASSERT_EQ(rc, 0);
    struct stat st {};
    ASSERT_EQ(::stat(listener.path().c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    ASSERT_EQ(::stat((sys.Path() + "/run/pipe").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0770u);
    ASSERT_EQ(::stat((listener.path() + ".lock").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(NamedPipeListener, TheSocketOfADeadOwnerIsRecovered) {
    pipetest::TempSystemDir sys;
    pipetest::Gate listening;
    std::string path;
    ASSERT_EQ(PipeNameToPath(kName, &path), 0);
    {
        Child owner([&] {
            NamedPipeListener listener;
            if (listener.Create(kName) != 0) return 10;
            listening.Open();
            ::kill(::getpid(), SIGKILL);  // dies holding the name
            return 11;
        });
        ASSERT_TRUE(listening.WaitOpen());
        EXPECT_EQ(owner.Wait(), -1);  // killed
    }
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0) << "the dead owner's socket file should still be there";
    int fd = -1;
    EXPECT_EQ(PipeConnect(kName, {}, &fd), HV_ERROR_FILE_NOT_FOUND);

    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    ASSERT_EQ(PipeConnect(kName, {}, &fd), 0);
    int server = -1;
    ASSERT_EQ(listener.Accept(&server, 10000), 0);
    ASSERT_EQ(WriteAll(fd, "after recovery"), 0);
    EXPECT_EQ(ReadMessage(server), "after recovery");
    PipeClose(fd);
    PipeClose(server);
}

TEST(NamedPipeListener, ALiveOwnerKeepsItsName) {
    pipetest::TempSystemDir sys;
    pipetest::Gate listening;
    Child owner([&] {
        NamedPipeListener listener;
        PipeListenOptions lo;
        lo.nonBlocking = false;
        if (listener.Create(kName, lo) != 0) return 10;
        listening.Open();
        int fd = -1;
        if (listener.Accept(&fd, 10000) != 0) return 11;
        if (ReadMessage(fd) != "ping") return 12;
        if (WriteAll(fd, "pong from the owner") != 0) return 13;
        ReadMessage(fd);  // until the client hangs up
        return 0;
    });
    ASSERT_TRUE(listening.WaitOpen());

    NamedPipeListener second;
    EXPECT_EQ(second.Create(kName), HV_ERROR_PIPE_BUSY);
    EXPECT_FALSE(second.IsOpen());
    // The refused attempt left the owner's socket alone.
    int fd = -1;
    ASSERT_EQ(PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd), 0);
    ASSERT_EQ(WriteAll(fd, "ping"), 0);
    EXPECT_EQ(ReadMessage(fd), "pong from the owner");
    PipeClose(fd);
    EXPECT_EQ(owner.Wait(), 0);

    // Within one process too, and the name is free again once the owner closes.
    NamedPipeListener first;
    ASSERT_EQ(first.Create(kName), 0);
    EXPECT_EQ(second.Create(kName), HV_ERROR_PIPE_BUSY);
    EXPECT_EQ(first.Create(kName), HV_ERROR_INVALID_PARAMETER);
    first.Close();
    EXPECT_EQ(second.Create(kName), 0);
}

TEST(NamedPipeListener, AForkedCopyClosingDoesNotRemoveTheOwnersSocket) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    Child copy([&] {
        listener.Close();  // as a child's exit() would run the destructor
        return 0;
    });
    ASSERT_EQ(copy.Wait(), 0);
    int fd = -1;
    ASSERT_EQ(PipeConnect(kName, {}, &fd), 0);
    int server = -1;
    EXPECT_EQ(listener.Accept(&server, 10000), 0);
    PipeClose(fd);
    PipeClose(server);
}

TEST(NamedPipeListener, AnExecutedChildInheritsNoPipeDescriptor) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    int client = -1, server = -1;
    ASSERT_EQ(PipeConnect(kName, {}, &client), 0);
    ASSERT_EQ(listener.Accept(&server, 10000), 0);
    std::vector<std::string> sockets;
    for (int fd : {listener.fd(), client, server}) {
        struct stat st {};
        ASSERT_EQ(::fstat(fd, &st), 0);
        sockets.push_back("socket:[" + std::to_string(st.st_ino) + "]");
    }

    int out[2];
    ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
    Child child([&] {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(out[1], 1);
        ::dup2(null, 2);
        ::execl("/bin/ls", "ls", "-l", "/proc/self/fd", static_cast<char*>(nullptr));
        return 127;
    });
    ::close(out[1]);
    std::string listing;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) listing.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    ASSERT_EQ(child.Wait(), 0);
    ASSERT_NE(listing.find("/dev/null"), std::string::npos) << listing;
    for (const auto& s : sockets) EXPECT_EQ(listing.find(s), std::string::npos) << s << " inherited:\n" << listing;
    EXPECT_EQ(listing.find(".lock"), std::string::npos) << listing;
    PipeClose(client);
    PipeClose(server);
}

// --- who may connect ---

TEST(NamedPipeAccess, WithoutAnAdminGroupTheDefaultAdmitsRootAndTheOwnerOnly) {
    pipetest::TempSystemDir sys;  // nothing configured
    struct Case { uid_t uid; gid_t gid; std::vector<gid_t> groups; bool allowed; };
    const uid_t owner = 1000;
    const Case cases[] = {
        {0, 0, {}, true},          {1000, 1000, {}, true},  {1000, 5, {5}, true},
        {1001, 0, {0}, false},     {65534, 65534, {}, false},
    };
    for (const auto& c : cases) {
        PipePeer p;
        p.uid = c.uid;
        p.gid = c.gid;
        p.groups = c.groups;
        EXPECT_EQ(DefaultPipePeerCheck(p, owner), c.allowed) << c.uid;
        EXPECT_EQ(PipePeerAllowed(p, owner), c.allowed) << c.uid;
    }
}

class OtherUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
        passwd* pw = ::getpwnam("nobody");
        if (!pw) GTEST_SKIP() << "no user nobody";
        nobodyUid_ = pw->pw_uid;
        nobodyGid_ = pw->pw_gid;
        // Let others reach the system directory; the listener keeps run/ and
        // run/pipe/ group-only.
        ASSERT_EQ(::chmod(sys_.Path().c_str(), 0755), 0);
        ASSERT_EQ(listener_.Create(kName), 0);
    }
    void TearDown() override { SetPipePeerCheck(nullptr); }

    int BecomeNobody(gid_t gid) { return BecomeUser(nobodyUid_, gid); }

    pipetest::TempSystemDir sys_;
    NamedPipeListener listener_;
    uid_t nobodyUid_ = 0;
    gid_t nobodyGid_ = 0;
};

TEST_F(OtherUser, SocketFilesTakeTheConfiguredGroup) {
    SetPipeSocketGroup(nobodyGid_);
    NamedPipeListener other;
    int rc = other.Create(R"(\\.\pipe\grouptest)");
    SetPipeSocketGroup(static_cast<gid_t>(-1));
    ASSERT_EQ(rc, 0);
    struct stat st {};
    ASSERT_EQ(::stat(other.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, nobodyGid_);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    // The listener made before it keeps the creator's group.
    ASSERT_EQ(::stat(listener_.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, ::getegid());
}

TEST_F(OtherUser, WithoutTheGroupTheFilesystemRefuses) {
    Child c([&] {
        if (int rc = BecomeNobody(nobodyGid_)) return 20 + rc;
        int fd = -1;
        int rc = PipeConnect(kName, {1000, PipeReadMode::Message, false}, &fd);
        return rc == HV_ERROR_ACCESS_DENIED ? 0 : 30;
    });
    EXPECT_EQ(c.Wait(), 0);
    int fd = -1;
    EXPECT_EQ(listener_.Accept(&fd, kPipeNoWait), HV_ERROR_PIPE_LISTENING);
}

TEST_F(OtherUser, AGroupMemberWithoutAdminRightsIsRefusedByCredentials) {
    Child c([&] {
        if (int rc = BecomeNobody(0)) return 20 + rc;
        int fd = -1;
        if (PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd) != 0) return 30;
        (void)WriteAll(fd, "let me in");  // may be taken or refused; the read tells
        char buf[64];
        std::size_t got = 0;
        return PipeRead(fd, buf, sizeof buf, &got) == HV_ERROR_BROKEN_PIPE ? 0 : 31;
    });
    // The refused peer is closed and never handed out.
    std::vector<int> accepted;
    for (int i = 0; i < 1000 && listener_.RefusedPeers() == 0; ++i) {
        pollfd p{listener_.fd(), POLLIN, 0};
        ::poll(&p, 1, 10);
        ASSERT_EQ(listener_.AcceptPending(&accepted), 0);
    }
    EXPECT_EQ(listener_.RefusedPeers(), 1u);
    EXPECT_TRUE(accepted.empty());
    EXPECT_EQ(c.Wait(), 0);
}

TEST_F(OtherUser, AnInstalledCheckReplacesTheDefault) {
    // Admits group 0, which the default (no admin group configured) refuses.
    SetPipePeerCheck([](const PipePeer& peer, uid_t owner) {
        const bool inGroup = peer.gid == 0 || std::find(peer.groups.begin(), peer.groups.end(), 0u) != peer.groups.end();
        return DefaultPipePeerCheck(peer, owner) || inGroup;
    });
    Child c([&] {
        if (int rc = BecomeNobody(0)) return 20 + rc;
        int fd = -1;
        if (PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd) != 0) return 30;
        return ReadMessage(fd) == "welcome" ? 0 : 31;
    });
    int fd = -1;
    ASSERT_EQ(listener_.Accept(&fd, 10000), 0);
    EXPECT_EQ(WriteAll(fd, "welcome"), 0);
    EXPECT_EQ(c.Wait(), 0);
    EXPECT_EQ(listener_.RefusedPeers(), 0u);
    PipeClose(fd);
}

// With an admin group configured, a member of it that is neither root nor the
// owner reaches the socket (its file and directories carry the group) and is
// admitted by the default check, with nothing installed by the caller. The
// rule is read once per process, so this runs in a process of its own.
int AdminGroupMemberIsServed(uid_t member, gid_t primary, gid_t adminGroup, const std::vector<gid_t>& supplementary) {
    hvtest::TempSystemDir sys;
    if (::chmod(sys.Path().c_str(), 0755) != 0) return 1;
    if (hvtest::SetAdminGroup(std::to_string(adminGroup)) != 0) return 2;
    NamedPipeListener listener;
    if (listener.Create(kName) != 0) return 3;
    for (const std::string& path : {listener.path(), sys.Path() + "/run/pipe", sys.Path() + "/run"}) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || st.st_gid != adminGroup) {
            std::fprintf(stderr, "%s: group %u, not the admin group\n", path.c_str(), static_cast<unsigned>(st.st_gid));
            return 4;
        }
    }
    Child c([&] {
        if (int rc = BecomeUser(member, primary, supplementary)) return 20 + rc;
        int fd = -1;
        if (int rc = PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd)) {
            std::fprintf(stderr, "connect: %d\n", rc);
            return 30;
        }
        return ReadMessage(fd) == "welcome" ? 0 : 31;
    });
    int fd = -1;
    if (listener.Accept(&fd, 10000) != 0) {
        std::fprintf(stderr, "nobody accepted, %llu refused\n", static_cast<unsigned long long>(listener.RefusedPeers()));
        return 5;
    }
    (void)WriteAll(fd, "welcome");
    const int child = c.Wait();
    PipeClose(fd);
    if (child != 0) std::fprintf(stderr, "client exit %d\n", child);
    return child == 0 ? 0 : 6;
}

TEST(NamedPipeAccess, TheConfiguredAdminGroupIsAdmittedByDefault) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    passwd* pw = ::getpwnam("nobody");
    if (!pw || pw->pw_gid == 0) GTEST_SKIP() << "no user nobody with a group of its own";
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;  // nobody's primary group serves as the admin group
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(AdminGroupMemberIsServed(uid, gid, gid, {})), ::testing::ExitedWithCode(0), "");
}

TEST(NamedPipeAccess, AMemberThroughASupplementaryGroupOnlyIsAdmitted) {
    if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
    passwd* pw = ::getpwnam("nobody");
    if (!pw || pw->pw_gid == 0) GTEST_SKIP() << "no user nobody with a group of its own";
    // A group the user database gives nobody: only the kernel knows the
    // client holds it.
    const gid_t admin = 54321;
    if (::getgrgid(admin) != nullptr) GTEST_SKIP() << "gid 54321 is taken on this host";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(AdminGroupMemberIsServed(pw->pw_uid, pw->pw_gid, admin, {admin})),
                ::testing::ExitedWithCode(0), "");
}

}  // namespace

// Out of descriptors, a waiting connection is taken and closed rather than
// left queued: otherwise the listener stays readable and the loop wakes on it
// every turn without progress.
TEST(NamedPipeListener, OutOfDescriptorsTheWaitingConnectionIsShedNotLeftQueued) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    int client = -1;
    ASSERT_EQ(PipeConnect(kName, {kPipeNoWait, PipeReadMode::Message, false}, &client), 0);
    // Lower the limit in a child only, so the rest of the suite keeps its descriptors.
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        struct rlimit lim {};
        ::getrlimit(RLIMIT_NOFILE, &lim);
        int highest = 0;
        for (int fd = 0; fd < 4096; ++fd)
            if (::fcntl(fd, F_GETFD) != -1) highest = fd;
        lim.rlim_cur = static_cast<rlim_t>(highest + 1);
        if (::setrlimit(RLIMIT_NOFILE, &lim) != 0) ::_exit(10);
        while (::open("/dev/null", O_RDONLY) >= 0) {
        }  // fill every free number below the limit
        std::vector<int> fds;
        int rc = listener.AcceptPending(&fds);
        if (rc == 0 || !fds.empty()) ::_exit(11);
        pollfd p{listener.fd(), POLLIN, 0};
        if (::poll(&p, 1, 0) != 0) ::_exit(12);  // still readable: the connection is still queued
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // The client sees its connection closed.
    EXPECT_TRUE(pipetest::WaitReadable(client) & POLLHUP);
    PipeClose(client);
}
