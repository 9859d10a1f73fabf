// The "Communication Path Management" dialog: shows CommPathForm's
// proposals and lists, switches its layout with the type (full height only
// for serial paths), and passes the typed fields to the form's OK.
#pragma once

#include "CommPathForm.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

namespace hwman {

inline constexpr int kCommPathHelpId = 0x20067;

class CommPathDialog : public QDialog {
    Q_OBJECT
public:
    CommPathDialog(CommPathForm& form, QWidget* parent = nullptr, std::function<void(int)> help = {});

    int FullHeight() const { return fullHeight_; }
    void accept() override;
    void reject() override;

private:
    void ApplyLayout();
    void TypeChosen(const QString& text);
    void FillBauds();
    PathFields Fields() const;
    QWidget* WidgetOf(PathField field) const;

    CommPathForm& form_;
    QComboBox* type_;
    QLineEdit* priority_;
    QComboBox* source_;
    QComboBox* destination_;
    QLineEdit* interval_;
    QLineEdit* misses_;
    QLabel* portLabel_;
    QLineEdit* port_;
    QLabel* volumeLabel_;
    QComboBox* volume_;
    QLabel* serialLabel_;
    QComboBox* serial_;
    QLabel* baudLabel_;
    QComboBox* baud_;
    QString shownType_;
    int fullHeight_ = 0;
};

}  // namespace hwman
