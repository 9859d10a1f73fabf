// Message boxes as the library's logic asks for them; the Qt implementation
// (QtMessageBoxes) shows them on the GUI thread, the fake records them.
#pragma once

#include <string>

namespace panelaid {

enum class BoxIcon { None, Error };
enum class BoxButtons { Ok, AbortRetryIgnore };
enum class BoxAnswer { Ok, Abort, Retry, Ignore };

struct BoxRequest {
    std::string caption;  // "" for the application's name
    std::string text;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box modal to the active window and returns the user's answer.
    // Callable from any thread: a worker waits for the GUI thread's answer.
    virtual BoxAnswer Ask(const BoxRequest& request) = 0;
};

}  // namespace panelaid
