// The advisory box: a failed database call or script, with the calling
// thread's database error, and the choice to retry.
#pragma once

#include "ConsoleDatabase.h"
#include "MessageBoxes.h"

#include <atomic>
#include <string>

namespace panelaid {

class Advisor {
public:
    Advisor(ConsoleDatabase& db, MessageBoxes& boxes) : db_(db), boxes_(boxes) {}

    // Shows the box and clears the calling thread's database error. 1 when the
    // user chose Retry, 0 for Abort or Ignore.
    int Advise(const char* text, const char* file, int line);
    // 1 while a box is up.
    int InAdvise() const { return open_.load() > 0 ? 1 : 0; }

    // The box's text: "<text>\n<file>: <line>\nQdb Error: <name>\nError Buf: <error text or <empty>>".
    static std::string Format(const char* text, const char* file, int line, int errorNumber,
                              const std::string* errorText);
    // "OK" ... "DEADLOCK" for 0 to 10, "Unknown" for any other.
    static const char* ErrorName(int errorNumber);

private:
    ConsoleDatabase& db_;
    MessageBoxes& boxes_;
    std::atomic<int> open_{0};
};

}  // namespace panelaid
