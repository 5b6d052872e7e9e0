// The dotted line, the rounded-corner mask, the tempo label and the tag scheme, checked as
// objects and, where it matters, as pixels.
#include <gtest/gtest.h>

#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"
#include "player/DottedLine.h"
#include "player/Roundify.h"
#include "player/TagScheme.h"
#include "player/Tempo.h"

#include <set>

namespace player::test {
namespace {

bool isDark(ui::Color c)
{
    return c.r < 0.5 && c.g < 0.5 && c.b < 0.5;
}

bool isWhite(ui::Color c)
{
    return c.r > 0.95 && c.g > 0.95 && c.b > 0.95;
}

// A white parent with one dotted line, drawn at 4 pixels a point so the half-point line covers
// whole pixels.
std::shared_ptr<render::Surface> paintLine(ui::Rect frame)
{
    auto parent = ui::View::create(ui::RectMake(0, 0, 200, 260));
    parent->setBackgroundColor(ui::Color::white());
    parent->addSubview(DottedLine::create(frame));
    auto surface = render::Surface::create(800, 1040);
    render::Renderer::renderView(*parent, *surface, 4.0);
    return surface;
}

TEST(DottedLineTest, DashLayerGeometry)
{
    auto line = DottedLine::create(ui::RectMake(100, 50, 10, 80));
    const auto& dash = line->dashLayer();
    ASSERT_TRUE(dash);
    ASSERT_EQ(line->layer().sublayers().size(), 1u);
    EXPECT_EQ(line->layer().sublayers()[0], dash);
    EXPECT_EQ(dash->bounds(), ui::RectMake(0, 0, 10, 80));
    // Centre y in the parent is 90; the layer sits 100 above it, at x 0 of the view.
    EXPECT_EQ(dash->position(), (ui::Point { 0, -10 }));
    EXPECT_EQ(dash->fillColor(), ui::Color::clear());
    EXPECT_EQ(dash->strokeColor(), ui::Color::black());
    EXPECT_EQ(dash->lineWidth(), 0.5);
    EXPECT_EQ(dash->lineJoin(), ui::LineJoin::Round);
    EXPECT_EQ(dash->lineDashPattern(), (std::vector<double> { 10, 5 }));
    const auto& elements = dash->path().elements();
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].p, (ui::Point { 0, 0 }));
    EXPECT_EQ(elements[1].p, (ui::Point { 0, 80 }));
    EXPECT_EQ(line->backgroundColor(), ui::Color::clear());
}

TEST(DottedLineTest, LineStandsAtTheLeftEdgeMinusHalfTheWidth)
{
    // Frame (X, Y, W, H): the line is at X - W/2, from 2Y - 100 down by H.
    auto line = DottedLine::create(ui::RectMake(100, 70, 40, 30));
    const auto& dash = line->dashLayer();
    ui::Rect inView = dash->frame();
    EXPECT_EQ(inView.x() + line->frame().x(), 80);
    EXPECT_EQ(inView.y() + line->frame().y(), 40);
    EXPECT_EQ(inView.height(), 30);
}

TEST(DottedLineTest, DrawsDashesOfTenWithGapsOfFive)
{
    auto surface = paintLine(ui::RectMake(100, 50, 0, 80));
    // x = 100 points is pixels 398..401; the line covers 99.75 to 100.25 points.
    EXPECT_TRUE(isDark(surface->pixel(399, 5 * 4))) << "first dash, 0 to 10";
    EXPECT_TRUE(isWhite(surface->pixel(399, 12 * 4 + 2))) << "gap, 10 to 15";
    EXPECT_TRUE(isDark(surface->pixel(399, 20 * 4))) << "second dash, 15 to 25";
    EXPECT_TRUE(isDark(surface->pixel(399, 77 * 4))) << "dash 75 to 85, cut at 80";
    EXPECT_TRUE(isWhite(surface->pixel(399, 82 * 4))) << "past the end";
    EXPECT_TRUE(isWhite(surface->pixel(396, 5 * 4))) << "half a point wide";
    EXPECT_TRUE(isWhite(surface->pixel(402, 5 * 4)));
}

TEST(DottedLineTest, LineMovesDownTwiceAsFastAsTheFrame)
{
    auto surface = paintLine(ui::RectMake(100, 100, 0, 80));
    EXPECT_TRUE(isWhite(surface->pixel(399, 95 * 4)));
    EXPECT_TRUE(isDark(surface->pixel(399, 105 * 4)));
    EXPECT_TRUE(isWhite(surface->pixel(399, 112 * 4 + 2)));
    EXPECT_TRUE(isDark(surface->pixel(399, 177 * 4)));
    EXPECT_TRUE(isWhite(surface->pixel(399, 182 * 4)));
}

TEST(DottedLineTest, DrawingAgainAddsNoLayers)
{
    auto parent = ui::View::create(ui::RectMake(0, 0, 200, 200));
    auto line = DottedLine::create(ui::RectMake(100, 50, 0, 80));
    parent->addSubview(line);
    auto surface = render::Surface::create(200, 200);
    for (int i = 0; i < 3; ++i)
        render::Renderer::renderView(*parent, *surface);
    EXPECT_EQ(line->layer().sublayers().size(), 1u);
}

TEST(RoundifyTest, MaskCoversTheBoundsAndRoundsOnlyTheNamedCorners)
{
    auto view = ui::View::create(ui::RectMake(40, 30, 100, 60));
    auto mask = maskForRoundedCorners(*view, ui::TopRight, { 15, 15 });
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->frame(), ui::RectMake(0, 0, 100, 60));
    EXPECT_EQ(mask->fillColor(), ui::Color::white());
    EXPECT_EQ(mask->backgroundColor(), ui::Color::clear());
    EXPECT_EQ(mask->path().bounds(), ui::RectMake(0, 0, 100, 60));
    EXPECT_FALSE(view->layer().mask()) << "making a mask does not apply it";
    addRoundedCorners(*view, ui::TopRight | ui::BottomRight, { 15, 15 });
    EXPECT_TRUE(view->layer().mask());
}

// A strip of thousands of blocks keeps one path per block size and corners, shared by their masks.
TEST(RoundifyTest, BlocksOfOneSizeAndCornersShareOnePath)
{
    auto maskOf = [](ui::Rect frame, unsigned corners) {
        auto view = ui::View::create(frame);
        return maskForRoundedCorners(*view, corners, { 15, 15 });
    };
    auto first = maskOf(ui::RectMake(0, 0, 55, 14), ui::TopRight);
    auto second = maskOf(ui::RectMake(300, 80, 55, 14), ui::TopRight);
    auto otherCorners = maskOf(ui::RectMake(0, 0, 55, 14), ui::TopLeft);
    auto otherSize = maskOf(ui::RectMake(0, 0, 56, 14), ui::TopRight);
    EXPECT_NE(first, second);
    EXPECT_EQ(&first->path(), &second->path());
    EXPECT_NE(&first->path(), &otherCorners->path());
    EXPECT_NE(&first->path(), &otherSize->path());
    EXPECT_EQ(otherSize->path().bounds(), ui::RectMake(0, 0, 56, 14));
    EXPECT_NE(otherCorners->path().elements().size(), 0u);

    auto line = DottedLine::create(ui::RectMake(10, 50, 0, 80));
    auto sameHeight = DottedLine::create(ui::RectMake(400, 90, 0, 80));
    auto taller = DottedLine::create(ui::RectMake(10, 50, 0, 90));
    auto dashes = [](const std::shared_ptr<DottedLine>& l) { return l->dashLayer(); };
    EXPECT_EQ(&dashes(line)->path(), &dashes(sameHeight)->path());
    EXPECT_NE(&dashes(line)->path(), &dashes(taller)->path());
    EXPECT_EQ(dashes(taller)->path().bounds(), ui::RectMake(0, 0, 0, 90));
}

TEST(RoundifyTest, MaskedPixels)
{
    auto paint = [](unsigned corners) {
        auto view = ui::View::create(ui::RectMake(0, 0, 100, 60));
        view->setBackgroundColor(ui::Color::black());
        addRoundedCorners(*view, corners, { 15, 15 });
        auto surface = render::Surface::create(100, 60);
        render::Renderer::renderView(*view, *surface);
        return surface;
    };
    auto opaque = [](const std::shared_ptr<render::Surface>& s, int x, int y) { return s->pixel(x, y).a > 0.9; };
    auto topRight = paint(2);
    EXPECT_FALSE(opaque(topRight, 99, 0));
    EXPECT_TRUE(opaque(topRight, 0, 0));
    EXPECT_TRUE(opaque(topRight, 99, 59));
    EXPECT_TRUE(opaque(topRight, 0, 59));
    EXPECT_TRUE(opaque(topRight, 92, 8)) << "inside the 15-point arc";

    auto right = paint(10);
    EXPECT_FALSE(opaque(right, 99, 0));
    EXPECT_FALSE(opaque(right, 99, 59));
    EXPECT_TRUE(opaque(right, 0, 0));
    EXPECT_TRUE(opaque(right, 0, 59));
}

TEST(TempoTest, StartsWithoutGroupOrIndex)
{
    auto label = Tempo::create(ui::RectMake(1, 2, 24, 12));
    EXPECT_FALSE(label->shouldBeHide());
    EXPECT_EQ(label->group(), 0);
    EXPECT_EQ(label->index(), 0);
    EXPECT_EQ(label->frame(), ui::RectMake(1, 2, 24, 12));
    label->setGroup(4);
    label->setIndex(2);
    EXPECT_EQ(label->group(), 4);
    EXPECT_EQ(label->index(), 2);
}

TEST(TagSchemeTest, ShortSongsKeepTheClassicSpacing)
{
    for (int highest : { 0, 1, 12, 200 }) {
        auto tags = TagScheme::forHighestKey(highest);
        EXPECT_EQ(tags.unit(), 200) << highest;
        EXPECT_EQ(tags.beatButtonTag(11), 11);
        EXPECT_EQ(tags.plusTag(11), 211);
        EXPECT_EQ(tags.minusTag(11), 511);
        EXPECT_EQ(tags.labelTag(11), 811);
    }
}

TEST(TagSchemeTest, LongSongsWidenTheSpacingToAMultipleOf200)
{
    EXPECT_EQ(TagScheme::forHighestKey(201).unit(), 400);
    EXPECT_EQ(TagScheme::forHighestKey(400).unit(), 400);
    EXPECT_EQ(TagScheme::forHighestKey(401).unit(), 600);
    auto tags = TagScheme::forHighestKey(1000);
    EXPECT_EQ(tags.unit(), 1000);
    EXPECT_EQ(tags.plusTag(7), 1007);
    EXPECT_EQ(tags.minusTag(7), 2507);
    EXPECT_EQ(tags.labelTag(7), 4007);
}

TEST(TagSchemeTest, EveryTagIsUniqueAndGivesBackItsKey)
{
    for (int highest : { 200, 201, 333, 1000 }) {
        auto tags = TagScheme::forHighestKey(highest);
        std::set<int> seen;
        for (int key = 1; key <= highest; ++key) {
            for (int tag : { tags.beatButtonTag(key), tags.plusTag(key), tags.minusTag(key), tags.labelTag(key) })
                EXPECT_TRUE(seen.insert(tag).second) << "tag " << tag << " of key " << key << " with highest " << highest;
            EXPECT_EQ(tags.keyFromBeatButtonTag(tags.beatButtonTag(key)), key);
            EXPECT_EQ(tags.keyFromPlusTag(tags.plusTag(key)), key);
            EXPECT_EQ(tags.keyFromMinusTag(tags.minusTag(key)), key);
            EXPECT_EQ(tags.keyFromLabelTag(tags.labelTag(key)), key);
        }
    }
}

TEST(TagSchemeTest, HugeKeysDoNotOverflow)
{
    auto tags = TagScheme::forHighestKey(2147483647);
    EXPECT_GT(tags.unit(), 0);
    EXPECT_GT(tags.labelTag(tags.unit()), tags.minusTag(tags.unit()));
    // Keys past the widest spacing saturate rather than wrap around.
    EXPECT_EQ(tags.labelTag(2147483647), 2147483647);
    EXPECT_EQ(tags.keyFromLabelTag(-2147483647 - 1), -2147483647 - 1);
}

}
}
