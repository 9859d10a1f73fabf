// Builds a Qt form from a dialog template: caption, the "Helv" 8-point font,
// each control with its id in the property "controlId" (-1 for statics
// nobody addresses), the default button, and every push button ending the
// dialog with its own id as the result, as NT's EndDialog does.
#pragma once

class QDialog;
class QWidget;

namespace textpack {

struct DialogTemplate;

inline constexpr const char* kControlIdProperty = "controlId";
inline constexpr const char* kIconResourceProperty = "iconResource";

QDialog* BuildDialog(const DialogTemplate& dialog, QWidget* parent);

}  // namespace textpack
