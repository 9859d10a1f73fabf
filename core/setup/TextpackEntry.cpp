// textpack: the setup program's resource library. Its entry does nothing and
// succeeds for every reason; the dialogs are found by id, as a resource
// lookup would find them.
#include "SetupDialogBuilder.h"
#include "SetupDialogTemplates.h"

#define TEXTPACK_EXPORT extern "C" __attribute__((visibility("default")))

// The library's description, kept among its data.
extern "C" __attribute__((used)) const char kTextpackDescription[] = "Resource DLL for Holdervane";

TEXTPACK_EXPORT int LibMain(void* /*instance*/, unsigned long /*reason*/, void* /*reserved*/) { return 1; }

// The dialog of that id as a new form (the caller owns it), or null.
TEXTPACK_EXPORT QDialog* TextpackCreateDialog(int id, QWidget* parent) {
    const textpack::DialogTemplate* t = textpack::FindDialogTemplate(id);
    return t == nullptr ? nullptr : textpack::BuildDialog(*t, parent);
}
