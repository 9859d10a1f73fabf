// A fresh system directory for one test, named by HV_SYSTEM_DIR so that the
// tools the test starts use it too; removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace admintest {

class SystemDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/hvadm.XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::setenv("HV_SYSTEM_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("HV_SYSTEM_DIR");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_;
};

}  // namespace admintest
