#include "SqlEnumDialog.h"

#include "CSQL_Enum.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace dbguard {

SqlEnumDialog::SqlEnumDialog(const std::vector<std::string>& tags, std::function<void()> help) {
    setWindowTitle(QStringLiteral("Select SQL Server Hierarchy"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("SQL Server &Tag:")));
    tags_ = new QComboBox;
    tags_->setObjectName(QStringLiteral("tags"));
    for (const std::string& t : tags) tags_->addItem(QString::fromStdString(t));
    tags_->setCurrentIndex(tags.empty() ? -1 : 0);
    row->addWidget(tags_);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* text, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(text));
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* create = button("&New ...", "new");
    QPushButton* ok = button("OK", "ok");
    QPushButton* cancel = button("Cancel", "cancel");
    QPushButton* helpButton = button("&Help", "help");
    ok->setDefault(true);
    layout->addLayout(buttons);
    connect(create, &QPushButton::clicked, this, [this] { done(kEnumNewResult); });
    connect(ok, &QPushButton::clicked, this, [this] {
        chosen_ = tags_->currentText().toStdString();
        done(1);
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(helpButton, &QPushButton::clicked, this, [help] { help(); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [help] { help(); });
}

}  // namespace dbguard
