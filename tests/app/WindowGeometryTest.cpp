#include "app/WindowGeometry.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/FileManager.h"

#include <gtest/gtest.h>
#include <stdlib.h>

using app::WindowGeometry;
using Area = WindowGeometry::Area;

namespace {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/beatstrip-geometry-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { core::files::removeItemAtPath(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

const std::vector<Area> kTwoDisplays { { 0, 0, 1920, 1080 }, { 1920, 0, 1280, 1024 } };
const Area kMinimum { 0, 0, 256, 192 };
const Area kDefault { 0, 0, 1024, 768 };
}

TEST(WindowGeometryTest, KeepsASavedPlaceThatShowsOnADisplay)
{
    WindowGeometry saved { 2000, 100, 800, 600, false };
    WindowGeometry placed = WindowGeometry::place(saved, kTwoDisplays, kMinimum, kDefault);
    EXPECT_EQ(placed.x, 2000);
    EXPECT_EQ(placed.y, 100);
    EXPECT_EQ(placed.width, 800);
    EXPECT_EQ(placed.height, 600);

    // Mostly off the right edge of the second display, but a grabbable piece still shows.
    WindowGeometry edge = WindowGeometry::place(WindowGeometry { 3100, 500, 800, 600, false }, kTwoDisplays, kMinimum, kDefault);
    EXPECT_EQ(edge.x, 3100);
}

TEST(WindowGeometryTest, CentresTheDefaultWhenTheSavedPlaceIsOffEveryDisplay)
{
    // Saved on a third monitor that is gone now.
    WindowGeometry gone { 3300, 200, 800, 600, false };
    WindowGeometry placed = WindowGeometry::place(gone, kTwoDisplays, kMinimum, kDefault);
    EXPECT_EQ(placed.width, 1024);
    EXPECT_EQ(placed.height, 768);
    EXPECT_EQ(placed.x, (1920 - 1024) / 2);
    EXPECT_EQ(placed.y, (1080 - 768) / 2);

    // Only a sliver above the top edge: not enough to grab.
    EXPECT_EQ(WindowGeometry::place(WindowGeometry { 100, -570, 800, 600, false }, kTwoDisplays, kMinimum, kDefault).x, (1920 - 1024) / 2);
    EXPECT_EQ(WindowGeometry::place(std::nullopt, kTwoDisplays, kMinimum, kDefault).y, (1080 - 768) / 2);
}

TEST(WindowGeometryTest, KeepsTheSizeBetweenTheMinimumAndTheDisplay)
{
    WindowGeometry huge = WindowGeometry::place(WindowGeometry { 0, 0, 5000, 4000, false }, kTwoDisplays, kMinimum, kDefault);
    EXPECT_EQ(huge.width, 1920);
    EXPECT_EQ(huge.height, 1080);
    WindowGeometry tiny = WindowGeometry::place(WindowGeometry { 10, 10, 20, 10, false }, kTwoDisplays, kMinimum, kDefault);
    EXPECT_EQ(tiny.width, 256);
    EXPECT_EQ(tiny.height, 192);
    // A small screen: the default size shrinks to it.
    WindowGeometry small = WindowGeometry::place(std::nullopt, { { 0, 0, 800, 600 } }, kMinimum, kDefault);
    EXPECT_EQ(small.width, 800);
    EXPECT_EQ(small.height, 600);
    EXPECT_EQ(small.x, 0);
}

TEST(WindowGeometryTest, RoundTripsThroughTheSettingsStoreUnderAKeyNoSongCanHave)
{
    TempDir dir;
    {
        auto store = core::UserDefaults::open(dir.path() + "/settings.sqlite");
        ASSERT_TRUE(store);
        EXPECT_FALSE(WindowGeometry::load(*store));
        WindowGeometry { -40, 30, 1280, 720, true }.save(*store);
        ASSERT_TRUE(store->synchronize());
    }
    auto store = core::UserDefaults::open(dir.path() + "/settings.sqlite");
    auto loaded = WindowGeometry::load(*store);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->x, -40);
    EXPECT_EQ(loaded->y, 30);
    EXPECT_EQ(loaded->width, 1280);
    EXPECT_EQ(loaded->height, 720);
    EXPECT_TRUE(loaded->fullScreen);
    EXPECT_NE(std::string(WindowGeometry::kKey).find('/'), std::string::npos);

    // A damaged value is no geometry.
    store->setObject(core::Json { { "x", "left" }, { "y", 0 }, { "width", 10 }, { "height", 10 } }, WindowGeometry::kKey);
    EXPECT_FALSE(WindowGeometry::load(*store));
}
