// A temporary installation root with scripts written by the test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace panelaid {

class ScriptRoot {
public:
    ScriptRoot() {
        char tmpl[] = "/tmp/hvpaXXXXXX";
        if (::mkdtemp(tmpl) == nullptr) std::abort();
        root_ = tmpl;
    }
    ~ScriptRoot() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    // Writes <root><rel> with the shell body and makes it executable.
    void Script(const std::string& rel, const std::string& body) {
        const std::string path = root_ + rel;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << "#!/bin/sh\n" << body;
        ::chmod(path.c_str(), 0755);
    }
    bool Exists(const std::string& rel) const { return std::filesystem::exists(root_ + rel); }
    const std::string& Path() const { return root_; }

private:
    std::string root_;
};

}  // namespace panelaid
