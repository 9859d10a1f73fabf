// The shutdown strategy: "Switchover" or "Don't Switchover".
#pragma once

#include <QDialog>

class QRadioButton;

namespace hwman {

class ShutdownDialog : public QDialog {
    Q_OBJECT
public:
    ShutdownDialog(int initial, QWidget* parent = nullptr);
    // 1 Switchover, 0 Don't Switchover.
    int Choice() const { return choice_; }

private:
    int choice_;
};

}  // namespace hwman
