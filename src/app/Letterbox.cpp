#include "app/Letterbox.h"

#include <algorithm>
#include <cmath>

namespace app {

Letterbox Letterbox::fit(ui::Size points, int drawableWidth, int drawableHeight, int windowWidth, int windowHeight)
{
    Letterbox box;
    drawableWidth = std::max(1, drawableWidth);
    drawableHeight = std::max(1, drawableHeight);
    box.scale = std::min(drawableWidth / points.width, drawableHeight / points.height);
    box.pictureWidth = std::max(1, static_cast<int>(std::lround(points.width * box.scale)));
    box.pictureHeight = std::max(1, static_cast<int>(std::lround(points.height * box.scale)));
    // Whole pixels, so the picture is not resampled.
    box.offsetX = std::floor((drawableWidth - box.pictureWidth) / 2.0);
    box.offsetY = std::floor((drawableHeight - box.pictureHeight) / 2.0);
    box.pixelsPerWindowUnitX = static_cast<double>(drawableWidth) / std::max(1, windowWidth);
    box.pixelsPerWindowUnitY = static_cast<double>(drawableHeight) / std::max(1, windowHeight);
    return box;
}

ui::Point Letterbox::pointForMouse(double x, double y) const
{
    double px = x * pixelsPerWindowUnitX;
    double py = y * pixelsPerWindowUnitY;
    return { (px - offsetX) / scale, (py - offsetY) / scale };
}

}
