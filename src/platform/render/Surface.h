#pragma once
#include "platform/core/Error.h"
#include "platform/ui/Color.h"

#include <cstdint>
#include <memory>
#include <string>

namespace render {

// Pixels to draw into: a 32-bit premultiplied ARGB image (Cairo's ARGB32, native-endian words,
// which SDL calls ARGB8888). Tests read pixels back; front ends upload data().
class Surface {
public:
    static std::shared_ptr<Surface> create(int widthPixels, int heightPixels);
    // A PNG file's picture at its own size, or why it cannot be read.
    static core::Result<std::shared_ptr<Surface>> createFromPNG(const std::string& path);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int stride() const;
    // Flushed pixel data, row after row of `stride` bytes.
    const uint8_t* data() const;
    uint8_t* data();

    // Un-premultiplied colour of one pixel (0 to 1 components); clear outside the surface.
    ui::Color pixel(int x, int y) const;
    uint32_t rawPixel(int x, int y) const;

    void clear(ui::Color color = ui::Color::clear());
    bool writeToPNG(const std::string& path) const;

    // The cairo_surface_t, for the renderer.
    void* cairoSurface() const { return m_surface; }

private:
    Surface(void* surface, int width, int height) : m_surface(surface), m_width(width), m_height(height) { }
    void* m_surface;
    int m_width;
    int m_height;
};

}
