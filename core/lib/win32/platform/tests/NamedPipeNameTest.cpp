#include "PipeTestSupport.h"

#include <gtest/gtest.h>

using namespace portlib::platform;

TEST(NamedPipeName, MapsLocalNamesToEncodedSocketPaths) {
    pipetest::TempSystemDir sys;
    const std::string dir = sys.Path() + "/run/pipe/";
    struct Case { const char* name; int rc; const char* file; };
    const Case cases[] = {
        {R"(\\.\PIPE\mxr_pipe)", 0, "mxr_pipe"},
        {R"(\\.\pipe\mxr_pipe)", 0, "mxr_pipe"},
        {R"(\\.\Pipe\HvInitPipe)", 0, "hvinitpipe"},
        {R"(\\.\pipe\ProcPreserveService)", 0, "procpreserveservice"},
        {R"(\\.\pipe\a b)", 0, "a%20b"},
        {R"(\\.\pipe\sub\dir)", 0, "sub%5Cdir"},
        {R"(\\.\pipe\x/y)", 0, "x%2Fy"},
        {R"(\\.\pipe\100%)", 0, "100%25"},
        {"\\\\.\\pipe\\caf\xC3\xA9", 0, "caf%C3%A9"},
        {R"(\\.\pipe\v1.2_a-b)", 0, "v1.2_a-b"},
        // Names that would reach the directory, its parent or a lock file.
        {R"(\\.\pipe\.)", 0, "%2E"},
        {R"(\\.\pipe\..)", 0, "%2E%2E"},
        {R"(\\.\pipe\...)", 0, "..."},
        {R"(\\.\pipe\mxr_pipe.lock)", 0, "mxr_pipe%2Elock"},
        {R"(\\.\pipe\MXR_PIPE.LOCK)", 0, "mxr_pipe%2Elock"},
        {R"(\\.\pipe\.lock)", 0, "%2Elock"},
        {R"(\\.\pipe\lock)", 0, "lock"},
        // Refused.
        {R"(\\host\pipe\mxr_pipe)", HV_ERROR_BAD_NETPATH, nullptr},
        {R"(\\SYSTEM2\PIPE\x)", HV_ERROR_BAD_NETPATH, nullptr},
        {R"(\\.\pipe\)", HV_ERROR_INVALID_NAME, nullptr},
        {R"(\\.\pipe)", HV_ERROR_INVALID_NAME, nullptr},
        {R"(\\.\mailslot\x)", HV_ERROR_INVALID_NAME, nullptr},
        {R"(\\\pipe\x)", HV_ERROR_INVALID_NAME, nullptr},
        {R"(\.\pipe\x)", HV_ERROR_INVALID_NAME, nullptr},
        {"mxr_pipe", HV_ERROR_INVALID_NAME, nullptr},
        {"", HV_ERROR_INVALID_NAME, nullptr},
    };
    for (const auto& c : cases) {
        std::string path = "unchanged";
        EXPECT_EQ(PipeNameToPath(c.name, &path), c.rc) << c.name;
        if (c.file) EXPECT_EQ(path, dir + c.file) << c.name;
        else EXPECT_EQ(path, "unchanged") << c.name;
    }
}

TEST(NamedPipeName, APathTooLongForASocketIsRefusedNotCut) {
    // Root + "/run/pipe/" + name: find the longest name that fits, then one more byte.
    pipetest::TempSystemDir sys;
    const std::size_t fixed = sys.Path().size() + std::string("/run/pipe/").size();
    ASSERT_LT(fixed, kPipePathMax);
    const std::string fits(kPipePathMax - fixed, 'a');
    std::string path;
    ASSERT_EQ(PipeNameToPath(R"(\\.\pipe\)" + fits, &path), 0);
    EXPECT_EQ(path.size(), kPipePathMax);
    EXPECT_EQ(PipeNameToPath(R"(\\.\pipe\)" + fits + "a", &path), HV_ERROR_FILENAME_EXCED_RANGE);
    // Encoding counts: one byte that needs %XX takes three.
    EXPECT_EQ(PipeNameToPath(R"(\\.\pipe\)" + fits.substr(2) + " ", &path), HV_ERROR_FILENAME_EXCED_RANGE);

    // Both sides refuse it loudly, and nothing is created under a cut name.
    NamedPipeListener listener;
    EXPECT_EQ(listener.Create(R"(\\.\pipe\)" + fits + "a"), HV_ERROR_FILENAME_EXCED_RANGE);
    int fd = -1;
    EXPECT_EQ(PipeConnect(R"(\\.\pipe\)" + fits + "a", {}, &fd), HV_ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(fd, -1);
    std::error_code ec;
    EXPECT_TRUE(!std::filesystem::exists(sys.Path() + "/run/pipe", ec) ||
                std::filesystem::is_empty(sys.Path() + "/run/pipe", ec));
}

TEST(NamedPipeName, NamesDifferingOnlyInCaseAreOnePipe) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(R"(\\.\PIPE\Mxr_Pipe)"), 0);
    int fd = -1;
    ASSERT_EQ(PipeConnect(R"(\\.\pipe\MXR_PIPE)", {}, &fd), 0);
    int server = -1;
    EXPECT_EQ(listener.Accept(&server, 5000), 0);
    PipeClose(server);
    PipeClose(fd);
}

TEST(NamedPipeName, AClientReachesAPipeOfAnotherSystemDirectory) {
    pipetest::TempSystemDir other;
    const std::string otherDir = other.Path();
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(R"(\\.\pipe\mxr_pipe)"), 0);
    // From here on this process's own system is another directory.
    pipetest::TempSystemDir own;
    std::string path;
    ASSERT_EQ(PipeNameToPath(R"(\\.\pipe\mxr_pipe)", &path, otherDir + "/"), 0);
    EXPECT_EQ(path, otherDir + "/run/pipe/mxr_pipe");
    int fd = -1;
    EXPECT_EQ(PipeConnect(R"(\\.\pipe\mxr_pipe)", {}, &fd), HV_ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(PipeConnect(R"(\\.\pipe\mxr_pipe)", {}, &fd, otherDir), 0);
    int server = -1;
    EXPECT_EQ(listener.Accept(&server, 5000), 0);
    PipeClose(server);
    PipeClose(fd);
}
