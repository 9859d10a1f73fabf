// A control's name and dialog id, by which tests and help find it, and the
// Apply and Clear row both kinds of page end with.
#pragma once

#include <QBoxLayout>
#include <QPushButton>
#include <QString>

namespace dbguard {

template <typename W>
W* Named(W* w, const char* name, int id) {
    w->setObjectName(QString::fromLatin1(name));
    w->setProperty("controlId", id);
    return w;
}

// Adds Apply (the default button) and Clear to layout; returns Clear.
inline QPushButton* AddApplyClearRow(QBoxLayout* layout, QPushButton** apply) {
    *apply = Named(new QPushButton(QStringLiteral("Appl&y")), "apply", 1026);
    (*apply)->setDefault(true);
    auto* clear = Named(new QPushButton(QStringLiteral("&Clear")), "clear", 1027);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(*apply);
    buttons->addWidget(clear);
    layout->addLayout(buttons);
    return clear;
}

}  // namespace dbguard
