// The progress box as a Qt dialog: application-modal, its animation ticking
// every 2 s, a picture of the animation at x 10 and the text line at (57, 16).
#pragma once

#include "ProgressAnimation.h"
#include "ProgressBox.h"

#include <QDialog>
#include <QTimer>

namespace panelaid {

class QtProgressBox : public QDialog, public ProgressBox {
public:
    static constexpr int kWidth = 250;
    static constexpr int kHeight = 72;
    static constexpr int kPictureSize = 32;

    explicit QtProgressBox(QWidget* owner);

    void Open(bool start) override;
    void Close() override;

    ProgressAnimation& Animation() { return animation_; }
    // Where a picture is drawn in the box.
    static QPoint PictureOrigin() { return QPoint(10, kHeight / 2 - kPictureSize); }
    // Draws picture p (0 to 11) with its top-left corner at origin: a frame,
    // and a mark in the cell of a 4 x 3 grid that the picture's number picks.
    static void DrawPicture(QPainter& painter, QPoint origin, int picture);
    // The centre of picture p's mark, relative to the picture's origin.
    static QPoint MarkCentre(int picture);
    static QColor MarkColour() { return QColor(200, 0, 0); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnTick();

    ProgressAnimation animation_;
    QTimer timer_;
    QString text_;
};

}  // namespace panelaid
