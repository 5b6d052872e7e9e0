#pragma once
#include "platform/ui/View.h"

#include <memory>

namespace ui {
class ShapeLayer;
}

namespace player {

// A vertical dashed line: black, half a point wide, 10 points painted and 5 left out. The dash
// layer stands at x = 0 of the view, centred 100 points above the view's centre, so for a frame
// (X, Y, W, H) the line lies at x = X - W/2 in the parent, from y = 2Y - 100 down by H. The view
// does not clip, so the line shows outside its own frame.
class DottedLine : public ui::View {
public:
    static std::shared_ptr<DottedLine> create(ui::Rect frame);

    // The one dash layer: placed when the view is made and again when its geometry changes, so
    // drawing the strip many times never stacks up copies of it.
    const std::shared_ptr<ui::ShapeLayer>& dashLayer() const { return m_dashLayer; }

    void layoutSubviews() override;
    std::string className() const override { return "DottedLine"; }

private:
    explicit DottedLine(ui::Rect frame);
    void placeDashLayer();

    std::shared_ptr<ui::ShapeLayer> m_dashLayer;
};

}
