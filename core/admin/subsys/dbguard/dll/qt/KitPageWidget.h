// Draws a hierarchy page (active/active with its database and volume lists,
// or active/standby) and forwards its input to the page's logic.
#pragma once

#include "PageList.h"

#include <functional>

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace dbguard {

class CKitPage;
class CSQL_ActiveActive;

class KitPageWidget : public QWidget {
public:
    using Forward = std::function<void(std::function<void()>)>;
    // activeActive: the active/active page, else null.
    KitPageWidget(CKitPage& page, CSQL_ActiveActive* activeActive, Forward forward);
    void Sync();

private:
    void SyncList(QListWidget* widget, const PageList& list);
    // The first entry whose selection differs from the page's, or -1.
    static int ChangedRow(QListWidget* widget, const PageList& list);

    CKitPage& page_;
    CSQL_ActiveActive* activeActive_;
    bool syncing_ = false;
    QLineEdit* primary_;
    QLineEdit* secondary_;
    QCheckBox* executive_;
    QCheckBox* dtc_;
    QCheckBox* service_;
    QListWidget* databases_ = nullptr;
    QListWidget* volumes_ = nullptr;
    QListWidget* dependencies_;
    QPushButton* delete_;
    QPushButton* pipe_;
    QPushButton* ip_;
    QLineEdit* tag_;
    QPushButton* apply_;
};

}  // namespace dbguard
