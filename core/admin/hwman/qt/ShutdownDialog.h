// The shutdown strategy: "Switchover" or "Don't Switchover".
#pragma once

#include <QDialog>

#include <functional>

class QRadioButton;

namespace hwman {

inline constexpr int kShutdownHelpId = 0x2008B;

class ShutdownDialog : public QDialog {
    Q_OBJECT
public:
    ShutdownDialog(int initial, QWidget* parent = nullptr, std::function<void(int)> help = {});
    // 1 Switchover, 0 Don't Switchover.
    int Choice() const { return choice_; }

private:
    int choice_;
};

}  // namespace hwman
