#include "platform/render/Surface.h"

#include <cairo.h>

namespace render {

namespace {
cairo_surface_t* cs(void* p)
{
    return static_cast<cairo_surface_t*>(p);
}
}

std::shared_ptr<Surface> Surface::create(int widthPixels, int heightPixels)
{
    widthPixels = std::max(1, widthPixels);
    heightPixels = std::max(1, heightPixels);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
    return std::shared_ptr<Surface>(new Surface(surface, widthPixels, heightPixels));
}

core::Result<std::shared_ptr<Surface>> Surface::createFromPNG(const std::string& path)
{
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_status_t status = cairo_surface_status(loaded); status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(loaded);
        return core::Error::make("BeatStripImageErrorDomain", status,
            "Cannot read the PNG image " + path + ": " + cairo_status_to_string(status));
    }
    // Opaque PNGs load without an alpha channel; painted onto a new picture, every image has one.
    auto surface = create(cairo_image_surface_get_width(loaded), cairo_image_surface_get_height(loaded));
    cairo_t* cr = cairo_create(cs(surface->m_surface));
    cairo_set_source_surface(cr, loaded, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(loaded);
    return surface;
}

Surface::~Surface()
{
    cairo_surface_destroy(cs(m_surface));
}

int Surface::stride() const
{
    return cairo_image_surface_get_stride(cs(m_surface));
}

const uint8_t* Surface::data() const
{
    cairo_surface_flush(cs(m_surface));
    return cairo_image_surface_get_data(cs(m_surface));
}

uint8_t* Surface::data()
{
    cairo_surface_flush(cs(m_surface));
    return cairo_image_surface_get_data(cs(m_surface));
}

uint32_t Surface::rawPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    const uint8_t* row = data() + static_cast<size_t>(y) * static_cast<size_t>(stride());
    return reinterpret_cast<const uint32_t*>(row)[x];
}

ui::Color Surface::pixel(int x, int y) const
{
    uint32_t p = rawPixel(x, y);
    double a = (p >> 24) & 0xFF;
    if (a == 0)
        return ui::Color::clear();
    // Stored premultiplied.
    return { ((p >> 16) & 0xFF) / a, ((p >> 8) & 0xFF) / a, (p & 0xFF) / a, a / 255.0 };
}

void Surface::clear(ui::Color color)
{
    cairo_t* cr = cairo_create(cs(m_surface));
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
    cairo_paint(cr);
    cairo_destroy(cr);
}

bool Surface::writeToPNG(const std::string& path) const
{
    cairo_surface_flush(cs(m_surface));
    return cairo_surface_write_to_png(cs(m_surface), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}
