#pragma once
#include "platform/ui/Geometry.h"

namespace app {

// How the window's picture sits in a drawable of any size: scaled as large as fits, aspect kept,
// centred between black bars. Mouse positions arrive in the desktop window's coordinates, which
// on a high-density screen are fewer than its pixels.
struct Letterbox {
    double scale = 1;
    double offsetX = 0;
    double offsetY = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    double pixelsPerWindowUnitX = 1;
    double pixelsPerWindowUnitY = 1;

    static Letterbox fit(ui::Size points, int drawableWidth, int drawableHeight, int windowWidth, int windowHeight);

    // A mouse position to a point of the picture (outside its bounds over the bars).
    ui::Point pointForMouse(double x, double y) const;
};

}
