// The modal question the administrator actions ask before they change the
// configuration: a text line naming the operation and the tag (or pair of
// tags) concerned in a read-only field. OK goes on; Cancel and the close box
// do not.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;

namespace hierman {

class CConfirmDialog : public QDialog {
    Q_OBJECT
public:
    explicit CConfirmDialog(QWidget* parent = nullptr);

    void SetText(const std::string& text);
    void SetTag(const std::string& tag);
    std::string Text() const;
    std::string Tag() const;
    // Called by the Help button.
    void OnHelp(std::function<void()> help) { help_ = std::move(help); }

    QLineEdit* TagField() const { return tag_; }

private:
    QLabel* text_;
    QLineEdit* tag_;
    std::function<void()> help_;
};

}  // namespace hierman
