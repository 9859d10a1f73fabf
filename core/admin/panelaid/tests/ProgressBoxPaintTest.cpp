// The progress box's pictures, read back from its pixels at the places the
// animation computes (never from its text).
#include "QtProgressBox.h"
#include "QtTestApp.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace panelaid {
namespace {

bool MarkAt(const QImage& image, int picture) {
    const QPoint p = QtProgressBox::PictureOrigin() + QtProgressBox::MarkCentre(picture);
    return image.pixelColor(p) == QtProgressBox::MarkColour();
}

TEST(ProgressBoxPaintTest, FramesAtCounters0_60_65_125ShowTheirPictures) {
    TestApp();
    QtProgressBox box(nullptr);
    box.Open(true);
    EXPECT_EQ(box.windowTitle(), "Starting Holdervane");
    struct Case {
        int counter, picture;
    };
    for (const Case c : {Case{0, 0}, Case{60, 0}, Case{65, 4}, Case{125, 4}, Case{15, 1}}) {
        box.Animation().SetCounter(c.counter);
        const QImage image = box.grab().toImage();
        for (int p = 0; p < ProgressAnimation::kPictures; ++p)
            EXPECT_EQ(MarkAt(image, p), p == c.picture) << "counter " << c.counter << " picture " << p;
    }
    box.Close();
    box.Open(false);
    EXPECT_EQ(box.windowTitle(), "Stopping Holdervane");
    EXPECT_EQ(box.Animation().Counter(), 0);
    EXPECT_TRUE(box.isModal());
    box.Close();
}

}  // namespace
}  // namespace panelaid
