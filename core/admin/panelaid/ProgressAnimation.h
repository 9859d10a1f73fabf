// The progress box's animation: a tick counter that grows by 5 every 2 s,
// the frame it shows, and the picture of each frame.
#pragma once

namespace panelaid {

class ProgressAnimation {
public:
    static constexpr int kTickMs = 2000;
    static constexpr int kStep = 5;
    static constexpr int kPictures = 12;

    // Frames 0, 1, ... 12, then 1 ... 12 again.
    static int FrameOf(int counter);
    // The picture (0 to 11) a frame shows: frames 0 and 12 the first, frames 1
    // to 11 pictures 4, 5, 1, 6, 7, 2, 8, 9, 3, 10, 11.
    static int PictureOf(int frame);

    void Tick() { counter_ += kStep; }
    int Counter() const { return counter_; }
    void SetCounter(int counter) { counter_ = counter; }
    int Picture() const { return PictureOf(FrameOf(counter_)); }

private:
    int counter_ = 0;
};

}  // namespace panelaid
