#include "CConfirmDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace hierman {

CConfirmDialog::CConfirmDialog(QWidget* parent)
    : QDialog(parent), text_(new QLabel(this)), tag_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Confirmation"));
    setModal(true);
    tag_->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        if (help_) help_();
    });
    auto* layout = new QGridLayout(this);
    layout->addWidget(text_, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Tag:"), this), 1, 0);
    layout->addWidget(tag_, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

void CConfirmDialog::SetText(const std::string& text) { text_->setText(QString::fromStdString(text)); }
void CConfirmDialog::SetTag(const std::string& tag) {
    tag_->setText(QString::fromStdString(tag));
    tag_->setCursorPosition(0);
}
std::string CConfirmDialog::Text() const { return text_->text().toStdString(); }
std::string CConfirmDialog::Tag() const { return tag_->text().toStdString(); }

}  // namespace hierman
