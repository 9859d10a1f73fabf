// The read-only attributes sheet of one resource: the Names, States and
// Relations pages. Help asks for the shown page's help.
#pragma once

#include "ActionHost.h"

#include <QDialog>

namespace hierman {

class AttributeSheet : public QDialog {
    Q_OBJECT
public:
    AttributeSheet(const AttributeSheetData& data, QWidget* parent);

signals:
    // The help id of the page shown when Help was pressed.
    void helpRequested(int helpId);
};

}  // namespace hierman
