// Message boxes as the library's logic asks for them; the Qt implementation
// (QtMessageBoxes) shows them on the GUI thread, the fake records them.
#pragma once

#include <string>

namespace panelaid {

enum class BoxIcon { None, Error, Warning };
// OkCancel has Cancel as its default button.
enum class BoxButtons { Ok, AbortRetryIgnore, YesNo, OkCancel };
enum class BoxAnswer { Ok, Abort, Retry, Ignore, Yes, No, Cancel };

struct BoxRequest {
    std::string caption;  // "" for the application's name
    std::string text;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
};

// The answer when no one can answer: Ok, Abort, No or Cancel.
inline BoxAnswer NoAnswer(const BoxRequest& request) {
    switch (request.buttons) {
    case BoxButtons::AbortRetryIgnore: return BoxAnswer::Abort;
    case BoxButtons::YesNo: return BoxAnswer::No;
    case BoxButtons::OkCancel: return BoxAnswer::Cancel;
    default: return BoxAnswer::Ok;
    }
}

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box modal to the active window and returns the user's answer.
    // Callable from any thread: a worker waits for the GUI thread's answer.
    virtual BoxAnswer Ask(const BoxRequest& request) = 0;

    // A box with OK only.
    void Tell(const std::string& text, BoxIcon icon = BoxIcon::None) { Ask({"", text, icon, BoxButtons::Ok}); }
    // A Yes/No box: true for Yes.
    bool AskYesNo(const std::string& text) {
        return Ask({"", text, BoxIcon::None, BoxButtons::YesNo}) == BoxAnswer::Yes;
    }
};

}  // namespace panelaid
