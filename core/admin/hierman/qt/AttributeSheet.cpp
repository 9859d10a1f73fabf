#include "AttributeSheet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace hierman {

namespace {

void Row(QFormLayout* form, const char* label, const std::string& value) {
    auto* field = new QLineEdit(QString::fromStdString(value));
    field->setReadOnly(true);
    form->addRow(QString::fromUtf8(label), field);
}

QListWidget* SortedList(const std::vector<std::string>& items) {
    auto* list = new QListWidget;
    for (const std::string& item : items) list->addItem(QString::fromStdString(item));
    list->sortItems();
    return list;
}

}  // namespace

AttributeSheet::AttributeSheet(const AttributeSheetData& data, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Attributes"));
    setModal(true);
    auto* tabs = new QTabWidget(this);

    auto* names = new QWidget;
    auto* namesForm = new QFormLayout(names);
    Row(namesForm, "AppName", data.application);
    Row(namesForm, "TypName", data.type);
    Row(namesForm, "Tag", data.tag);
    Row(namesForm, "ID", data.id);
    Row(namesForm, "Other Sys", data.otherSystem);
    tabs->addTab(names, QStringLiteral("Names"));

    auto* states = new QWidget;
    auto* statesForm = new QFormLayout(states);
    Row(statesForm, "State", data.state);
    Row(statesForm, "Strategy", data.strategy);
    Row(statesForm, "Info Field", data.info);
    tabs->addTab(states, QStringLiteral("States"));

    auto* relations = new QWidget;
    auto* grid = new QGridLayout(relations);
    grid->addWidget(new QLabel(QStringLiteral("Parent List")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Child List")), 0, 1);
    grid->addWidget(SortedList(data.parents), 1, 0);
    grid->addWidget(SortedList(data.children), 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Root List")), 2, 0);
    grid->addWidget(SortedList(data.roots), 3, 0);
    tabs->addTab(relations, QStringLiteral("Relations"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

}  // namespace hierman
