#include "AttributesDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hwman {

AttributesDialog::AttributesDialog(const CHWMANNetwork& path, const std::string& localName, QWidget* parent,
                                   std::function<void(int)> help)
    : QDialog(parent) {
    const AttributeLayout layout = AttributeLayoutFor(path.Type());
    setWindowTitle(QString::fromStdString(layout.title));
    auto* fields = new QFormLayout;
    auto row = [&](const char* label, const std::string& value, const char* name, bool shown) {
        auto* edit = new QLineEdit(QString::fromStdString(value), this);
        edit->setReadOnly(true);
        edit->setObjectName(QString::fromUtf8(name));
        auto* l = new QLabel(QString::fromUtf8(label), this);
        fields->addRow(l, edit);
        l->setVisible(shown);
        edit->setVisible(shown);
    };
    row("Type", path.Type(), "type", true);
    row("Priority", std::to_string(path.priority), "priority", true);
    row("Source", localName, "source", true);
    row("Destination", path.DestinationName(), "destination", true);
    row("Heartbeat Interval", std::to_string(path.interval), "interval", true);
    row("Maximum Heartbeat Misses", std::to_string(path.misses), "misses", true);
    row("TCP/IP Port #", path.device, "port", layout.port);
    row("Serial Port", path.device, "serialPort", layout.serial);
    row("Baud Rate", std::to_string(path.baud), "baud", layout.serial);
    row("Volume", path.device, "volume", layout.volume);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) help(kAttributesHelpId);
    });
    auto* top = new QVBoxLayout(this);
    top->addLayout(fields);
    top->addWidget(buttons);
    // The full height is the serial layout's: the type's rows all shown.
    fullHeight_ = sizeHint().height() + (layout.serial ? 0 : kAttributesShorterBy);
    setFixedHeight(fullHeight_ - layout.shorterBy);
}

}  // namespace hwman
