// A fresh system directory for one benchmark run: made under /tmp, named by
// HV_SYSTEM_DIR for the whole process, removed at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class BenchSystemDir {
public:
    BenchSystemDir() {
        char tmpl[] = "/tmp/hvbXXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        root_ = tmpl;
        ::setenv("HV_SYSTEM_DIR", root_.c_str(), 1);
    }
    ~BenchSystemDir() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    BenchSystemDir(const BenchSystemDir&) = delete;
    BenchSystemDir& operator=(const BenchSystemDir&) = delete;

private:
    std::string root_;
};
