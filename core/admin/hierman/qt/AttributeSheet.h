// The read-only attributes sheet of one resource: the Names, States and
// Relations pages.
#pragma once

#include "ActionHost.h"

#include <QDialog>

namespace hierman {

class AttributeSheet : public QDialog {
    Q_OBJECT
public:
    AttributeSheet(const AttributeSheetData& data, QWidget* parent);
};

}  // namespace hierman
