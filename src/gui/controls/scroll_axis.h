#pragma once
// One axis of a scrolling view or scroll bar: how much content there is, how much of it
// shows (the page), where the view stands, and the thumb derived from those. Pure
// arithmetic, so the clamping rules are tested without drawing.

#include <utility>

class cScrollAxis {
public:
    // The smallest thumb still easy to grab, even over millions of pixels of content.
    static constexpr int kMinThumb = 18;

    // Keeps the position valid for the new extent (a shrinking list pulls it back).
    void SetExtent(int content, int page);
    int Content() const { return content_; }
    int Page() const { return page_; }
    int Position() const { return position_; }
    int MaxPosition() const { return content_ > page_ ? content_ - page_ : 0; }
    bool Needed() const { return content_ > page_; }
    // Clamps to [0, MaxPosition]; true when the position changed.
    bool SetPosition(int position);

    // The thumb on a track of `track` pixels: offset from the track's start, and length.
    std::pair<int, int> Thumb(int track) const;
    // The position that puts the thumb's start at `thumb_offset` on that track.
    int PositionForThumb(int track, int thumbOffset) const;

    // How far a wheel event moves towards the end: three lines of `line` units a notch
    // (Windows-style units, 120 a notch, turned up for "back"). Fine-grained wheels report
    // fractions of a notch; they still move at least one unit in their direction.
    static int WheelDistance(int delta, int line);

private:
    int content_ = 0;
    int page_ = 0;
    int position_ = 0;
};
