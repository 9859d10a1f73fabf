#include "ProgressAnimation.h"

namespace panelaid {

int ProgressAnimation::FrameOf(int counter) {
    if (counter <= 60) return counter / kStep;
    return ((counter - 1) % 60 + 1) / kStep;
}

int ProgressAnimation::PictureOf(int frame) {
    static const int kOrder[] = {0, 4, 5, 1, 6, 7, 2, 8, 9, 3, 10, 11, 0};
    if (frame < 0 || frame > 12) return 0;
    return kOrder[frame];
}

}  // namespace panelaid
