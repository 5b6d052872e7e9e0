// Frame time of a 1024 x 768 render of a song-like strip: a scroll view holding 1,000, 10,000
// and 100,000 coloured blocks with labels, at offset 0 and in the middle of the strip. The peer
// is a plain full-window Cairo fill measured in the same run; the renderer should cost a small
// multiple of it whatever the strip's length.
#include "BenchHome.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msPerRun(int runs, const auto& body)
{
    body(); // warm caches (fonts, indexes)
    auto start = Clock::now();
    for (int i = 0; i < runs; i++)
        body();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / runs;
}

struct Strip {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::ScrollView> scroll;
};

// Blocks in four rows, 40 points apart along the strip, each with a small label, as a song's
// note blocks and tempo labels are laid out.
Strip makeStrip(int blocks)
{
    Strip strip;
    strip.window = ui::Window::create();
    auto screen = ui::ViewController::create();
    strip.window->setRootViewController(screen);
    strip.scroll = ui::ScrollView::create(ui::RectMake(0, 0, 1024, 768));
    screen->view()->addSubview(strip.scroll);
    for (int i = 0; i < blocks; i++) {
        double x = (i / 4) * 40.0, y = 100 + (i % 4) * 150.0;
        auto block = ui::View::create(ui::RectMake(x, y, 30, 40));
        block->setBackgroundColor(ui::Color::rgba((i % 7) / 7.0, (i % 5) / 5.0, (i % 3) / 3.0));
        block->layer().setZPosition(i % 3);
        auto label = ui::Label::create(ui::RectMake(2, 2, 26, 12));
        label->setFont(ui::Font::named("Arial", 10.8));
        label->setText(std::to_string(60 + i % 120));
        label->setTextColor(ui::Color::white());
        block->addSubview(label);
        strip.scroll->addSubview(block);
    }
    strip.scroll->setContentSize({ (blocks / 4 + 1) * 40.0, 768 });
    return strip;
}

}

int main(int argc, char** argv)
{
    render::Renderer::installTextMetrics();
    if (setupOnly(argc, argv))
        return 0;
    auto surface = render::Surface::create(1024, 768);
    const int runs = 200;

    double fill = msPerRun(runs * 5, [&] {
        cairo_t* cr = cairo_create(static_cast<cairo_surface_t*>(surface->cairoSurface()));
        cairo_set_source_rgb(cr, 0.2, 0.3, 0.4);
        cairo_paint(cr);
        cairo_destroy(cr);
    });
    std::printf("peer: full-window Cairo fill       %8.3f ms\n", fill);

    double first = 0, worstHundredK = 0;
    for (int blocks : { 1000, 10000, 100000 }) {
        auto start = Clock::now();
        Strip strip = makeStrip(blocks);
        double buildMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        // The first frame lays everything out once and builds the culling index.
        start = Clock::now();
        render::Renderer::render(*strip.window, *surface);
        double firstMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        for (bool middle : { false, true }) {
            double offset = middle ? strip.scroll->contentSize().width / 2 : 0;
            strip.scroll->setContentOffset({ offset, 0 });
            double ms = msPerRun(runs, [&] { render::Renderer::render(*strip.window, *surface); });
            if (blocks == 1000 && !middle)
                first = ms;
            if (blocks == 100000)
                worstHundredK = std::max(worstHundredK, ms);
            std::printf("%6d blocks, offset %-9.0f %8.3f ms/frame  %5.1fx the fill  (built in %.0f ms, first frame %.0f ms)\n", blocks, offset, ms, ms / fill, buildMs, firstMs);
        }
        // Scrolling a step each frame, as playback does.
        double x = 0;
        double scrolling = msPerRun(runs, [&] {
            x += 7;
            strip.scroll->setContentOffset({ x, 0 });
            render::Renderer::render(*strip.window, *surface);
        });
        std::printf("%6d blocks, scrolling          %8.3f ms/frame  %5.1fx the fill\n", blocks, scrolling, scrolling / fill);
    }
    std::printf("100,000 blocks vs 1,000: %.2fx (goal under 1.5x); goal under 8 ms/frame\n", worstHundredK / first);
    return 0;
}
