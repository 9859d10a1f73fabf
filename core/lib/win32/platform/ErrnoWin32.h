// errno values -> the Win32 error numbers that NT's object, process and file
// calls give (OpenProcess, OpenFileMapping, CreateFile ...), in one table.
#pragma once

namespace portlib::platform {

// 0 for 0; ERROR_GEN_FAILURE (31) for what the table does not know.
int Win32FromErrno(int err);

}  // namespace portlib::platform
