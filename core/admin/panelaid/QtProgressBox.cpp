#include "QtProgressBox.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

namespace panelaid {

QtProgressBox::QtProgressBox(QWidget* owner) : QDialog(owner) {
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(kWidth, kHeight);
    timer_.setInterval(ProgressAnimation::kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { OnTick(); });
}

void QtProgressBox::Open(bool start) {
    setWindowTitle(start ? "Starting Holdervane" : "Stopping Holdervane");
    text_ = start ? "Attempting to Start Holdervane." : "Attempting to Stop Holdervane.";
    animation_.SetCounter(0);
    const QWidget* owner = parentWidget();
    const QRect around = owner != nullptr ? owner->frameGeometry()
                                          : (screen() != nullptr ? screen()->geometry() : QRect(0, 0, 800, 600));
    move(around.center() - QPoint(kWidth / 2, kHeight / 2));
    timer_.start();
    show();
}

void QtProgressBox::Close() {
    timer_.stop();
    hide();
}

void QtProgressBox::OnTick() {
    animation_.Tick();
    update(QRect(0, 0, 45, height()));
}

QPoint QtProgressBox::MarkCentre(int picture) {
    const int p = picture < 0 || picture >= ProgressAnimation::kPictures ? 0 : picture;
    return QPoint((p % 4) * 8 + 4, (p / 4) * 8 + 8);
}

void QtProgressBox::DrawPicture(QPainter& painter, QPoint origin, int picture) {
    painter.fillRect(QRect(origin, QSize(kPictureSize, kPictureSize)), QColor(192, 192, 192));
    painter.setPen(QColor(0, 0, 128));
    painter.drawRect(QRect(origin, QSize(kPictureSize - 1, kPictureSize - 1)));
    const QPoint c = origin + MarkCentre(picture);
    painter.fillRect(QRect(c.x() - 3, c.y() - 3, 6, 6), MarkColour());
}

void QtProgressBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    DrawPicture(painter, PictureOrigin(), animation_.Picture());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QPoint(57, 16 + fontMetrics().ascent()), text_);
}

}  // namespace panelaid
