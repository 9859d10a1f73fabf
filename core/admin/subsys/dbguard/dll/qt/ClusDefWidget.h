// Draws the cluster definition page and forwards its input to CClusDef.
#pragma once

#include <functional>

#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace dbguard {

class CClusDef;

class ClusDefWidget : public QWidget {
public:
    // forward runs an action of the page's logic and redraws the sheet.
    ClusDefWidget(CClusDef& page, std::function<void(std::function<void()>)> forward);
    void Sync();

private:
    CClusDef& page_;
    bool syncing_ = false;
    QComboBox* primary_;
    QComboBox* secondary_;
    QLineEdit* login_;
    QLineEdit* password_;
    QPushButton* apply_;
};

}  // namespace dbguard
