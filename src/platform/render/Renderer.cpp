#include "platform/render/Renderer.h"
#include "platform/render/PainterCairo.h"
#include "platform/render/Surface.h"
#include "platform/ui/DamageRegion.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// The colour that fills exactly as `color` filled into a group painted at `alpha` does. Cairo
// keeps colours in 16 bits and the image in 8: the fill lands as the 8-bit premultiplied colour,
// which the group's alpha then scales with pixman's rounding. Aiming the plain fill at that same
// 8-bit value keeps a faint panel's pixels what they were when it was drawn as a group.
ui::Color fadedColor(ui::Color color, double alpha)
{
    auto to8 = [](double d) { return int(d * 65535.0 + 0.5) >> 8; };
    auto multiply = [](int a, int b) {
        int t = a * b + 0x80;
        return ((t >> 8) + t) >> 8;
    };
    double a = std::clamp(color.a, 0.0, 1.0);
    int mask = to8(std::clamp(alpha, 0.0, 1.0));
    int targetAlpha = multiply(to8(a), mask);
    if (targetAlpha == 0)
        return ui::Color::rgba(0, 0, 0, 0);
    // The middle of the 16-bit span that turns into the target 8-bit value.
    double outAlpha = (targetAlpha * 256 + 128) / 65535.0;
    auto channel = [&](double c) {
        int target = multiply(to8(std::clamp(c, 0.0, 1.0) * a), mask);
        return std::min(1.0, (target * 256 + 128) / 65535.0 / outAlpha);
    };
    return ui::Color::rgba(channel(color.r), channel(color.g), channel(color.b), outAlpha);
}

// The view's rounded (or plain) bounds as a path.
std::shared_ptr<ui::BezierPath> boundsPath(ui::Rect bounds, double cornerRadius)
{
    return cornerRadius > 0 ? ui::BezierPath::bezierPathWithRoundedRect(bounds, cornerRadius) : ui::BezierPath::bezierPathWithRect(bounds);
}

void drawLayer(const ui::Layer& layer, ui::Painter& painter, ui::Rect clip)
{
    if (layer.isHidden() || layer.opacity() <= 0)
        return;
    if (!layer.drawingExtent().intersects(clip))
        return;
    ui::Rect frame = layer.frame();
    ui::Rect bounds = layer.bounds();
    double dx = frame.x() - bounds.x(), dy = frame.y() - bounds.y();
    painter.save();
    painter.translate(dx, dy);
    ui::Rect localClip = clip.offsetBy(-dx, -dy);
    bool group = layer.opacity() < 1;
    if (group)
        painter.beginGroup(layer.opacity());
    if (auto background = layer.backgroundColor(); background && background->a > 0) {
        if (layer.cornerRadius() > 0)
            painter.fillPath(*boundsPath(bounds, layer.cornerRadius()), *background);
        else
            painter.fillRect(bounds, *background);
    }
    if (layer.masksToBounds()) {
        painter.clipPath(*boundsPath(bounds, layer.cornerRadius()));
        localClip = localClip.intersection(bounds);
    }
    if (auto* shape = dynamic_cast<const ui::ShapeLayer*>(&layer)) {
        // The path is in the layer's bounds coordinates, which is where we stand now.
        if (auto fill = shape->fillColor(); fill && fill->a > 0)
            painter.fillPath(shape->path(), *fill);
        if (auto stroke = shape->strokeColor(); stroke && stroke->a > 0)
            painter.strokePath(shape->path(), { *stroke, shape->lineWidth(), shape->lineJoin(), shape->lineCap(), shape->lineDashPattern(), shape->lineDashPhase() });
    }
    for (auto& sublayer : layer.sublayers())
        drawLayer(*sublayer, painter, localClip);
    if (layer.borderWidth() > 0)
        painter.strokeRectInside(bounds, layer.borderWidth(), layer.cornerRadius(), layer.borderColor());
    if (group)
        painter.endGroup();
    painter.restore();
}

// The mask's filled area, in the masked view's bounds coordinates.
ui::BezierPath maskClipPath(const ui::ShapeLayer& mask)
{
    ui::Point offset = mask.pathOffset();
    ui::BezierPath moved;
    using Op = ui::BezierPath::Op;
    for (auto e : mask.path().elements()) {
        e.p = { e.p.x + offset.x, e.p.y + offset.y };
        e.c1 = { e.c1.x + offset.x, e.c1.y + offset.y };
        e.c2 = { e.c2.x + offset.x, e.c2.y + offset.y };
        switch (e.op) {
        case Op::Move:
            moved.moveToPoint(e.p);
            break;
        case Op::Line:
            moved.addLineToPoint(e.p);
            break;
        case Op::Curve:
            moved.addCurveToPoint(e.p, e.c1, e.c2);
            break;
        case Op::Arc:
            moved.addArc(e.p, e.radius, e.startAngle, e.endAngle, e.clockwise);
            break;
        case Op::Close:
            moved.closePath();
            break;
        }
    }
    return moved;
}

}

void Renderer::drawView(ui::View& view, ui::Painter& painter, ui::Rect clip)
{
    if (view.isHidden() || view.alpha() <= 0)
        return;
    if (!view.drawingExtentInSuperview().intersects(clip))
        return;
    const ui::Layer& layer = view.layer();
    ui::Rect frame = view.frame();
    ui::Rect bounds = view.bounds();
    double dx = frame.x() - bounds.x(), dy = frame.y() - bounds.y();

    painter.save();
    painter.translate(dx, dy);
    ui::Rect localClip = clip.offsetBy(-dx, -dy);
    // Group opacity: the view and its children are composited together, once. A view that
    // paints one fill and nothing else needs no group: the fill itself is made fainter.
    double radius = layer.cornerRadius();
    // (Square only: a rounded edge's coverage would round differently from the group's.)
    bool plainFill = view.subviews().empty() && layer.sublayers().empty() && !layer.mask() && layer.borderWidth() <= 0
        && radius <= 0 && !view.hasCustomDrawing();
    bool group = view.alpha() < 1 && !plainFill;
    if (group)
        painter.beginGroup(view.alpha());

    if (auto& mask = layer.mask()) {
        // Only the mask's filled area shows, of the view and of every child, inside the bounds
        // or not. A mask without a fill hides everything.
        if (!mask->fillColor() || mask->fillColor()->a <= 0 || mask->path().isEmpty()) {
            if (group)
                painter.endGroup();
            painter.restore();
            return;
        }
        painter.clipPath(maskClipPath(*mask));
        localClip = localClip.intersection(mask->drawingExtent());
    }

    if (auto background = view.backgroundColor(); background && background->a > 0) {
        if (plainFill && view.alpha() < 1)
            background = fadedColor(*background, view.alpha());
        if (radius > 0)
            painter.fillPath(*boundsPath(bounds, radius), *background);
        else
            painter.fillRect(bounds, *background);
    }
    bool clips = view.clipsToBounds();
    if (clips) {
        if (radius > 0)
            painter.clipPath(*boundsPath(bounds, radius));
        else
            painter.clipRect(bounds);
        localClip = localClip.intersection(bounds);
    }
    view.draw(painter, localClip);
    for (auto& sublayer : layer.sublayers())
        drawLayer(*sublayer, painter, localClip);

    std::vector<ui::View*> children;
    view.subviewsIntersecting(localClip, children);
    for (ui::View* child : children)
        drawView(*child, painter, localClip);

    // The border lies inside the bounds, above the content and the children.
    if (layer.borderWidth() > 0)
        painter.strokeRectInside(bounds, layer.borderWidth(), radius, layer.borderColor());

    if (group)
        painter.endGroup();
    painter.restore();
}

void Renderer::render(ui::Window& window, void* cairoContext, double scale)
{
    installTextMetrics();
    window.layoutIfNeeded();
    cairo_t* cr = static_cast<cairo_t*>(cairoContext);
    cairo_save(cr);
    cairo_scale(cr, scale, scale);
    PainterCairo painter(cr);
    painter.clipRect(window.bounds());
    ui::Rect clip = window.bounds();
    for (ui::View* view : window.viewsToDraw())
        drawView(*view, painter, clip);
    cairo_restore(cr);
}

std::vector<PixelRect> Renderer::renderDamage(ui::Window& window, Surface& surface, double scale, const ui::DamageRegion& damage)
{
    installTextMetrics();
    window.layoutIfNeeded();
    std::vector<PixelRect> drawn;
    cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface.cairoSurface()));
    for (const ui::Rect& rect : damage.rects()) {
        int x0 = std::max(0, int(std::floor(rect.minX() * scale)));
        int y0 = std::max(0, int(std::floor(rect.minY() * scale)));
        int x1 = std::min(surface.width(), int(std::ceil(rect.maxX() * scale)));
        int y1 = std::min(surface.height(), int(std::ceil(rect.maxY() * scale)));
        if (x1 <= x0 || y1 <= y0)
            continue;
        PixelRect area { x0, y0, x1 - x0, y1 - y0 };
        drawn.push_back(area);
        cairo_save(cr);
        cairo_rectangle(cr, area.x, area.y, area.width, area.height);
        cairo_clip(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_scale(cr, scale, scale);
        {
            PainterCairo painter(cr);
            painter.clipRect(window.bounds());
            ui::Rect clip = ui::RectMake(area.x / scale, area.y / scale, area.width / scale, area.height / scale);
            for (ui::View* view : window.viewsToDraw())
                drawView(*view, painter, clip);
        }
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_mark_dirty(static_cast<cairo_surface_t*>(surface.cairoSurface()));
    return drawn;
}

void Renderer::render(ui::Window& window, Surface& surface, double scale)
{
    cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface.cairoSurface()));
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    render(window, cr, scale);
    cairo_destroy(cr);
    cairo_surface_mark_dirty(static_cast<cairo_surface_t*>(surface.cairoSurface()));
}

std::shared_ptr<Surface> Renderer::renderToSurface(ui::Window& window, double scale)
{
    auto surface = Surface::create(static_cast<int>(std::ceil(window.size().width * scale)), static_cast<int>(std::ceil(window.size().height * scale)));
    render(window, *surface, scale);
    return surface;
}

bool Renderer::renderToPNG(ui::Window& window, const std::string& path, double scale)
{
    return renderToSurface(window, scale)->writeToPNG(path);
}

void Renderer::renderView(ui::View& view, Surface& surface, double scale, ui::Point origin)
{
    installTextMetrics();
    view.layoutIfNeeded();
    cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface.cairoSurface()));
    cairo_scale(cr, scale, scale);
    double dx = origin.x - view.frame().x(), dy = origin.y - view.frame().y();
    cairo_translate(cr, dx, dy);
    PainterCairo painter(cr);
    // The surface's area, in the coordinates the view's frame is given in.
    ui::Rect clip = ui::RectMake(-dx, -dy, surface.width() / scale, surface.height() / scale);
    drawView(view, painter, clip);
    cairo_destroy(cr);
    cairo_surface_mark_dirty(static_cast<cairo_surface_t*>(surface.cairoSurface()));
}

void Renderer::installTextMetrics()
{
    if (!ui::Font::hasMetrics())
        ui::Font::setMetrics({ PainterCairo::textWidth, PainterCairo::lineHeight, PainterCairo::ascender });
}

}
