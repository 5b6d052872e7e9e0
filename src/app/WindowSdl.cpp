#include "app/WindowSdl.h"

#include "app/Letterbox.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Window.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace app {

namespace {

// Points a wheel notch scrolls.
constexpr double kWheelStep = 40;

std::optional<ui::Key> keyFor(SDL_Keycode code)
{
    switch (code) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return ui::Key::Return;
    case SDLK_SPACE:
        return ui::Key::Space;
    case SDLK_LEFT:
        return ui::Key::Left;
    case SDLK_RIGHT:
        return ui::Key::Right;
    case SDLK_ESCAPE:
        return ui::Key::Escape;
    case SDLK_BACKSPACE:
        return ui::Key::Backspace;
    case SDLK_TAB:
        return ui::Key::Tab;
    case SDLK_DELETE:
        return ui::Key::Delete;
    default:
        return std::nullopt;
    }
}

}

struct WindowSdl::Impl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
    std::shared_ptr<render::Surface> picture;
    // Shared with the wake handler, which other threads may still be calling as the window goes.
    struct Wake {
        Uint32 event = 0;
        std::atomic<bool> pending { false };
    };
    std::shared_ptr<Wake> wake = std::make_shared<Wake>();

    Letterbox box;
    bool touching = false;

    ~Impl()
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
    }

    void updateGeometry(const ui::Window& kitWindow)
    {
        int pixelWidth = 0, pixelHeight = 0, windowWidth = 0, windowHeight = 0;
        SDL_GetRendererOutputSize(renderer, &pixelWidth, &pixelHeight);
        SDL_GetWindowSize(window, &windowWidth, &windowHeight);
        box = Letterbox::fit(kitWindow.size(), pixelWidth, pixelHeight, windowWidth, windowHeight);
    }

    bool draw(ui::Window& kitWindow, const std::string& readBackPath)
    {
        updateGeometry(kitWindow);
        int width = box.pictureWidth;
        int height = box.pictureHeight;
        if (!picture || picture->width() != width || picture->height() != height)
            picture = render::Surface::create(width, height);
        if (!texture || textureWidth != width || textureHeight != height) {
            if (texture)
                SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
            if (!texture) {
                core::log("Cannot create a %dx%d texture: %s", width, height, SDL_GetError());
                return false;
            }
            SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
            textureWidth = width;
            textureHeight = height;
        }
        render::Renderer::render(kitWindow, *picture, box.scale);
        SDL_UpdateTexture(texture, nullptr, picture->data(), picture->stride());
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_Rect destination { static_cast<int>(box.offsetX), static_cast<int>(box.offsetY), width, height };
        SDL_RenderCopy(renderer, texture, nullptr, &destination);
        bool saved = true;
        if (!readBackPath.empty())
            saved = readBack(readBackPath);
        SDL_RenderPresent(renderer);
        return saved;
    }

    // What the renderer put on screen, before presenting swaps it away.
    bool readBack(const std::string& path)
    {
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(renderer, &width, &height);
        auto shot = render::Surface::create(width, height);
        if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shot->data(), shot->stride()) != 0) {
            core::log("Cannot read the window back: %s", SDL_GetError());
            return false;
        }
        return shot->writeToPNG(path);
    }
};

WindowSdl::WindowSdl(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}

WindowSdl::~WindowSdl() = default;

core::Result<std::shared_ptr<WindowSdl>> WindowSdl::open()
{
    auto fail = [](std::string why) {
        return core::Error::make("BeatStripWindowErrorDomain", 1, std::move(why));
    };
    // Without a desktop SDL would try the console's framebuffer; only an explicit choice of
    // video driver asks for that.
    const char* driver = getenv("SDL_VIDEODRIVER");
    const char* x11 = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    if ((!driver || !*driver) && (!x11 || !*x11) && (!wayland || !*wayland))
        return fail("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");

    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::string why = std::string("no display: ") + SDL_GetError();
        SDL_Quit();
        return fail(why);
    }
    auto impl = std::make_unique<Impl>();
    impl->window = SDL_CreateWindow("BeatStrip", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
        static_cast<int>(ui::Window::kWidth), static_cast<int>(ui::Window::kHeight),
        SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!impl->window)
        return fail(std::string("cannot open a window: ") + SDL_GetError());
    SDL_SetWindowMinimumSize(impl->window, 256, 192);
    impl->renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_ACCELERATED);
    if (!impl->renderer)
        impl->renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
    if (!impl->renderer)
        return fail(std::string("cannot draw in the window: ") + SDL_GetError());
    impl->wake->event = SDL_RegisterEvents(1);
    if (impl->wake->event == static_cast<Uint32>(-1))
        return fail("cannot register the wake-up event");
    return std::shared_ptr<WindowSdl>(new WindowSdl(std::move(impl)));
}

int WindowSdl::run(ui::Window& window, const Options& options)
{
    Impl& d = *m_impl;
    core::RunLoop& loop = core::RunLoop::main();

    // Work posted from any thread wakes the event wait; one pending wake-up is enough.
    loop.setWakeHandler([wake = d.wake] {
        if (wake->pending.exchange(true))
            return;
        SDL_Event event {};
        event.type = wake->event;
        SDL_PushEvent(&event);
    });

    bool screenshotDue = false;
    std::shared_ptr<core::Timer> screenshotTimer;
    if (options.screenshotAfter) {
        screenshotTimer = core::Timer::scheduledTimerWithTimeInterval(*options.screenshotAfter, nullptr,
            [&screenshotDue](core::Timer&) { screenshotDue = true; });
    }

    SDL_StartTextInput();
    bool redraw = true;
    bool quit = false;
    int status = 0;

    std::vector<std::string> dropped;
    auto handle = [&](const SDL_Event& event) {
        switch (event.type) {
        // Dropped files: gathered until the drop completes, then handed on together.
        case SDL_DROPFILE:
            if (event.drop.file) {
                dropped.emplace_back(event.drop.file);
                SDL_free(event.drop.file);
            }
            break;
        case SDL_DROPCOMPLETE:
            if (!dropped.empty()) {
                auto files = std::move(dropped);
                dropped.clear();
                if (options.onDropFiles)
                    options.onDropFiles(files);
                redraw = true;
            }
            break;
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                redraw = true;
            // A finger cannot stay down while another program takes the mouse.
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && d.touching) {
                d.touching = false;
                SDL_CaptureMouse(SDL_FALSE);
                window.touchCancel();
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT && !d.touching) {
                d.updateGeometry(window);
                ui::Point p = d.box.pointForMouse(event.button.x, event.button.y);
                // A press on the black bars around the picture touches nothing.
                if (window.bounds().contains(p)) {
                    d.touching = true;
                    SDL_CaptureMouse(SDL_TRUE);
                    window.touchDown(p);
                }
            }
            break;
        case SDL_MOUSEMOTION:
            if (d.touching)
                window.touchMoved(d.box.pointForMouse(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT && d.touching) {
                d.touching = false;
                SDL_CaptureMouse(SDL_FALSE);
                window.touchUp(d.box.pointForMouse(event.button.x, event.button.y));
            }
            break;
        case SDL_MOUSEWHEEL: {
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            double sign = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
            // SDL's positive y is away from the user: towards the start of the content.
            window.wheel(d.box.pointForMouse(x, y), sign * event.wheel.preciseX * kWheelStep, -sign * event.wheel.preciseY * kWheelStep);
            break;
        }
        case SDL_KEYDOWN:
            // A focused field takes Space as typed text and ignores the key; the window decides.
            if (auto key = keyFor(event.key.keysym.sym))
                window.keyDown(*key);
            break;
        case SDL_TEXTINPUT:
            window.textInput(event.text.text);
            break;
        default:
            break;
        }
    };

    while (!quit) {
        d.wake->pending = false;
        loop.runOnce(0);
        window.layoutIfNeeded();
        if (redraw || window.needsDisplay() || screenshotDue) {
            window.clearNeedsDisplay();
            redraw = false;
            std::string shotPath = screenshotDue ? options.screenshotPath : std::string();
            bool saved = d.draw(window, shotPath);
            if (screenshotDue) {
                if (saved) {
                    printf("Saved a screenshot of the window to %s\n", shotPath.c_str());
                } else {
                    fprintf(stderr, "beatstrip: cannot save the screenshot %s\n", shotPath.c_str());
                    status = 1;
                }
                fflush(stdout);
                break;
            }
        }

        int timeout = -1;
        if (loop.hasPendingTasks()) {
            timeout = 0;
        } else if (auto next = loop.nextFireDate()) {
            double ms = std::ceil((*next - loop.now()) * 1000);
            timeout = static_cast<int>(std::clamp(ms, 0.0, static_cast<double>(INT_MAX)));
        }
        SDL_Event event;
        bool got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
        if (got) {
            handle(event);
            while (SDL_PollEvent(&event))
                handle(event);
        }
    }

    if (screenshotTimer)
        screenshotTimer->invalidate();
    SDL_StopTextInput();
    loop.setWakeHandler(nullptr);
    return status;
}

}
