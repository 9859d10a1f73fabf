// Where the installation lives: the REG_SZ "RootDir" of the product key's
// "General" section; programs in RootDir + "/bin/".
#pragma once

#include <string>

namespace hvsvc {

class InstallPaths {
public:
    // 0 and the root, or the Win32 error (13 when the value is not a string
    // or is empty).
    static int RootDir(std::string* root);
    // RootDir + "/bin/", or "" when the root cannot be read.
    static std::string ProgramDir();
    // Removes RootDir + "/tmp/RUNNING" (a missing file or root is no error).
    static void RemoveRunningFile();
};

}  // namespace hvsvc
