// What a frame of the player costs: the real player screen (built by the app's own classes on a
// sample song, in a temporary home) drawn at 1024 x 768 as the window draws it. Two kinds of
// frame take turns, one of each per beat, so load on the machine falls on both alike:
//   full frame: the whole window drawn and the whole picture copied (the upload to the window's
//               texture, measured here as the copy into a second buffer of the same size);
//   beat step:  the player steps one beat (page turns included as they come), then only the
//               damaged areas are drawn and copied.
// Goal: the beat step costs at most a quarter of the full frame.
#include "BenchHome.h"

#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Image.h"
#include "platform/ui/Window.h"
#include "player/ViewController.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBeats = 400;
const char* const kSong = "minuet_in_g";

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The upload's equivalent: the drawn rows of each area copied into the "texture".
void copyAreas(const render::Surface& picture, std::vector<uint8_t>& texture, const std::vector<render::PixelRect>& areas)
{
    const uint8_t* from = picture.data();
    size_t stride = size_t(picture.stride());
    for (const render::PixelRect& r : areas) {
        for (int y = r.y; y < r.y + r.height; y++)
            std::memcpy(texture.data() + size_t(y) * stride + size_t(r.x) * 4, from + size_t(y) * stride + size_t(r.x) * 4, size_t(r.width) * 4);
    }
}

struct Series {
    std::vector<double> ms;
    double mean() const
    {
        double sum = 0;
        for (double v : ms)
            sum += v;
        return ms.empty() ? 0 : sum / double(ms.size());
    }
    double median() const
    {
        std::vector<double> v = ms;
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
};

}

int main(int argc, char** argv)
{
    std::string folder;
    auto temporaryHome = makeBenchHome("render", folder);
    if (!temporaryHome)
        return 1;
    auto song = core::files::contentsAtPath(std::string(BEATSTRIP_SOURCE_DIR) + "/examples/content/data/" + kSong + ".csv");
    if (!song || !core::files::writeContentsAtPath(folder + "/" + kSong + ".csv", *song).ok()) {
        std::fprintf(stderr, "cannot copy the sample song %s\n", kSong);
        return 1;
    }
    ui::Image::setResourceDirectory(std::string(BEATSTRIP_SOURCE_DIR) + "/assets");
    render::Renderer::installTextMetrics();
    const int beats = setupOnly(argc, argv) ? 1 : kBeats;

    auto window = ui::Window::create();
    auto player = player::ViewController::create();
    player->setMode(3, kSong);
    window->setRootViewController(player);
    player->play(nullptr);
    // Nothing runs the loop: the beat timers the player arms never fire; the steps are ours.

    auto picture = render::Surface::create(1024, 768);
    std::vector<uint8_t> texture(size_t(picture->stride()) * size_t(picture->height()));
    render::Renderer::render(*window, *picture);
    window->clearNeedsDisplay();

    Series full, step;
    std::vector<double> fractions, stepFractions;
    double windowArea = 1024.0 * 768.0;
    for (int beat = 0; beat < beats; beat++) {
        auto start = Clock::now();
        render::Renderer::render(*window, *picture);
        copyAreas(*picture, texture, { { 0, 0, picture->width(), picture->height() } });
        full.ms.push_back(msSince(start));

        player->next(nullptr);
        window->layoutIfNeeded();
        start = Clock::now();
        auto drawn = render::Renderer::renderDamage(*window, *picture, 1.0, window->damage());
        copyAreas(*picture, texture, drawn);
        step.ms.push_back(msSince(start));
        window->clearNeedsDisplay();
        double area = 0;
        for (auto& r : drawn)
            area += double(r.width) * double(r.height);
        fractions.push_back(area / windowArea);
        stepFractions.push_back(area / windowArea);
    }
    player->pause(nullptr);

    std::sort(fractions.begin(), fractions.end());
    std::vector<double> cursorOnly;
    for (size_t i = 0; i < step.ms.size(); i++) {
        if (stepFractions[i] < 0.5)
            cursorOnly.push_back(step.ms[i]);
    }
    Series cursor { cursorOnly };
    std::printf("player screen of %s, %d beats, 1024 x 768, frames alternating\n", kSong, kBeats);
    std::printf("  full frame (draw all + copy all):       mean %7.3f ms  median %7.3f ms\n", full.mean(), full.median());
    std::printf("  beat step (draw damage + copy damage):  mean %7.3f ms  median %7.3f ms\n", step.mean(), step.median());
    std::printf("    of which %zu steps without a page turn:  mean %7.3f ms  median %7.3f ms\n", cursor.ms.size(), cursor.mean(),
        cursor.median());
    std::printf("  share of the window drawn per beat: median %.3f, max %.3f (page turns)\n", fractions[fractions.size() / 2],
        fractions.back());
    // Every beat counts, page turns included: the mean over the song.
    double ratio = step.mean() / full.mean();
    std::printf("  beat step / full frame, means over every beat: %.3f (goal at most 0.25: %s)\n", ratio, ratio <= 0.25 ? "met" : "NOT met");
    core::RunLoop::resetMain();
    return 0;
}
