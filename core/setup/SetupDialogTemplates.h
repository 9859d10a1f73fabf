// The setup program's dialogs as data: each dialog's id, caption and
// controls (kind, control id, text, default button), in the order they are
// laid out. The forms are built from these templates (SetupDialogBuilder).
#pragma once

#include <cstddef>

namespace textpack {

enum class ControlKind {
    Icon,          // the setup icon (resource 202)
    Text,          // static text
    Edit,          // one-line edit, scrolls horizontally
    ListSingle,    // list box, single selection
    ListExtended,  // list box, extended selection
    ListMultiple,  // list box, multiple selection
    Radio,
    Check,
    Button,
    Group,  // a frame holding the next `children` controls
};

inline constexpr int kStaticId = -1;  // a control nobody addresses
inline constexpr int kIconResource = 202;

struct ControlTemplate {
    ControlKind kind;
    int id;
    const char* text;
    bool isDefault = false;
    int children = 0;  // Group only
};

struct DialogTemplate {
    int id;
    const char* caption;  // "" for the modeless template without one
    bool modal;
    const ControlTemplate* controls;
    std::size_t controlCount;
};

// Every dialog of the library; null count when asked for the list.
const DialogTemplate* FindDialogTemplate(int id);
const DialogTemplate* AllDialogTemplates(std::size_t* count);

}  // namespace textpack
