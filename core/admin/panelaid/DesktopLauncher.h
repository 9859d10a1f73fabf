// Launcher for the consoles: detached starts, siblings raised through their
// instance pipe or started from <root>/bin, help files opened by the desktop.
#pragma once

#include "ConsoleDatabase.h"
#include "Launcher.h"

namespace panelaid {

class DesktopLauncher : public Launcher {
public:
    explicit DesktopLauncher(ConsoleDatabase& db) : db_(db) {}

    int StartDetached(const std::vector<std::string>& argv) override;
    int ShowSibling(const std::string& program, const std::string& binary) override;
    int ShowHelp(const std::string& file, int context) override;

private:
    ConsoleDatabase& db_;
};

}  // namespace panelaid
