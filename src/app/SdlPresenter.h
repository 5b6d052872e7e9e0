#pragma once
#include "app/Letterbox.h"

#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace render {
class Surface;
}

namespace ui {
class Window;
}

namespace app {

class FrameStats;

// Puts the kit window's picture on the desktop window: draws what the kit says changed (all of
// it after an expose or a resize) into a picture the letterbox's size, uploads only that to a
// streaming texture, and presents it centred between black bars, at the screen's pixel density.
class SdlPresenter {
public:
    // Takes `renderer`, and destroys it with its texture; `window` stays the caller's.
    SdlPresenter(SDL_Window* window, SDL_Renderer* renderer);
    ~SdlPresenter();
    SdlPresenter(const SdlPresenter&) = delete;
    SdlPresenter& operator=(const SdlPresenter&) = delete;

    // Fits `points` into the window's current size and pixels.
    void updateGeometry(ui::Size points);
    const Letterbox& letterbox() const { return m_box; }

    // The texture lost its picture (exposed, resized): the next frame draws everything.
    void redrawAll() { m_redrawAll = true; }
    bool needsRedrawAll() const { return m_redrawAll; }
    // Where each frame's costs go (none: not measured). Not owned.
    void setFrameStats(FrameStats* stats) { m_stats = stats; }

    // Draws, uploads and presents; with a path, first saves what the screen shows there as a PNG.
    // False when the texture cannot be made or the screenshot cannot be saved.
    bool draw(ui::Window& kit, const std::string& readBackPath);

private:
    bool preparePicture(ui::Window& kit);
    bool readBack(const std::string& path);

    SDL_Window* m_window;
    SDL_Renderer* m_renderer;
    SDL_Texture* m_texture = nullptr;
    int m_textureWidth = 0;
    int m_textureHeight = 0;
    std::shared_ptr<render::Surface> m_picture;
    Letterbox m_box;
    bool m_redrawAll = true;
    FrameStats* m_stats = nullptr;
};

}
