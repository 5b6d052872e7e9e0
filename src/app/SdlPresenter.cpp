#include "app/SdlPresenter.h"

#include "app/FrameStats.h"
#include "platform/core/Log.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Window.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace app {

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}

SdlPresenter::SdlPresenter(SDL_Window* window, SDL_Renderer* renderer)
    : m_window(window)
    , m_renderer(renderer)
{
}

SdlPresenter::~SdlPresenter()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    if (m_renderer)
        SDL_DestroyRenderer(m_renderer);
}

void SdlPresenter::updateGeometry(ui::Size points)
{
    int pixelWidth = 0, pixelHeight = 0, windowWidth = 0, windowHeight = 0;
    SDL_GetRendererOutputSize(m_renderer, &pixelWidth, &pixelHeight);
    SDL_GetWindowSize(m_window, &windowWidth, &windowHeight);
    m_box = Letterbox::fit(points, pixelWidth, pixelHeight, windowWidth, windowHeight);
}

// Makes the picture and the texture the letterbox's size; false when the texture cannot be
// made. A new picture has nothing on it yet: everything is drawn.
bool SdlPresenter::preparePicture(ui::Window& kit)
{
    updateGeometry(kit.size());
    int width = m_box.pictureWidth;
    int height = m_box.pictureHeight;
    if (!m_picture || m_picture->width() != width || m_picture->height() != height) {
        m_picture = render::Surface::create(width, height);
        m_redrawAll = true;
    }
    if (!m_texture || m_textureWidth != width || m_textureHeight != height) {
        if (m_texture)
            SDL_DestroyTexture(m_texture);
        m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!m_texture) {
            core::log("Cannot create a %dx%d texture: %s", width, height, SDL_GetError());
            return false;
        }
        SDL_SetTextureBlendMode(m_texture, SDL_BLENDMODE_NONE);
        m_textureWidth = width;
        m_textureHeight = height;
        m_redrawAll = true;
    }
    return true;
}

// Draws what changed (everything after a resize or an expose), uploads only that, presents.
bool SdlPresenter::draw(ui::Window& kit, const std::string& readBackPath)
{
    if (!preparePicture(kit))
        return false;
    ui::DamageRegion damage = kit.damage();
    if (m_redrawAll) {
        damage.clear();
        damage.add(kit.bounds());
    }
    kit.clearNeedsDisplay();
    m_redrawAll = false;

    auto start = std::chrono::steady_clock::now();
    std::vector<render::PixelRect> drawn = render::Renderer::renderDamage(kit, *m_picture, m_box.scale, damage);
    double renderMs = millisecondsSince(start);

    start = std::chrono::steady_clock::now();
    double drawnPixels = 0;
    const uint8_t* pixels = m_picture->data();
    for (const render::PixelRect& r : drawn) {
        SDL_Rect area { r.x, r.y, r.width, r.height };
        SDL_UpdateTexture(m_texture, &area, pixels + size_t(r.y) * size_t(m_picture->stride()) + size_t(r.x) * 4, m_picture->stride());
        drawnPixels += double(r.width) * double(r.height);
    }
    double uploadMs = millisecondsSince(start);

    start = std::chrono::steady_clock::now();
    SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
    SDL_RenderClear(m_renderer);
    SDL_Rect destination { static_cast<int>(m_box.offsetX), static_cast<int>(m_box.offsetY), m_picture->width(), m_picture->height() };
    SDL_RenderCopy(m_renderer, m_texture, nullptr, &destination);
    bool saved = true;
    if (!readBackPath.empty())
        saved = readBack(readBackPath);
    SDL_RenderPresent(m_renderer);
    double presentMs = millisecondsSince(start);

    if (m_stats) {
        double area = double(m_picture->width()) * double(m_picture->height());
        m_stats->addFrame(renderMs, uploadMs, presentMs, area > 0 ? std::min(1.0, drawnPixels / area) : 0);
    }
    return saved;
}

// What the renderer put on screen, before presenting swaps it away.
bool SdlPresenter::readBack(const std::string& path)
{
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(m_renderer, &width, &height);
    auto shot = render::Surface::create(width, height);
    if (SDL_RenderReadPixels(m_renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shot->data(), shot->stride()) != 0) {
        core::log("Cannot read the window back: %s", SDL_GetError());
        return false;
    }
    return shot->writeToPNG(path);
}

}
