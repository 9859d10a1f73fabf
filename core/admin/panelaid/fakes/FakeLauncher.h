// A launcher that records what it was asked to start or show.
#pragma once

#include "Launcher.h"

#include <mutex>

namespace panelaid {

class FakeLauncher : public Launcher {
public:
    int StartDetached(const std::vector<std::string>& argv) override {
        std::lock_guard<std::mutex> lock(mutex_);
        started.push_back(argv);
        return startResult;
    }
    int ShowSibling(const std::string& program, const std::string& binary) override {
        std::lock_guard<std::mutex> lock(mutex_);
        siblings.push_back(program + " " + binary);
        return siblingResult;
    }
    int ShowHelp(const std::string& file, int context) override {
        std::lock_guard<std::mutex> lock(mutex_);
        help.push_back(file + "#" + std::to_string(context));
        return 0;
    }

    int startResult = 0;
    int siblingResult = 0;
    std::vector<std::vector<std::string>> started;
    std::vector<std::string> siblings;
    std::vector<std::string> help;

private:
    std::mutex mutex_;
};

}  // namespace panelaid
