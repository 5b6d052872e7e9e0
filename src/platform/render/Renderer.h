#pragma once
#include "platform/ui/Forward.h"
#include "platform/ui/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {
class DamageRegion;
}

namespace render {

class Surface;

// An area of a surface, in whole pixels.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Draws view trees with Cairo. Only what can show is visited: subtrees whose drawing extent
// misses the clip are skipped, and big child lists answer from a spatial index, so a frame
// costs what is on screen, not what is in the tree.
//
// Rules: children in drawing order; group opacity (a view and its children fade as one; a view
// that is one plain fill is just filled fainter, which looks the same and costs less); no
// clipping except scroll views (their bounds), masksToBounds and masks (the mask's path, which
// also clips children standing outside the bounds); borders inside the bounds, above content.
class Renderer {
public:
    // The window at `scale` pixels a point into a surface of its size times scale: runs pending
    // layout, clears to black, draws viewsToDraw(). Does not clear needsDisplay.
    static void render(ui::Window& window, Surface& surface, double scale = 1.0);
    // Draws only `damage` (window points) over what `surface` kept from earlier frames: each
    // area, rounded out to whole pixels, is cleared and drawn clipped to it, giving the same
    // pixels there as render(). Returns the areas drawn, for the front end to upload.
    static std::vector<PixelRect> renderDamage(ui::Window& window, Surface& surface, double scale, const ui::DamageRegion& damage);
    // Into a cairo_t the caller owns (already cleared); the caller's transform is kept.
    static void render(ui::Window& window, void* cairoContext, double scale = 1.0);
    static std::shared_ptr<Surface> renderToSurface(ui::Window& window, double scale = 1.0);
    static bool renderToPNG(ui::Window& window, const std::string& path, double scale = 1.0);

    // One view tree, its frame origin at `origin` (pixels / scale) on a transparent surface.
    static void renderView(ui::View& view, Surface& surface, double scale = 1.0, ui::Point origin = {});
    // Draws `view` (in its superview's coordinates, through `painter`), culled to `clip` in the
    // same coordinates.
    static void drawView(ui::View& view, ui::Painter& painter, ui::Rect clip);

    // Makes ui::Font measure text with Cairo. Drawing calls it; front ends call it at start so
    // layout measures exactly before the first frame.
    static void installTextMetrics();
};

}
