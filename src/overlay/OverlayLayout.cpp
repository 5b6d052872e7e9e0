#include "overlay/OverlayLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace overlay {

namespace {

// Halves away from zero, whole points.
double roundPoint(double value)
{
    return std::round(value);
}

ui::Size boxAround(const OverlayLayout::Input& in, double contentWidth, double contentHeight)
{
    const double margin = in.margin;
    ui::Size box { contentWidth + 2 * margin, contentHeight + 2 * margin };
    if (in.square) {
        double side = std::max(box.width, box.height);
        if (side <= in.area.width - 2 * margin)
            box.width = side;
        if (side <= in.area.height - 2 * margin)
            box.height = side;
    }
    box.width = std::max(box.width, in.minSize.width);
    box.height = std::max(box.height, in.minSize.height);
    return box;
}

}

OverlayLayout::Frames OverlayLayout::layout(const Input& in)
{
    const double width = in.area.width;
    const double height = in.area.height;
    const double maxWidth = width - 4 * in.margin;

    auto clamped = [maxWidth](const std::optional<ui::Size>& natural) {
        if (!natural)
            return ui::Size {};
        return ui::Size { std::min(natural->width, maxWidth), natural->height };
    };
    const ui::Size indicatorSize = clamped(in.indicator);
    const ui::Size labelSize = clamped(in.label);

    const bool indicatorAndLabel = labelSize.height > 0 && indicatorSize.height > 0;
    double contentHeight = indicatorSize.height + labelSize.height;
    if (indicatorAndLabel)
        contentHeight += in.padding;

    // The details label gets the room that is left.
    ui::Size detailsSize = clamped(in.details);
    if (in.details) {
        const double remainingHeight = height - contentHeight - in.padding - 4 * in.margin;
        detailsSize.height = std::max(0.0, std::min(detailsSize.height, remainingHeight));
    }
    const bool detailsPadding = detailsSize.height > 0 && (indicatorSize.height > 0 || labelSize.height > 0);
    contentHeight += detailsSize.height;
    if (detailsPadding)
        contentHeight += in.padding;

    Frames frames;
    frames.box = boxAround(in, std::max({ indicatorSize.width, labelSize.width, detailsSize.width }), contentHeight);

    double y = roundPoint((height - frames.box.height) / 2) + in.margin + in.offset.y;
    const double xOffset = in.offset.x;
    frames.indicator = { { roundPoint((width - indicatorSize.width) / 2) + xOffset, y }, indicatorSize };
    y += indicatorSize.height;
    if (indicatorAndLabel)
        y += in.padding;
    frames.label = { { roundPoint((width - labelSize.width) / 2) + xOffset, y }, labelSize };
    y += labelSize.height;
    if (detailsPadding)
        y += in.padding;
    frames.details = { { roundPoint((width - detailsSize.width) / 2) + xOffset, y }, detailsSize };
    return frames;
}

ui::Rect OverlayLayout::boxRect(ui::Size area, ui::Size box, ui::Point offset)
{
    return { { roundPoint((area.width - box.width) / 2) + offset.x, roundPoint((area.height - box.height) / 2) + offset.y }, box };
}

ui::BezierPath OverlayLayout::outline(ui::Rect box, double radius)
{
    constexpr double pi = std::numbers::pi;
    ui::BezierPath path;
    path.moveToPoint({ box.minX() + radius, box.minY() });
    path.addArc({ box.maxX() - radius, box.minY() + radius }, radius, 3 * pi / 2, 0, true);
    path.addArc({ box.maxX() - radius, box.maxY() - radius }, radius, 0, pi / 2, true);
    path.addArc({ box.minX() + radius, box.maxY() - radius }, radius, pi / 2, pi, true);
    path.addArc({ box.minX() + radius, box.minY() + radius }, radius, pi, 3 * pi / 2, true);
    path.closePath();
    return path;
}

}
