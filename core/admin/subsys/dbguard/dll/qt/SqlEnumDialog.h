// The select-hierarchy dialog on screen: the offered tags, New, OK, Cancel
// and Help. Results: 1 OK, 2 Cancel (also Escape and the close box), 1010 New.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;

namespace dbguard {

class SqlEnumDialog : public QDialog {
public:
    SqlEnumDialog(const std::vector<std::string>& tags, std::function<void()> help);
    std::string Chosen() const { return chosen_; }

protected:
    void reject() override { done(2); }

private:
    QComboBox* tags_;
    std::string chosen_;
};

}  // namespace dbguard
