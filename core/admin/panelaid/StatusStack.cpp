#include "StatusStack.h"

#include <cstring>

namespace panelaid {

std::string StatusStack::TextOf(const char* text) const { return text != nullptr ? std::string(text) : defaultText_(); }

void StatusStack::Show(const char* text, StatusDisplay* bar) {
    const std::string shown = TextOf(text);
    if (bar != nullptr) bar->ShowText(shown);
}

const char* StatusStack::Current() const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->open) return it->text.get();
    return nullptr;
}

const char* StatusStack::Push(const char* text, StatusDisplay* bar) {
    const char* given = text != nullptr ? text : "";
    const std::size_t n = std::strlen(given);
    Entry e;
    e.text = std::make_unique<char[]>(n + 1);
    std::memcpy(e.text.get(), given, n + 1);
    const char* previous;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        previous = Current();
        e.previous = previous;
        entries_.push_back(std::move(e));
    }
    if (bar != nullptr) bar->ShowText(given);
    return previous;
}

void StatusStack::ReleaseClosed() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        bool kept = it->open;
        for (const Entry& other : entries_)
            if (other.open && other.previous == it->text.get()) kept = true;
        it = kept ? std::next(it) : entries_.erase(it);
    }
}

void StatusStack::Pop(const char* previous, StatusDisplay* bar) {
    std::string shown;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The latest open push that returned this pointer.
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
            if (it->open && it->previous == previous) {
                it->open = false;
                break;
            }
        }
        const char* current = Current();
        // Copied under the lock: the text may be released by another pop.
        shown = current != nullptr ? std::string(current) : std::string();
        if (current == nullptr) shown = defaultText_();
        ReleaseClosed();
    }
    if (bar != nullptr) bar->ShowText(shown);
}

std::size_t StatusStack::HeldTexts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

}  // namespace panelaid
