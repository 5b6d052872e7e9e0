#include "platform/ui/BezierPath.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(GeometryTest, RectTextFormsMatchThePlatforms)
{
    // The channel-36 label's frame goes to the log in this form.
    EXPECT_EQ(stringFromRect(RectMake(100, 50, 7, 7)), "{{100, 50}, {7, 7}}");
    EXPECT_EQ(stringFromRect(RectMake(100.5, -874, 0.25, 12)), "{{100.5, -874}, {0.25, 12}}");
    EXPECT_EQ(stringFromPoint({ -0.0, 3 }), "{0, 3}");
    EXPECT_EQ(stringFromSize({ 1024, 768 }), "{1024, 768}");
}

TEST(GeometryTest, ContainsIsHalfOpenAndIntersectsMeetsZeroWidthRects)
{
    Rect r = RectMake(10, 10, 20, 20);
    EXPECT_TRUE(r.contains({ 10, 10 }));
    EXPECT_FALSE(r.contains({ 30, 10 }));
    EXPECT_FALSE(r.contains({ 10, 30 }));
    // A vertical line (zero width) still meets what it crosses.
    EXPECT_TRUE(RectMake(20, 0, 0, 80).intersects(r));
    EXPECT_FALSE(RectMake(31, 0, 0, 80).intersects(r));
    EXPECT_EQ(r.intersection(RectMake(25, 5, 100, 10)), RectMake(25, 10, 5, 5));
    EXPECT_TRUE(r.intersection(RectMake(100, 100, 1, 1)).isEmpty());
    EXPECT_EQ(r.unionWith(RectMake(0, 40, 5, 5)), RectMake(0, 10, 30, 35));
    // Negative sizes read as the same area.
    EXPECT_EQ(RectMake(30, 30, -20, -20).minX(), 10);
    EXPECT_EQ(r.inset(2, 3), RectMake(12, 13, 16, 14));
}

TEST(GeometryTest, RoundedRectRoundsOnlyTheChosenCorners)
{
    auto countCurves = [](const BezierPath& path) {
        int curves = 0;
        for (auto& e : path.elements())
            curves += e.op == BezierPath::Op::Curve;
        return curves;
    };
    Rect r = RectMake(0, 0, 60, 40);
    EXPECT_EQ(countCurves(*BezierPath::bezierPathWithRoundedRect(r, TopRight, { 15, 15 })), 1);
    EXPECT_EQ(countCurves(*BezierPath::bezierPathWithRoundedRect(r, TopRight | BottomRight, { 15, 15 })), 2);
    EXPECT_EQ(countCurves(*BezierPath::bezierPathWithRoundedRect(r, AllCorners, { 15, 15 })), 4);
    EXPECT_EQ(countCurves(*BezierPath::bezierPathWithRect(r)), 0);

    // The top edge of a top-right rounding stops a radius short of the corner.
    auto path = BezierPath::bezierPathWithRoundedRect(r, TopRight, { 15, 15 });
    ASSERT_GE(path->elements().size(), 3u);
    EXPECT_EQ(path->elements()[0].p, (Point { 0, 0 }));
    EXPECT_EQ(path->elements()[1].p, (Point { 45, 0 }));
    EXPECT_EQ(path->elements()[2].p, (Point { 60, 15 }));
    // Radii larger than half a side are clamped.
    auto tight = BezierPath::bezierPathWithRoundedRect(RectMake(0, 0, 10, 10), AllCorners, { 15, 15 });
    EXPECT_EQ(tight->bounds(), RectMake(0, 0, 10, 10));
}

TEST(GeometryTest, PathBoundsCoverLinesAndArcs)
{
    BezierPath path;
    path.moveToPoint({ 0, 0 });
    path.addLineToPoint({ 0, 80 });
    EXPECT_EQ(path.bounds(), RectMake(0, 0, 0, 80));
    path.addArc({ 50, 50 }, 10, 0, 3.14, true);
    EXPECT_EQ(path.bounds(), RectMake(0, 0, 60, 80));
    EXPECT_TRUE(BezierPath().bounds().isEmpty());
}

TEST(FontTest, NamesGiveStyleAndFamily)
{
    Font arial = Font::named("Arial", 10.8);
    EXPECT_EQ(arial.name, "Arial");
    EXPECT_DOUBLE_EQ(arial.size, 10.8);
    EXPECT_FALSE(arial.bold);
    EXPECT_FALSE(arial.italic);
    EXPECT_TRUE(Font::named("Arial-Italic", 8).italic);
    Font boldItalic = Font::named("Arial-BoldItalicMT", 8);
    EXPECT_TRUE(boldItalic.bold);
    EXPECT_TRUE(boldItalic.italic);
    EXPECT_TRUE(Font::boldSystemFont(16).bold);
    EXPECT_EQ(Font::boldSystemFont(16).family(), "Liberation Sans");
    EXPECT_EQ(Font::named("Arial", 1).family(), "Liberation Sans");
    EXPECT_EQ(Font::named("Times-Roman", 1).family(), "Liberation Serif");
}

TEST(FontTest, TailTruncationKeepsWholeCharacters)
{
    Font font = Font::systemFont(12);
    EXPECT_EQ(truncateTail("", font, 10), "");
    EXPECT_EQ(truncateTail("abc", font, 1000), "abc");
    EXPECT_EQ(truncateTail("abcdef", font, 0.5), "\xE2\x80\xA6");
    std::string accented = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"; // ten é
    std::string cut = truncateTail(accented, font, font.sizeOfText("\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x80\xA6").width + 0.01);
    EXPECT_EQ(cut, "\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x80\xA6");
    // Spaces before the ellipsis are dropped.
    std::string words = truncateTail("ab    cdefghijklmnop", font, font.sizeOfText("ab    \xE2\x80\xA6").width + 0.01);
    EXPECT_EQ(words, "ab\xE2\x80\xA6");
}
