// The Attributes command: one read-only sheet per selected resource, in the
// matrix's selection order, each resource deselected once its sheet closes.
#pragma once

#include "ActionContext.h"

namespace hierman {

class AttributesAction {
public:
    explicit AttributesAction(ActionContext& c) : c_(c) {}
    void Show();

    // The three pages' contents for one resource; false when its instance
    // could not be read (and the administrator did not retry).
    bool Gather(const std::string& tag, AttributeSheetData* data);

private:
    ActionContext& c_;
};

}  // namespace hierman
