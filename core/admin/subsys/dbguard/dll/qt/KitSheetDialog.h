// The kit's property sheet on screen: a tab row over a page stack and two
// buttons, Close and Help. Escape and the close box do nothing; the sheet
// ends when its logic ends it.
#pragma once

#include <functional>

#include <QDialog>

class QTabBar;
class QStackedWidget;

namespace dbguard {

class CKitSheet;
class ClusDefWidget;
class KitPageWidget;

class KitSheetDialog : public QDialog {
public:
    explicit KitSheetDialog(CKitSheet& sheet);

    // Runs an action of the logic, then draws the sheet (and ends it when
    // the logic has ended).
    void Forward(const std::function<void()>& action);
    void Sync();

protected:
    void reject() override {}
    void showEvent(QShowEvent* event) override;

private:
    CKitSheet& sheet_;
    bool started_ = false;
    bool syncing_ = false;
    QTabBar* tabs_;
    QStackedWidget* stack_;
    ClusDefWidget* cluster_;
    KitPageWidget* activeActive_;
    KitPageWidget* activeStandby_;
};

}  // namespace dbguard
