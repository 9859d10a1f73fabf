#include "CommPathDialog.h"

#include "AttributeLayout.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hwman {

namespace {

QLineEdit* Edit(const char* name, const QString& text, QWidget* parent) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromUtf8(name));
    e->setMaxLength(80);
    return e;
}

QComboBox* Combo(const char* name, bool editable, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromUtf8(name));
    c->setEditable(editable);
    return c;
}

}  // namespace

CommPathDialog::CommPathDialog(CommPathForm& form, QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), form_(form) {
    setWindowTitle(QStringLiteral("Communication Path Management"));
    setModal(true);
    form_.Open();
    type_ = Combo("type", false, this);
    type_->addItems({QString::fromUtf8(kSerialPort), QString::fromUtf8(kSharedDisk), QString::fromUtf8(kSocket)});
    type_->setCurrentText(QString::fromUtf8(kSocket));
    shownType_ = type_->currentText();
    priority_ = Edit("priority", QString::number(form_.ProposedPriority()), this);
    source_ = Combo("source", false, this);
    source_->addItem(QString::fromStdString(form_.LocalName()));
    destination_ = Combo("destination", true, this);
    destination_->lineEdit()->setMaxLength(static_cast<int>(kMaxDestination));
    for (const std::string& d : form_.Destinations()) destination_->addItem(QString::fromStdString(d));
    if (!form_.Destinations().empty()) destination_->setCurrentIndex(0);
    interval_ = Edit("interval", QString::number(form_.ProposedInterval()), this);
    misses_ = Edit("misses", QString::number(form_.ProposedMisses()), this);
    portLabel_ = new QLabel(QStringLiteral("TCP/IP Port #"), this);
    port_ = Edit("port", QString::number(form_.ProposedPort()), this);
    volumeLabel_ = new QLabel(QStringLiteral("Volume"), this);
    volume_ = Combo("volume", false, this);
    for (const VolumeInfo& v : form_.Volumes()) volume_->addItem(QString::fromStdString(v.name));
    volume_->setCurrentIndex(form_.ChosenVolumeIndex());
    serialLabel_ = new QLabel(QStringLiteral("Serial Port"), this);
    serial_ = Combo("serialPort", true, this);
    for (const std::string& p : form_.SerialPorts()) serial_->addItem(QString::fromStdString(p));
    baudLabel_ = new QLabel(QStringLiteral("Baud Rate"), this);
    baud_ = Combo("baud", false, this);
    FillBauds();

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Type"), type_);
    fields->addRow(QStringLiteral("Priority"), priority_);
    fields->addRow(QStringLiteral("Source"), source_);
    fields->addRow(QStringLiteral("Destination"), destination_);
    fields->addRow(QStringLiteral("Heartbeat Interval (seconds)"), interval_);
    fields->addRow(QStringLiteral("Maximum Heartbeat Misses"), misses_);
    fields->addRow(portLabel_, port_);
    fields->addRow(volumeLabel_, volume_);
    fields->addRow(serialLabel_, serial_);
    fields->addRow(baudLabel_, baud_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CommPathDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CommPathDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) help(kCommPathHelpId);
    });
    auto* top = new QVBoxLayout(this);
    top->addLayout(fields);
    top->addWidget(buttons);

    // The full height is the serial layout's, with every row shown.
    fullHeight_ = sizeHint().height();
    resize(sizeHint().width(), fullHeight_);
    connect(type_, &QComboBox::currentTextChanged, this, &CommPathDialog::TypeChosen);
    connect(serial_, &QComboBox::activated, this, [this] {
        form_.ChooseSerialPort(serial_->currentText().toStdString());
        FillBauds();
    });
    ApplyLayout();
}

void CommPathDialog::FillBauds() {
    baud_->clear();
    for (int b : form_.BaudRates()) baud_->addItem(QString::number(b));
    baud_->setCurrentIndex(form_.ChosenBaudIndex());
}

void CommPathDialog::ApplyLayout() {
    const std::string& code = form_.TypeCode();
    const bool socket = code == kCodeSocket;
    const bool serial = code == kCodeSerial;
    const bool disk = code == kCodeDisk;
    portLabel_->setVisible(socket);
    port_->setVisible(socket);
    volumeLabel_->setVisible(disk);
    volume_->setVisible(disk);
    serialLabel_->setVisible(serial);
    serial_->setVisible(serial);
    baudLabel_->setVisible(serial);
    baud_->setVisible(serial);
    priority_->setText(QString::number(form_.ProposedPriority()));
    setFixedHeight(serial ? fullHeight_ : fullHeight_ - kDialogShorterBy);
}

void CommPathDialog::TypeChosen(const QString& text) {
    if (!form_.ChooseType(text.toStdString())) {
        // Refused: back to the type shown before.
        const QSignalBlocker block(type_);
        type_->setCurrentText(shownType_);
        return;
    }
    shownType_ = text;
    ApplyLayout();
}

PathFields CommPathDialog::Fields() const {
    PathFields f;
    f.destination = destination_->currentText().toStdString();
    f.priority = priority_->text().toStdString();
    f.interval = interval_->text().toStdString();
    f.misses = misses_->text().toStdString();
    f.port = port_->text().toStdString();
    f.serialPort = serial_->currentText().toStdString();
    f.baud = baud_->currentText().toStdString();
    f.volume = volume_->currentText().toStdString();
    return f;
}

QWidget* CommPathDialog::WidgetOf(PathField field) const {
    switch (field) {
    case PathField::Destination: return destination_;
    case PathField::Priority: return priority_;
    case PathField::Interval: return interval_;
    case PathField::Misses: return misses_;
    case PathField::Port: return port_;
    case PathField::SerialPort: return serial_;
    case PathField::Baud: return baud_;
    case PathField::Volume: return volume_;
    default: return nullptr;
    }
}

void CommPathDialog::accept() {
    PathField focus = PathField::None;
    if (form_.Accept(Fields(), &focus)) {
        QDialog::accept();
        return;
    }
    if (QWidget* w = WidgetOf(focus)) w->setFocus();
}

void CommPathDialog::reject() {
    form_.Cancel();
    QDialog::reject();
}

}  // namespace hwman
