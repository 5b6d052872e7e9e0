#include "platform/render/PainterCairo.h"
#include "platform/ui/Image.h"

#include <cairo.h>

#include <cmath>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace render {

namespace {

cairo_t* ctx(void* p)
{
    return static_cast<cairo_t*>(p);
}

// Toy font faces by family and style, created once (fontconfig resolves the family).
cairo_font_face_t* fontFace(const ui::Font& font)
{
    static std::map<std::tuple<std::string, bool, bool>, cairo_font_face_t*> faces;
    auto key = std::make_tuple(font.family(), font.bold, font.italic);
    auto it = faces.find(key);
    if (it != faces.end())
        return it->second;
    cairo_font_face_t* face = cairo_toy_font_face_create(std::get<0>(key).c_str(),
        font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    faces.emplace(key, face);
    return face;
}

void setFont(cairo_t* cr, const ui::Font& font)
{
    cairo_set_font_face(cr, fontFace(font));
    cairo_set_font_size(cr, font.size);
}

// A context for measuring text outside any drawing (layout code asks before the first frame).
cairo_t* measuringContext()
{
    static cairo_t* cr = [] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* context = cairo_create(surface);
        cairo_surface_destroy(surface);
        return context;
    }();
    return cr;
}

// Decoded resource images by path; a failed load is remembered as null.
cairo_surface_t* loadImage(const std::string& path)
{
    static std::map<std::string, cairo_surface_t*> images;
    auto it = images.find(path);
    if (it != images.end())
        return it->second;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        surface = nullptr;
    }
    images.emplace(path, surface);
    return surface;
}

void appendPath(cairo_t* cr, const ui::BezierPath& path)
{
    cairo_new_path(cr);
    using Op = ui::BezierPath::Op;
    for (auto& e : path.elements()) {
        switch (e.op) {
        case Op::Move:
            cairo_move_to(cr, e.p.x, e.p.y);
            break;
        case Op::Line:
            cairo_line_to(cr, e.p.x, e.p.y);
            break;
        case Op::Curve:
            cairo_curve_to(cr, e.c1.x, e.c1.y, e.c2.x, e.c2.y, e.p.x, e.p.y);
            break;
        case Op::Arc:
            // y grows downwards, so Cairo's increasing angles already turn clockwise on screen.
            if (e.clockwise)
                cairo_arc(cr, e.p.x, e.p.y, e.radius, e.startAngle, e.endAngle);
            else
                cairo_arc_negative(cr, e.p.x, e.p.y, e.radius, e.startAngle, e.endAngle);
            break;
        case Op::Close:
            cairo_close_path(cr);
            break;
        }
    }
}

void setColor(cairo_t* cr, ui::Color c)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

// Installed whenever the renderer is linked in, so layout measures what will be drawn.
const bool s_metricsInstalled = [] {
    ui::Font::setMetrics({ PainterCairo::textWidth, PainterCairo::lineHeight, PainterCairo::ascender });
    return true;
}();

}

struct PainterCairo::Impl {
    cairo_t* cr;
    std::vector<double> groupAlphas;
};

PainterCairo::PainterCairo(void* cairoContext)
    : m_impl(std::make_unique<Impl>(Impl { ctx(cairoContext), {} }))
{
    (void)s_metricsInstalled;
}

PainterCairo::~PainterCairo() = default;

void PainterCairo::save()
{
    cairo_save(m_impl->cr);
}

void PainterCairo::restore()
{
    cairo_restore(m_impl->cr);
}

void PainterCairo::translate(double dx, double dy)
{
    cairo_translate(m_impl->cr, dx, dy);
}

void PainterCairo::clipRect(ui::Rect rect)
{
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(cr);
}

void PainterCairo::clipPath(const ui::BezierPath& path)
{
    cairo_t* cr = m_impl->cr;
    appendPath(cr, path);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
}

ui::Rect PainterCairo::clipBounds() const
{
    double x0, y0, x1, y1;
    cairo_clip_extents(m_impl->cr, &x0, &y0, &x1, &y1);
    return { { x0, y0 }, { x1 - x0, y1 - y0 } };
}

void PainterCairo::fillRect(ui::Rect rect, ui::Color color)
{
    if (color.a <= 0)
        return;
    cairo_t* cr = m_impl->cr;
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.x(), rect.y(), rect.width(), rect.height());
    setColor(cr, color);
    cairo_fill(cr);
}

void PainterCairo::fillPath(const ui::BezierPath& path, ui::Color color)
{
    if (color.a <= 0 || path.isEmpty())
        return;
    cairo_t* cr = m_impl->cr;
    appendPath(cr, path);
    setColor(cr, color);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
}

void PainterCairo::strokePath(const ui::BezierPath& path, const ui::StrokeStyle& style)
{
    if (style.color.a <= 0 || style.lineWidth <= 0 || path.isEmpty())
        return;
    cairo_t* cr = m_impl->cr;
    appendPath(cr, path);
    setColor(cr, style.color);
    cairo_set_line_width(cr, style.lineWidth);
    cairo_set_line_join(cr, style.lineJoin == ui::LineJoin::Round ? CAIRO_LINE_JOIN_ROUND
            : style.lineJoin == ui::LineJoin::Bevel             ? CAIRO_LINE_JOIN_BEVEL
                                                                : CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, style.lineCap == ui::LineCap::Round ? CAIRO_LINE_CAP_ROUND
            : style.lineCap == ui::LineCap::Square           ? CAIRO_LINE_CAP_SQUARE
                                                             : CAIRO_LINE_CAP_BUTT);
    // Cairo puts the whole context in an error state (nothing more is drawn this frame) for a
    // negative or non-finite length or a pattern of zeros: such a pattern draws a solid line.
    bool dashed = !style.dashPattern.empty();
    double total = 0;
    for (double d : style.dashPattern) {
        dashed = dashed && d >= 0 && std::isfinite(d);
        total += d;
    }
    dashed = dashed && total > 0;
    if (dashed)
        cairo_set_dash(cr, style.dashPattern.data(), static_cast<int>(style.dashPattern.size()), style.dashPhase);
    cairo_stroke(cr);
    if (dashed)
        cairo_set_dash(cr, nullptr, 0, 0);
}

void PainterCairo::strokeRectInside(ui::Rect rect, double width, double cornerRadius, ui::Color color)
{
    if (width <= 0 || color.a <= 0)
        return;
    // The stroke is centred on the path, so the path runs half a width inside the edge.
    ui::Rect inner = rect.inset(width / 2, width / 2);
    if (inner.width() < 0 || inner.height() < 0) {
        fillRect(rect, color);
        return;
    }
    auto path = cornerRadius > 0 ? ui::BezierPath::bezierPathWithRoundedRect(inner, std::max(0.0, cornerRadius - width / 2))
                                 : ui::BezierPath::bezierPathWithRect(inner);
    strokePath(*path, { color, width });
}

void PainterCairo::drawText(const std::string& text, const ui::Font& font, ui::Color color, ui::Rect rect,
    ui::TextAlignment alignment, ui::LineBreakMode lineBreak)
{
    if (text.empty() || color.a <= 0)
        return;
    cairo_t* cr = m_impl->cr;
    std::string shown = lineBreak == ui::LineBreakMode::TruncatingTail ? ui::truncateTail(text, font, rect.width()) : text;
    if (shown.empty())
        return;
    setFont(cr, font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, shown.c_str(), &extents);
    cairo_font_extents_t fontExtents;
    cairo_font_extents(cr, &fontExtents);
    double width = extents.x_advance;
    double x = alignment == ui::TextAlignment::Left ? rect.x()
        : alignment == ui::TextAlignment::Right     ? rect.maxX() - width
                                                    : rect.midX() - width / 2;
    double baseline = rect.midY() - (fontExtents.ascent + fontExtents.descent) / 2 + fontExtents.ascent;
    cairo_save(cr);
    if (lineBreak == ui::LineBreakMode::Clip) {
        cairo_rectangle(cr, rect.x(), rect.y() - fontExtents.height, rect.width(), rect.height() + 2 * fontExtents.height);
        cairo_clip(cr);
    }
    cairo_new_path(cr);
    cairo_move_to(cr, x, baseline);
    setColor(cr, color);
    cairo_show_text(cr, shown.c_str());
    cairo_restore(cr);
}

ui::Size PainterCairo::measureText(const std::string& text, const ui::Font& font)
{
    return { textWidth(font, text), lineHeight(font) };
}

void PainterCairo::drawImage(const ui::Image& image, ui::Rect rect)
{
    cairo_surface_t* surface = loadImage(image.path());
    if (!surface || rect.isEmpty())
        return;
    cairo_t* cr = m_impl->cr;
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    if (w <= 0 || h <= 0)
        return;
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.x(), rect.y(), rect.width(), rect.height());
    cairo_clip(cr);
    cairo_translate(cr, rect.x(), rect.y());
    cairo_scale(cr, rect.width() / w, rect.height() / h);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    // Edge pixels stretch to the frame's edge instead of fading into nothing.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void PainterCairo::beginGroup(double alpha)
{
    cairo_push_group(m_impl->cr);
    m_impl->groupAlphas.push_back(alpha);
}

void PainterCairo::endGroup()
{
    if (m_impl->groupAlphas.empty())
        return;
    double alpha = m_impl->groupAlphas.back();
    m_impl->groupAlphas.pop_back();
    cairo_t* cr = m_impl->cr;
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
}

double PainterCairo::textWidth(const ui::Font& font, const std::string& text)
{
    if (text.empty())
        return 0;
    cairo_t* cr = measuringContext();
    setFont(cr, font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

double PainterCairo::lineHeight(const ui::Font& font)
{
    cairo_t* cr = measuringContext();
    setFont(cr, font);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    return extents.height;
}

double PainterCairo::ascender(const ui::Font& font)
{
    cairo_t* cr = measuringContext();
    setFont(cr, font);
    cairo_font_extents_t extents;
    cairo_font_extents(cr, &extents);
    return extents.ascent;
}

}
