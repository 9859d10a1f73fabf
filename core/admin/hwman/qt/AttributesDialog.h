// The read-only attributes of the selected path: the type's title, the
// device controls the type has, and 29 pixels less height for sockets and
// shared disks.
#pragma once

#include "AttributeLayout.h"
#include "CHWMANNetwork.h"

#include <QDialog>

namespace hwman {

class AttributesDialog : public QDialog {
    Q_OBJECT
public:
    AttributesDialog(const CHWMANNetwork& path, const std::string& localName, QWidget* parent = nullptr);
    int FullHeight() const { return fullHeight_; }

private:
    int fullHeight_ = 0;
};

}  // namespace hwman
