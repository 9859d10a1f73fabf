// The system's message text for the Win32 error numbers the disk tools
// report, as FormatMessage gives them.
#pragma once

namespace hvadmin {

const char* Win32MessageText(int error);

}  // namespace hvadmin
