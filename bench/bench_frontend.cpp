// What the window front end adds to a frame: the gallery screen rendered into the picture
// surface (the peer), against the same render followed by the texture upload, the copy into the
// window and the present, on SDL's software renderer with the dummy video driver (no display
// needed). Measured at 1x and at 2x, the pixel density of a high-density screen. Goal: the front
// end adds no more than the render itself costs (render + present within 2x of the render).
#include "BenchHome.h"
#include "app/GalleryViewController.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double msPerRun(int runs, const auto& body)
{
    body(); // warm caches (fonts, images, textures)
    auto start = Clock::now();
    for (int i = 0; i < runs; i++)
        body();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / runs;
}

}

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "bench_frontend: SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    ui::Image::setResourceDirectory(BEATSTRIP_SOURCE_DIR "/assets");
    render::Renderer::installTextMetrics();
    auto window = ui::Window::create();
    window->setRootViewController(app::GalleryViewController::create());
    window->layoutIfNeeded();
    if (setupOnly(argc, argv))
        return 0;

    printf("bench_frontend: gallery screen, software SDL renderer (dummy video driver)\n");
    printf("%-6s %14s %20s %8s\n", "scale", "render ms", "render+present ms", "ratio");
    double worst = 0;
    for (double scale : { 1.0, 2.0 }) {
        int width = static_cast<int>(std::lround(ui::Window::kWidth * scale));
        int height = static_cast<int>(std::lround(ui::Window::kHeight * scale));
        SDL_Window* sdlWindow = SDL_CreateWindow("bench", 0, 0, width, height, 0);
        SDL_Renderer* renderer = sdlWindow ? SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_SOFTWARE) : nullptr;
        SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height) : nullptr;
        if (!texture) {
            fprintf(stderr, "bench_frontend: cannot set up SDL at %gx: %s\n", scale, SDL_GetError());
            return 1;
        }
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
        auto surface = render::Surface::create(width, height);
        constexpr int kRuns = 60;
        double renderOnly = msPerRun(kRuns, [&] { render::Renderer::render(*window, *surface, scale); });
        double withPresent = msPerRun(kRuns, [&] {
            render::Renderer::render(*window, *surface, scale);
            SDL_UpdateTexture(texture, nullptr, surface->data(), surface->stride());
            SDL_RenderClear(renderer);
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
            SDL_RenderPresent(renderer);
        });
        printf("%-6g %14.2f %20.2f %8.2f\n", scale, renderOnly, withPresent, withPresent / renderOnly);
        worst = std::max(worst, withPresent / renderOnly);
        SDL_DestroyTexture(texture);
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(sdlWindow);
    }
    SDL_Quit();
    printf("goal: render + present within 2x of the render at both scales: %.2fx, %s\n", worst, worst <= 2.0 ? "met" : "NOT met");
    return 0;
}
