#pragma once
// A tool bar: a row of flat buttons, each with an icon, a caption or both, a tool tip
// and a command id. Activating a button reports command kind 5 with its command id.
// When the captions do not all fit, the widest give way to their icons alone.

#include "gui/bitmap.h"
#include "gui/child_element.h"

#include <string>

class cToolBarChild : public cChildElement {
public:
    struct cButtonInfo {
        int commandId = 0;
        std::u16string caption;
        std::u16string tooltip;
        cBitmap icon; // may be empty
    };

    static constexpr int kHeight = 36;

    // Adds a button at the end of the row.
    void AddButton(cButtonInfo info);
    void AddSeparator();
    void SetButtonEnabled(int commandId, bool enabled);
    // Shown pressed-in while checked (view switches).
    void SetButtonChecked(int commandId, bool checked);
    void OnPaint(cCanvas& canvas) override;
    void OnSize() override;

private:
    cChildElement* FindButton(int commandId);
    void Layout();
};
