#pragma once
// Containers: a plain panel (a white surface with a thin border, or nothing at all for a
// layout-only group) and a titled panel whose children start below its title bar.

#include "gui/child_element.h"

#include <string>

class cPanelChild : public cChildElement {
public:
    explicit cPanelChild(bool framed = true) : framed_(framed) {}
    void OnPaint(cCanvas& canvas) override;

private:
    bool framed_;
};

class cWTPanelChild : public cChildElement {
public:
    static constexpr int kTitleHeight = 28;
    explicit cWTPanelChild(std::u16string title) : title_(std::move(title)) {}
    void SetTitle(std::u16string title);
    void OnPaint(cCanvas& canvas) override;

private:
    std::u16string title_;
};
