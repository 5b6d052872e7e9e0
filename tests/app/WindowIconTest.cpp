#include <gtest/gtest.h>

#include "app/WindowIcon.h"
#include "platform/core/FileManager.h"
#include "platform/render/Surface.h"

#include <cstdlib>
#include <fstream>
#include <string>

using namespace app;

namespace {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/beatstrip-icon-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { core::files::removeItemAtPath(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

uint32_t channel(uint32_t argb, int shift)
{
    return (argb >> shift) & 0xFF;
}

// Installed, the icon lies in share/icons beside share/beatstrip, where the install rules put the
// desktop files' hicolor tree; the build's program reads the source tree's copy.
TEST(WindowIconTest, TheIconIsFoundWhereTheDesktopFilesPutIt)
{
    EXPECT_EQ(WindowIcon::pathFor("/usr/share/beatstrip"), "/usr/share/icons/hicolor/128x128/apps/org.beatstrip.BeatStrip.png");
    EXPECT_EQ(WindowIcon::pathFor("/opt/moved here/share/beatstrip"),
        "/opt/moved here/share/icons/hicolor/128x128/apps/org.beatstrip.BeatStrip.png");
    auto shipped = WindowIcon::load(WindowIcon::pathFor(""));
    ASSERT_TRUE(shipped) << shipped.error().localizedDescription;
    EXPECT_EQ(shipped->width, WindowIcon::kSize);
    EXPECT_EQ(shipped->height, WindowIcon::kSize);
    ASSERT_EQ(shipped->pixels.size(), size_t(WindowIcon::kSize) * size_t(WindowIcon::kSize));
    size_t visible = 0;
    for (uint32_t p : shipped->pixels)
        visible += channel(p, 24) > 0;
    EXPECT_GT(visible, shipped->pixels.size() / 4) << "an icon that is mostly transparent shows nothing";
}

// Cairo stores colour multiplied by alpha; handed on as it is, a soft edge would come out dark.
TEST(WindowIconTest, ColourComesOutStraightNotPremultiplied)
{
    TempDir dir;
    auto picture = render::Surface::create(3, 2);
    picture->clear(ui::Color { 1.0, 0.5, 0.25, 0.5 });
    const std::string path = dir.path() + "/half.png";
    ASSERT_TRUE(picture->writeToPNG(path));

    auto icon = WindowIcon::load(path);
    ASSERT_TRUE(icon) << icon.error().localizedDescription;
    EXPECT_EQ(icon->width, 3);
    EXPECT_EQ(icon->height, 2);
    ASSERT_EQ(icon->pixels.size(), 6u);
    for (uint32_t p : icon->pixels) {
        EXPECT_NEAR(channel(p, 24), 128, 1);
        EXPECT_NEAR(channel(p, 16), 255, 2);
        EXPECT_NEAR(channel(p, 8), 128, 2);
        EXPECT_NEAR(channel(p, 0), 64, 2);
    }

    picture->clear(ui::Color::clear());
    ASSERT_TRUE(picture->writeToPNG(path));
    auto clear = WindowIcon::load(path);
    ASSERT_TRUE(clear);
    for (uint32_t p : clear->pixels)
        EXPECT_EQ(p, 0u);
}

TEST(WindowIconTest, AMissingOrBrokenFileIsAnError)
{
    TempDir dir;
    EXPECT_FALSE(WindowIcon::load(dir.path() + "/none.png"));
    const std::string broken = dir.path() + "/broken.png";
    std::ofstream(broken) << "\x89PNG\r\n\x1a\n but then nothing an image holds";
    auto loaded = WindowIcon::load(broken);
    ASSERT_FALSE(loaded);
    EXPECT_NE(loaded.error().localizedDescription.find(broken), std::string::npos);
}

}
