// The player screen as drawn: the strip, the cursor dimming all but the current beat, the key
// and the toolbar above the panels. Screenshots of every song in every mode are written to
// <build>/player-screens for a person to look at.
#include "PlayerFixture.h"

#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/Window.h"

#include <filesystem>

namespace player::test {
namespace {

double brightness(ui::Color c)
{
    return (c.r + c.g + c.b) / 3;
}

class RenderTest : public PlayerFixture {
protected:
    std::shared_ptr<render::Surface> show(const std::string& name, int mode, std::shared_ptr<ViewController>& player)
    {
        m_window = ui::Window::create();
        player = ViewController::create();
        player->setMode(mode, name);
        m_window->setRootViewController(player);
        auto surface = render::Renderer::renderToSurface(*m_window);
        std::string folder = std::string(BEATSTRIP_BUILD_DIR) + "/player-screens";
        std::filesystem::create_directories(folder);
        surface->writeToPNG(folder + "/" + name + "-mode" + std::to_string(mode) + ".png");
        return surface;
    }

    void checkScreen(const render::Surface& surface, const ViewController& player, const std::string& what)
    {
        // Below the score, inside the current beat's column: plain white strip.
        ui::Rect gap = player.upShader()->frame();
        ASSERT_GT(gap.width(), 2) << what;
        int gapX = int(gap.midX());
        double lit = brightness(surface.pixel(gapX, 700));
        EXPECT_GT(lit, 0.95) << what << ": the current beat is not dimmed";
        // Right of it, under the panel: dimmed, but still see-through.
        int dimX = int(player.rightShader()->frame().x()) + 40;
        double dim = brightness(surface.pixel(dimX, 700));
        EXPECT_LT(dim, 0.8) << what << ": the panel dims";
        EXPECT_GT(dim, 0.2) << what << ": the panel is translucent";
        // The toolbar and the key are drawn above the panels.
        EXPECT_GT(brightness(surface.pixel(dimX, int(ui::Window::kHeight) - 3)), 0.9) << what << ": toolbar";
        EXPECT_GT(brightness(surface.pixel(int(ViewController::kKeyX) + 60, 700)), 0.85) << what << ": key";
    }

    std::shared_ptr<ui::Window> m_window;
};

TEST_F(RenderTest, GeneratedSongInEveryMode)
{
    auto lines = regularSong(4, 4, "100");
    lines.push_back({ { "channel", "0" }, { "Bar No(40)", "200" }, { "Beats per Bar(40)", "30" }, { "tempo (40)", "30" },
        { "ipad_col(107)", "160" }, { "ipad_rows", "300" }, { "length(109)", "180" }, { "height(110)", "30" }, { "rise_fall", "U" },
        { "sharp_flat", "#" }, { "fingering/chord", "255" }, { "lyrics", "255" }, { "ipad_color(105)", "255" } });
    lines.push_back({ { "channel", "30" }, { "ipad_col(107)", "10" }, { "ipad_rows", "300" }, { "Content", "C5" } });
    writeSong("generated", lines);
    for (int mode : { 1, 2, 3 }) {
        std::shared_ptr<ViewController> player;
        auto surface = show("generated", mode, player);
        checkScreen(*surface, *player, "mode " + std::to_string(mode));
        // The note block (x 80..170, y 150..165) is red in mode 3 and black in mode 1.
        ui::Color block = surface->pixel(150, 160);
        // (It lies under the light upper band of the cursor.)
        if (mode == 1) {
            EXPECT_LT(brightness(block), 0.25);
        } else {
            EXPECT_GT(block.r, 0.7);
            EXPECT_LT(block.g, 0.4);
        }
    }
}

TEST_F(RenderTest, SampleSongsInEveryMode)
{
    std::string samples = std::string(BEATSTRIP_SOURCE_DIR) + "/examples/content/data";
    std::vector<std::string> names;
    if (std::filesystem::is_directory(samples))
        for (const auto& entry : std::filesystem::directory_iterator(samples))
            if (entry.path().extension() == ".csv")
                names.push_back(entry.path().stem().string());
    if (names.empty())
        GTEST_SKIP() << "no sample songs in " << samples;
    std::string folder = core::paths::documentsDirectory() + "/data/data";
    ASSERT_TRUE(core::files::createDirectoryAtPath(folder, true).ok());
    for (const auto& name : names) {
        auto bytes = core::files::contentsAtPath(samples + "/" + name + ".csv");
        ASSERT_TRUE(bytes) << name;
        ASSERT_TRUE(core::files::writeContentsAtPath(folder + "/" + name + ".csv", *bytes).ok());
        for (int mode : { 1, 2, 3 }) {
            std::shared_ptr<ViewController> player;
            auto surface = show(name, mode, player);
            EXPECT_TRUE(player->canPlay()) << name;
            EXPECT_FALSE(player->tempoEditor().tempLabelControls().empty()) << name;
            checkScreen(*surface, *player, name + " mode " + std::to_string(mode));
        }
    }
}

}
}
