// The read-only attributes of the selected path: the type's title, the
// device controls the type has, and 29 pixels less height for sockets and
// shared disks.
#pragma once

#include "AttributeLayout.h"
#include "CHWMANNetwork.h"

#include <QDialog>

#include <functional>

namespace hwman {

inline constexpr int kAttributesHelpId = 0x20088;

class AttributesDialog : public QDialog {
    Q_OBJECT
public:
    AttributesDialog(const CHWMANNetwork& path, const std::string& localName, QWidget* parent = nullptr,
                     std::function<void(int)> help = {});
    int FullHeight() const { return fullHeight_; }

private:
    int fullHeight_ = 0;
};

}  // namespace hwman
