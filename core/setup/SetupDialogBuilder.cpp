#include "SetupDialogBuilder.h"

#include "SetupDialogTemplates.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace textpack {

namespace {

// The setup icon (resource 202): a weather vane on its post.
QPixmap SetupIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 110), 2));
    p.drawLine(16, 6, 16, 30);
    p.setBrush(QColor(200, 140, 30));
    const QPointF arrow[] = {{4, 10}, {26, 10}, {30, 13}, {26, 16}, {4, 16}, {8, 13}};
    p.drawPolygon(arrow, 6);
    return pixmap;
}

QWidget* MakeControl(const ControlTemplate& c, QDialog* dialog) {
    const QString text = QString::fromUtf8(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
        case ControlKind::Icon: {
            auto* icon = new QLabel;
            icon->setPixmap(SetupIcon());
            icon->setProperty(kIconResourceProperty, kIconResource);
            w = icon;
            break;
        }
        case ControlKind::Text: {
            auto* label = new QLabel(text);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            w = label;
            break;
        }
        case ControlKind::Edit:
            w = new QLineEdit;
            break;
        case ControlKind::ListSingle:
        case ControlKind::ListExtended:
        case ControlKind::ListMultiple: {
            auto* list = new QListWidget;
            list->setSelectionMode(c.kind == ControlKind::ListSingle     ? QAbstractItemView::SingleSelection
                                   : c.kind == ControlKind::ListExtended ? QAbstractItemView::ExtendedSelection
                                                                         : QAbstractItemView::MultiSelection);
            w = list;
            break;
        }
        case ControlKind::Radio:
            w = new QRadioButton(text);
            break;
        case ControlKind::Check:
            w = new QCheckBox(text);
            break;
        case ControlKind::Button: {
            auto* button = new QPushButton(text);
            button->setAutoDefault(false);
            button->setDefault(c.isDefault);
            const int id = c.id;
            QObject::connect(button, &QPushButton::clicked, dialog, [dialog, id] { dialog->done(id); });
            w = button;
            break;
        }
        case ControlKind::Group:
            w = new QGroupBox(text);
            break;
    }
    w->setProperty(kControlIdProperty, c.id);
    return w;
}

}  // namespace

QDialog* BuildDialog(const DialogTemplate& t, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("dialog%1").arg(t.id));
    dialog->setWindowTitle(QString::fromUtf8(t.caption));
    dialog->setModal(t.modal);
    dialog->setFont(QFont(QStringLiteral("Helvetica"), 8));
    auto* body = new QVBoxLayout(dialog);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    // The buttons that end the template form the closing row.
    std::size_t row = t.controlCount;
    while (row > 0 && t.controls[row - 1].kind == ControlKind::Button) --row;
    QVBoxLayout* group = nullptr;
    int groupLeft = 0;
    for (std::size_t i = 0; i < t.controlCount; ++i) {
        const ControlTemplate& c = t.controls[i];
        QWidget* w = MakeControl(c, dialog);
        if (groupLeft > 0) {
            group->addWidget(w);
            --groupLeft;
        } else if (i >= row) {
            buttons->addWidget(w);
        } else {
            body->addWidget(w);
        }
        if (c.kind == ControlKind::Group) {
            group = new QVBoxLayout(w);
            groupLeft = c.children;
        }
    }
    body->addLayout(buttons);
    return dialog;
}

}  // namespace textpack
