#include "app/WindowSdl.h"

#include "app/FrameStats.h"
#include "app/Resources.h"
#include "app/SdlInput.h"
#include "app/SdlPresenter.h"
#include "app/WakePlan.h"
#include "app/WindowIcon.h"
#include "app/WindowGeometry.h"
#include "platform/core/Log.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Timer.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Window.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>

namespace app {

namespace {

constexpr int kMinimumWidth = 256;
constexpr int kMinimumHeight = 192;

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

// The hicolor icon the desktop entry names, also on the window itself (the task switcher and a
// window manager without the desktop entry show it). A missing icon only costs a log line.
void setIcon(SDL_Window* window)
{
    auto icon = WindowIcon::load(resources::iconPath());
    if (!icon) {
        core::log("No window icon: %s", icon.error().localizedDescription.c_str());
        return;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(icon->pixels.data(), icon->width, icon->height, 32,
        icon->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) {
        core::log("No window icon: %s", SDL_GetError());
        return;
    }
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

}

struct WindowSdl::Impl {
    SDL_Window* window = nullptr;
    std::unique_ptr<SdlPresenter> presenter;
    // Shared with the wake handler, which other threads may still be calling as the window goes.
    struct Wake {
        Uint32 event = 0;
        std::atomic<bool> pending { false };
    };
    std::shared_ptr<Wake> wake = std::make_shared<Wake>();

    bool quit = false;
    std::unique_ptr<FrameStats> stats;
    // The windowed place to remember while full screen.
    WindowGeometry windowed;

    ~Impl()
    {
        presenter.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_Quit();
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

    void handleEvent(SdlInput& input, const SDL_Event& event)
    {
        switch (input.handleEvent(event)) {
        case SdlInput::Request::Quit:
            quit = true;
            break;
        case SdlInput::Request::RedrawAll:
            presenter->redrawAll();
            break;
        case SdlInput::Request::ToggleFullScreen:
            toggleFullScreen();
            break;
        case SdlInput::Request::None:
            break;
        }
    }

    // Sleeps until there is something to do, then handles the events that arrived.
    void waitForWork(core::RunLoop& loop, SdlInput& input)
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
        handleEvent(input, event);
        while (SDL_PollEvent(&event))
            handleEvent(input, event);
    }

    // Posted work wakes the event wait; with `measure`, frames and late timers are counted.
    void attach(core::RunLoop& loop, bool measure)
    {
        if (measure) {
            stats = std::make_unique<FrameStats>();
            presenter->setFrameStats(stats.get());
            // Timers due at an instant (the beat and its quarters), not animation frames.
            loop.setLatenessObserver([stats = stats.get()](const core::Timer& timer, double lateness) {
                if (timer.tolerance() <= 0)
                    stats->addLateness(lateness * 1000);
            });
        }
        // Work posted from any thread wakes the event wait; one pending wake-up is enough.
        loop.setWakeHandler([wake = wake] {
            if (wake->pending.exchange(true))
                return;
            SDL_Event event {};
            event.type = wake->event;
            SDL_PushEvent(&event);
        });
    }

    // Undoes attach(), keeps the window's place and writes the frame statistics; false when
    // they cannot be written.
    bool detach(core::RunLoop& loop, const std::string& frameStatsPath)
    {
        loop.setWakeHandler(nullptr);
        loop.setLatenessObserver(nullptr);
        saveGeometry();
        presenter->setFrameStats(nullptr);
        if (stats && !stats->writeToFile(frameStatsPath)) {
            fprintf(stderr, "beatstrip: cannot write the frame statistics to %s\n", frameStatsPath.c_str());
            return false;
        }
        return true;
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
    setIcon(impl->window);
    impl->windowed = place;
    impl->windowed.fullScreen = false;
    if (place.fullScreen)
        SDL_SetWindowFullscreen(impl->window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_Renderer* renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer)
        renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer)
        return fail(std::string("cannot draw in the window: ") + SDL_GetError());
    impl->presenter = std::make_unique<SdlPresenter>(impl->window, renderer);
    impl->wake->event = SDL_RegisterEvents(1);
    if (impl->wake->event == static_cast<Uint32>(-1))
        return fail("cannot register the wake-up event");
    return std::shared_ptr<WindowSdl>(new WindowSdl(std::move(impl)));
}

int WindowSdl::run(ui::Window& window, const Options& options)
{
    Impl& d = *m_impl;
    core::RunLoop& loop = core::RunLoop::main();
    SdlPresenter& presenter = *d.presenter;
    SdlInput input(window, presenter.letterbox(), [&presenter, &window] { presenter.updateGeometry(window.size()); }, options.onDropFiles);
    d.quit = false;
    presenter.redrawAll();
    d.attach(loop, !options.frameStatsPath.empty());

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
        if (presenter.needsRedrawAll() || window.needsDisplay() || screenshotDue) {
            std::string shotPath = screenshotDue ? options.screenshotPath : std::string();
            bool saved = presenter.draw(window, shotPath);
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
        d.waitForWork(loop, input);
    }

    if (screenshotTimer)
        screenshotTimer->invalidate();
    SDL_StopTextInput();
    if (!d.detach(loop, options.frameStatsPath))
        status = 1;
    return status;
}

}
