#pragma once
// A progress bar with a settable range and opacity. Workers set it through its two
// request actions, which are safe to post from any thread.

#include "gui/child_element.h"

inline constexpr int kActionSetProgress = 10;
inline constexpr int kActionSetOpacity = 11;

class cProgressChild : public cChildElement {
public:
    class cSetProgressRequestAction : public cChildAction {
    public:
        explicit cSetProgressRequestAction(int position)
            : cChildAction(kActionSetProgress), position_(position) {}
        int Position() const { return position_; }

    private:
        int position_;
    };
    class cSetOpacityRequestAction : public cChildAction {
    public:
        explicit cSetOpacityRequestAction(std::uint8_t opacity)
            : cChildAction(kActionSetOpacity), opacity_(opacity) {}
        std::uint8_t Opacity() const { return opacity_; }

    private:
        std::uint8_t opacity_;
    };

    explicit cProgressChild(int minimum = 0, int maximum = 1000);
    void SetRange(int minimum, int maximum);
    // Clamped to the range.
    void SetPosition(int position);
    int Position() const { return position_; }
    void SetOpacity(std::uint8_t opacity);
    std::uint8_t Opacity() const { return opacity_; }

    void OnPaint(cCanvas& canvas) override;
    void OnAction(cChildAction& action) override;

private:
    int minimum_;
    int maximum_;
    int position_;
    std::uint8_t opacity_ = 255;
};
