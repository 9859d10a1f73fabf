#include "Advisor.h"

namespace panelaid {

const char* Advisor::ErrorName(int errorNumber) {
    static const char* const kNames[] = {"OK",  "UNIX", "SYNTAX", "INT",     "EXIST",   "ARGS",
                                         "RANGE", "NOEXIST", "DEP", "MES", "DEADLOCK"};
    if (errorNumber < 0 || errorNumber >= static_cast<int>(sizeof kNames / sizeof kNames[0])) return "Unknown";
    return kNames[errorNumber];
}

std::string Advisor::Format(const char* text, const char* file, int line, int errorNumber,
                            const std::string* errorText) {
    std::string out = text != nullptr ? text : "";
    out += '\n';
    out += file != nullptr ? file : "";
    out += ": " + std::to_string(line);
    out += "\nQdb Error: ";
    out += ErrorName(errorNumber);
    out += "\nError Buf: ";
    out += errorText != nullptr ? *errorText : std::string("<empty>");
    return out;
}

int Advisor::Advise(const char* text, const char* file, int line) {
    ++open_;
    std::string errorText;
    const bool hasText = db_.ErrorText(&errorText);
    BoxRequest box;
    box.caption = "Advisory Failure";
    box.text = Format(text, file, line, db_.ErrorNumber(), hasText ? &errorText : nullptr);
    box.icon = BoxIcon::Error;
    box.buttons = BoxButtons::AbortRetryIgnore;
    const BoxAnswer answer = boxes_.Ask(box);
    db_.ClearError();
    --open_;
    return answer == BoxAnswer::Abort || answer == BoxAnswer::Ignore ? 0 : 1;
}

}  // namespace panelaid
