#include "gui/controls/panel_child.h"

#include "gui/painter.h"

void cPanelChild::OnPaint(cCanvas& canvas) {
    if (framed_) {
        painter::Panel(canvas, ClientRect());
    }
}

void cWTPanelChild::SetTitle(std::u16string title) {
    title_ = std::move(title);
    Invalidate();
}

void cWTPanelChild::OnPaint(cCanvas& canvas) {
    painter::TitledPanel(canvas, ClientRect(), kTitleHeight, title_);
}
