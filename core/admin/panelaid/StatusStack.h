// The status-bar message stack. Pushes and pops come from the GUI thread
// (each paint of a view) and from workers at once, so the stack is locked and
// tolerates interleaving: a text lives until its own pop and until no open
// push still holds it as its previous text, and the bar shows the latest
// open push's text, else the default. Strictly nested use shows exactly the
// text each pop is given.
#pragma once

#include "StatusDisplay.h"

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

namespace panelaid {

class StatusStack {
public:
    // defaultText answers the text a null stands for ("Ready", or
    // "Holdervane Initializing ..." while the database brings resources up).
    explicit StatusStack(std::function<std::string()> defaultText) : defaultText_(std::move(defaultText)) {}

    // Shows text (null: the default) without touching the stack.
    void Show(const char* text, StatusDisplay* bar);
    // Shows text and returns the previous current text (null on the first
    // push), to be handed back to Pop. A null text counts as "".
    const char* Push(const char* text, StatusDisplay* bar);
    // Ends the push that returned `previous`; shows the latest open push's
    // text, else the default. A pointer no open push returned changes nothing
    // but the display.
    void Pop(const char* previous, StatusDisplay* bar);

    // Texts still held (open pushes and the previous texts they keep).
    std::size_t HeldTexts() const;

private:
    struct Entry {
        std::unique_ptr<char[]> text;
        const char* previous = nullptr;
        bool open = true;
    };
    std::string TextOf(const char* text) const;
    void ReleaseClosed();
    const char* Current() const;

    std::function<std::string()> defaultText_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_;  // in push order
};

}  // namespace panelaid
