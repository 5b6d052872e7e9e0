#include "app/WindowSdl.h"

#include "app/FrameStats.h"
#include "app/Letterbox.h"
#include "app/WakePlan.h"
#include "app/WindowGeometry.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/core/UserDefaults.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Window.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdlib>

namespace app {

namespace {

// Points a wheel notch scrolls.
constexpr double kWheelStep = 40;
constexpr int kMinimumWidth = 256;
constexpr int kMinimumHeight = 192;

std::optional<ui::Key> keyFor(const SDL_Keysym& keysym)
{
    switch (keysym.sym) {
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
    case SDLK_UP:
        return ui::Key::Up;
    case SDLK_DOWN:
        return ui::Key::Down;
    case SDLK_HOME:
        return ui::Key::Home;
    case SDLK_PAGEUP:
        return ui::Key::PageUp;
    case SDLK_PAGEDOWN:
        return ui::Key::PageDown;
    case SDLK_LEFTBRACKET:
        return ui::Key::BracketLeft;
    case SDLK_RIGHTBRACKET:
        return ui::Key::BracketRight;
    case SDLK_QUESTION:
        return ui::Key::Question;
    // US layouts report '?' as shifted '/'.
    case SDLK_SLASH:
        return (keysym.mod & KMOD_SHIFT) ? std::optional(ui::Key::Question) : std::nullopt;
    case SDLK_F1:
        return ui::Key::F1;
    case SDLK_p:
        return ui::Key::P;
    case SDLK_m:
        return ui::Key::M;
    case SDLK_c:
        return ui::Key::C;
    case SDLK_n:
        return ui::Key::N;
    case SDLK_w:
        return ui::Key::W;
    case SDLK_DELETE:
        return ui::Key::Delete;
    default:
        return std::nullopt;
    }
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::vector<WindowGeometry::Area> displayAreas()
{
    std::vector<WindowGeometry::Area> areas;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); i++) {
        SDL_Rect r;
        if (SDL_GetDisplayUsableBounds(i, &r) == 0 || SDL_GetDisplayBounds(i, &r) == 0)
            areas.push_back({ r.x, r.y, r.w, r.h });
    }
    return areas;
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

    // While run() shows a kit window.
    ui::Window* kit = nullptr;
    bool quit = false;
    std::vector<std::string> dropped;
    std::function<void(const std::vector<std::string>&)> onDropFiles;
    // The texture lost its picture (exposed, resized): the next frame draws everything.
    bool redrawAll = true;
    std::unique_ptr<FrameStats> stats;
    // The windowed place to remember while full screen.
    WindowGeometry windowed;

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

    void updateGeometry()
    {
        int pixelWidth = 0, pixelHeight = 0, windowWidth = 0, windowHeight = 0;
        SDL_GetRendererOutputSize(renderer, &pixelWidth, &pixelHeight);
        SDL_GetWindowSize(window, &windowWidth, &windowHeight);
        box = Letterbox::fit(kit->size(), pixelWidth, pixelHeight, windowWidth, windowHeight);
    }

    bool isFullScreen() const { return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0; }

    WindowGeometry currentGeometry() const
    {
        if (isFullScreen())
            return { windowed.x, windowed.y, windowed.width, windowed.height, true };
        WindowGeometry g;
        SDL_GetWindowPosition(window, &g.x, &g.y);
        SDL_GetWindowSize(window, &g.width, &g.height);
        return g;
    }

    void toggleFullScreen()
    {
        if (isFullScreen()) {
            SDL_SetWindowFullscreen(window, 0);
            // Back where and as large as it was, also where no window manager restores it.
            SDL_SetWindowSize(window, windowed.width, windowed.height);
            SDL_SetWindowPosition(window, windowed.x, windowed.y);
            return;
        }
        windowed = currentGeometry();
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }

    // --- Events ---

    void handleEvent(const SDL_Event& event)
    {
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
                if (onDropFiles)
                    onDropFiles(files);
            }
            break;
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            windowEvent(event.window);
            break;
        case SDL_MOUSEBUTTONDOWN:
            mouseDown(event.button);
            break;
        case SDL_MOUSEMOTION:
            if (touching)
                kit->touchMoved(box.pointForMouse(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONUP:
            mouseUp(event.button);
            break;
        case SDL_MOUSEWHEEL:
            wheel(event.wheel);
            break;
        case SDL_KEYDOWN:
            keyDown(event.key);
            break;
        case SDL_TEXTINPUT:
            kit->textInput(event.text.text);
            break;
        default:
            break;
        }
    }

    void windowEvent(const SDL_WindowEvent& event)
    {
        if (event.event == SDL_WINDOWEVENT_EXPOSED || event.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            redrawAll = true;
        // A finger cannot stay down while another program takes the mouse.
        if (event.event == SDL_WINDOWEVENT_FOCUS_LOST && touching) {
            touching = false;
            SDL_CaptureMouse(SDL_FALSE);
            kit->touchCancel();
        }
    }

    void mouseDown(const SDL_MouseButtonEvent& event)
    {
        if (event.button != SDL_BUTTON_LEFT || touching)
            return;
        updateGeometry();
        ui::Point p = box.pointForMouse(event.x, event.y);
        // A press on the black bars around the picture touches nothing.
        if (!kit->bounds().contains(p))
            return;
        touching = true;
        SDL_CaptureMouse(SDL_TRUE);
        kit->touchDown(p);
    }

    void mouseUp(const SDL_MouseButtonEvent& event)
    {
        if (event.button != SDL_BUTTON_LEFT || !touching)
            return;
        touching = false;
        SDL_CaptureMouse(SDL_FALSE);
        kit->touchUp(box.pointForMouse(event.x, event.y));
    }

    void wheel(const SDL_MouseWheelEvent& event)
    {
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        double sign = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        // SDL's positive y is away from the user: towards the start of the content.
        kit->wheel(box.pointForMouse(x, y), sign * event.preciseX * kWheelStep, -sign * event.preciseY * kWheelStep);
    }

    void keyDown(const SDL_KeyboardEvent& event)
    {
        if (event.keysym.sym == SDLK_F11) {
            if (!event.repeat)
                toggleFullScreen();
            return;
        }
        // A focused field takes Space as typed text and ignores the key; the window decides.
        if (auto key = keyFor(event.keysym))
            kit->keyDown(*key);
    }

    // Sleeps until there is something to do, then handles the events that arrived.
    void waitForWork(core::RunLoop& loop)
    {
        WakePlan plan = WakePlan::next(loop.now(), loop.nextFireDate(), loop.hasPendingTasks());
        SDL_Event event;
        bool got = false;
        switch (plan.kind) {
        case WakePlan::Kind::Poll:
            got = SDL_PollEvent(&event);
            break;
        case WakePlan::Kind::WaitForEvents:
            got = plan.eventTimeoutMs < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, plan.eventTimeoutMs);
            break;
        case WakePlan::Kind::SleepToDeadline:
            // The run loop sleeps to the fire date on its own clock and fires the timer; posted
            // work cuts the sleep short.
            loop.runOnce(plan.sleepSeconds);
            got = SDL_PollEvent(&event);
            break;
        }
        if (!got)
            return;
        handleEvent(event);
        while (SDL_PollEvent(&event))
            handleEvent(event);
    }

    // --- Drawing ---

    // Makes the picture and the texture the letterbox's size; false when the texture cannot be
    // made. A new picture has nothing on it yet: everything is drawn.
    bool preparePicture()
    {
        updateGeometry();
        int width = box.pictureWidth;
        int height = box.pictureHeight;
        if (!picture || picture->width() != width || picture->height() != height) {
            picture = render::Surface::create(width, height);
            redrawAll = true;
        }
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
            redrawAll = true;
        }
        return true;
    }

    // Draws what changed (everything after a resize or an expose), uploads only that, presents.
    bool draw(const std::string& readBackPath)
    {
        if (!preparePicture())
            return false;
        ui::DamageRegion damage = kit->damage();
        if (redrawAll) {
            damage.clear();
            damage.add(kit->bounds());
        }
        kit->clearNeedsDisplay();
        redrawAll = false;

        auto start = std::chrono::steady_clock::now();
        std::vector<render::PixelRect> drawn = render::Renderer::renderDamage(*kit, *picture, box.scale, damage);
        double renderMs = millisecondsSince(start);

        start = std::chrono::steady_clock::now();
        double drawnPixels = 0;
        const uint8_t* pixels = picture->data();
        for (const render::PixelRect& r : drawn) {
            SDL_Rect area { r.x, r.y, r.width, r.height };
            SDL_UpdateTexture(texture, &area, pixels + size_t(r.y) * size_t(picture->stride()) + size_t(r.x) * 4, picture->stride());
            drawnPixels += double(r.width) * double(r.height);
        }
        double uploadMs = millisecondsSince(start);

        start = std::chrono::steady_clock::now();
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_Rect destination { static_cast<int>(box.offsetX), static_cast<int>(box.offsetY), picture->width(), picture->height() };
        SDL_RenderCopy(renderer, texture, nullptr, &destination);
        bool saved = true;
        if (!readBackPath.empty())
            saved = readBack(readBackPath);
        SDL_RenderPresent(renderer);
        double presentMs = millisecondsSince(start);

        if (stats) {
            double area = double(picture->width()) * double(picture->height());
            stats->addFrame(renderMs, uploadMs, presentMs, area > 0 ? std::min(1.0, drawnPixels / area) : 0);
        }
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

    void saveGeometry()
    {
        auto store = core::UserDefaults::standardUserDefaults();
        if (!store)
            return;
        currentGeometry().save(*store);
        store->synchronize();
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
    std::optional<WindowGeometry> saved;
    if (auto store = core::UserDefaults::standardUserDefaults())
        saved = WindowGeometry::load(*store);
    WindowGeometry place = WindowGeometry::place(saved, displayAreas(), { 0, 0, kMinimumWidth, kMinimumHeight },
        { 0, 0, static_cast<int>(ui::Window::kWidth), static_cast<int>(ui::Window::kHeight) });
    auto impl = std::make_unique<Impl>();
    impl->window = SDL_CreateWindow("BeatStrip", place.x, place.y, place.width, place.height, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!impl->window)
        return fail(std::string("cannot open a window: ") + SDL_GetError());
    SDL_SetWindowMinimumSize(impl->window, kMinimumWidth, kMinimumHeight);
    impl->windowed = place;
    impl->windowed.fullScreen = false;
    if (place.fullScreen)
        SDL_SetWindowFullscreen(impl->window, SDL_WINDOW_FULLSCREEN_DESKTOP);
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
    d.kit = &window;
    d.onDropFiles = options.onDropFiles;
    d.quit = false;
    d.redrawAll = true;
    if (!options.frameStatsPath.empty()) {
        d.stats = std::make_unique<FrameStats>();
        // Timers due at an instant (the beat and its quarters), not animation frames.
        loop.setLatenessObserver([stats = d.stats.get()](const core::Timer& timer, double lateness) {
            if (timer.tolerance() <= 0)
                stats->addLateness(lateness * 1000);
        });
    }

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
        screenshotTimer->setTolerance(0.1);
    }

    SDL_StartTextInput();
    int status = 0;
    while (!d.quit) {
        d.wake->pending = false;
        loop.runOnce(0);
        window.layoutIfNeeded();
        if (d.redrawAll || window.needsDisplay() || screenshotDue) {
            std::string shotPath = screenshotDue ? options.screenshotPath : std::string();
            bool saved = d.draw(shotPath);
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
        d.waitForWork(loop);
    }

    if (screenshotTimer)
        screenshotTimer->invalidate();
    SDL_StopTextInput();
    loop.setWakeHandler(nullptr);
    loop.setLatenessObserver(nullptr);
    d.saveGeometry();
    if (d.stats && !d.stats->writeToFile(options.frameStatsPath)) {
        fprintf(stderr, "beatstrip: cannot write the frame statistics to %s\n", options.frameStatsPath.c_str());
        status = 1;
    }
    d.kit = nullptr;
    return status;
}

}
