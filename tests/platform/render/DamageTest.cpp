// Redrawing only what changed: which window areas a change damages, and that drawing just those
// areas over the previous frame gives exactly the pixels of a full redraw.
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/DamageRegion.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ui;
using render::Renderer;
using render::Surface;

namespace {

std::shared_ptr<View> block(View& parent, Rect frame, std::optional<Color> color)
{
    auto v = View::create(frame);
    v->setBackgroundColor(color);
    parent.addSubview(v);
    return v;
}

// A screen like the player's: a clipping strip of blocks with labels, translucent panels either
// side of a cursor, rounded dots and a toolbar.
class DamageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Renderer::installTextMetrics();
        window = Window::create();
        screen = ViewController::create();
        window->setRootViewController(screen);
        View& root = *screen->view();
        root.setBackgroundColor(Color::rgba(0.95, 0.95, 0.9));
        strip = ScrollView::create(RectMake(0, 100, 1024, 500));
        root.addSubview(strip);
        for (int i = 0; i < 120; i++) {
            auto b = block(*strip, RectMake(i * 37.5 + 0.3, 40 + (i % 5) * 80, 33.2, 50.5), Color::rgba((i % 7) / 7.0, (i % 5) / 5.0, 0.5));
            auto label = Label::create(RectMake(2, 2, 30, 14));
            label->setFont(Font::named("Arial", 11));
            label->setText(std::to_string(60 + i));
            label->setTextColor(Color::white());
            b->addSubview(label);
        }
        strip->setContentSize({ 120 * 37.5, 500 });
        left = block(root, RectMake(-1024 + 300.25, 0, 1024, 784), Color::rgba(0, 0, 0, 0.6));
        right = block(root, RectMake(360.5, 0, 1024, 784), Color::rgba(0, 0, 0, 0.6));
        left->setAlpha(0.5);
        right->setAlpha(0.5);
        band = block(root, RectMake(300.25, 225, 60.25, 40), Color::rgba(0.35, 0.6, 1.0, 0.18));
        dot = block(root, RectMake(310, 282, 12, 12), Color::red());
        dot->layer().setCornerRadius(6);
        auto bar = block(root, RectMake(0, 0, 1024, 60), Color::rgba(0.2, 0.2, 0.25));
        auto title = Label::create(RectMake(20, 10, 300, 40));
        title->setText("Minuet in G");
        title->setTextColor(Color::white());
        bar->addSubview(title);
    }
    void TearDown() override { core::RunLoop::resetMain(); }

    std::shared_ptr<Surface> full(double scale)
    {
        auto s = Surface::create(int(std::ceil(1024 * scale)), int(std::ceil(768 * scale)));
        Renderer::render(*window, *s, scale);
        return s;
    }

    // Moves the cursor one beat of `width` points on, as the player does.
    void step(double width)
    {
        double x = right->frame().x();
        left->setFrame(left->frame().offsetBy(width, 0));
        right->setFrame(right->frame().offsetBy(width, 0));
        band->setFrame(RectMake(x, 225, width, 40));
        dot->setFrame(dot->frame().offsetBy(width, 0));
    }

    // Draws the damage over `picture` (the previous frame) and compares it with a full redraw.
    void expectPartialEqualsFull(Surface& picture, double scale)
    {
        window->layoutIfNeeded();
        Renderer::renderDamage(*window, picture, scale, window->damage());
        window->clearNeedsDisplay();
        auto reference = full(scale);
        int differing = 0;
        for (int y = 0; y < picture.height(); y++) {
            for (int x = 0; x < picture.width(); x++) {
                if (picture.rawPixel(x, y) != reference->rawPixel(x, y) && differing++ < 5)
                    ADD_FAILURE() << "pixel " << x << ", " << y << " differs at scale " << scale;
            }
        }
        EXPECT_EQ(differing, 0);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<ViewController> screen;
    std::shared_ptr<ScrollView> strip;
    std::shared_ptr<View> left, right, band, dot;
};

}

TEST(DamageRegionTest, MergesWhatMeetsAndStaysShort)
{
    DamageRegion region;
    region.add(RectMake(0, 0, 10, 10));
    region.add(RectMake(2, 2, 3, 3)); // inside
    region.add(RectMake(10, 0, 5, 10)); // touches: one rectangle
    ASSERT_EQ(region.rects().size(), 1u);
    EXPECT_EQ(region.rects()[0], RectMake(0, 0, 15, 10));
    region.add(RectMake(100, 100, 0, 10)); // empty
    EXPECT_EQ(region.rects().size(), 1u);
    for (int i = 0; i < 20; i++)
        region.add(RectMake(50 + i * 20, 300, 5, 5));
    EXPECT_LE(region.rects().size(), DamageRegion::kMaxRects);
    // Nothing that was added is lost.
    for (int i = 0; i < 20; i++) {
        bool covered = false;
        for (const Rect& r : region.rects())
            covered = covered || (r.minX() <= 50 + i * 20 && r.maxX() >= 55 + i * 20 && r.minY() <= 300 && r.maxY() >= 305);
        EXPECT_TRUE(covered) << i;
    }
    // Disjoint, so the area counts each point once.
    for (size_t i = 0; i < region.rects().size(); i++)
        for (size_t j = i + 1; j < region.rects().size(); j++)
            EXPECT_FALSE(region.rects()[i].intersects(region.rects()[j]));
}

TEST(DamageRegionTest, SubtractLeavesTheStripsOutside)
{
    auto parts = DamageRegion::subtract(RectMake(0, 0, 100, 50), RectMake(20, 0, 100, 50));
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0], RectMake(0, 0, 20, 50));
    EXPECT_EQ(DamageRegion::subtract(RectMake(0, 0, 10, 10), RectMake(20, 20, 5, 5)).size(), 1u);
    EXPECT_TRUE(DamageRegion::subtract(RectMake(5, 5, 2, 2), RectMake(0, 0, 10, 10)).empty());
    double area = 0;
    for (const Rect& r : DamageRegion::subtract(RectMake(0, 0, 10, 10), RectMake(3, 3, 4, 4)))
        area += r.width() * r.height();
    EXPECT_EQ(area, 100 - 16);
}

TEST_F(DamageTest, ABeatStepDamagesOnlyTheCursorsOldAndNewPlaces)
{
    full(1);
    window->clearNeedsDisplay();
    step(45.5);
    Rect damaged = window->damage().bounds();
    // From the old cursor's left edge to the new one's right edge, nothing else.
    EXPECT_GE(damaged.minX(), 300.25 - 1e-9);
    EXPECT_LE(damaged.maxX(), 360.5 + 45.5 + 45.5 + 1e-9);
    EXPECT_LT(window->damage().area(), 0.15 * 1024 * 768);
}

TEST_F(DamageTest, ChangesDamageWhereTheViewShowsAndNothingWhenItDoesNot)
{
    full(1);
    window->clearNeedsDisplay();
    // A block scrolled out of the strip's bounds shows nowhere.
    strip->subviews()[100]->setBackgroundColor(Color::green());
    EXPECT_FALSE(window->needsDisplay());
    // Hidden: neither it nor its children.
    dot->setHidden(true);
    Rect dotArea = window->damage().bounds();
    EXPECT_EQ(dotArea, RectMake(310, 282, 12, 12));
    window->clearNeedsDisplay();
    dot->setBackgroundColor(Color::blue());
    EXPECT_FALSE(window->needsDisplay());
    // A label's text: its area, in window coordinates.
    auto label = std::static_pointer_cast<Label>(strip->subviews()[2]->subviews()[0]);
    label->setText("99");
    ASSERT_TRUE(window->needsDisplay());
    Rect labelArea = window->damage().bounds();
    EXPECT_NEAR(labelArea.minX(), 2 * 37.5 + 0.3 + 2, 1e-9);
    EXPECT_LE(labelArea.maxY(), 100 + 40 + 2 * 80 + 2 + 14 + 2);
    window->clearNeedsDisplay();
    // A page turn: the strip's whole bounds, and nothing outside it.
    strip->setContentOffset({ 500, 0 });
    EXPECT_EQ(window->damage().bounds(), RectMake(0, 100, 1024, 500));
    window->clearNeedsDisplay();
    // A new child: its own area only.
    block(*screen->view(), RectMake(900, 700, 20, 20), Color::green());
    EXPECT_EQ(window->damage().bounds(), RectMake(900, 700, 20, 20));
}

TEST_F(DamageTest, APartialRedrawGivesThePixelsOfAFullRedraw)
{
    for (double scale : { 1.0, 0.78125, 1.5 }) {
        SCOPED_TRACE(scale);
        auto picture = full(scale);
        window->clearNeedsDisplay();
        // Beat steps of uneven widths, at fractional positions.
        for (double width : { 45.5, 33.3, 60.0 }) {
            step(width);
            expectPartialEqualsFull(*picture, scale);
        }
        // A page turn, then a label, a hidden dot and a fading panel.
        strip->setContentOffset({ strip->contentOffset().x + 321.7, 0 });
        expectPartialEqualsFull(*picture, scale);
        std::static_pointer_cast<Label>(strip->subviews()[12]->subviews()[0])->setText("7");
        dot->setHidden(!dot->isHidden());
        right->setAlpha(right->alpha() == 0.5 ? 0.3 : 0.5);
        expectPartialEqualsFull(*picture, scale);
    }
}

TEST_F(DamageTest, AFaintPlainViewHasThePixelsItHadDrawnAsAGroup)
{
    // The same faint panel, once plain and once with an empty child that makes it a group, for
    // colours and alphas that round differently on the way to 8 bits.
    auto child = View::create(RectMake(0, 0, 0, 0));
    for (double colourAlpha : { 1.0, 0.6, 0.18 }) {
        for (double alpha : { 0.5, 0.3, 0.77, 0.1 }) {
            SCOPED_TRACE(testing::Message() << colourAlpha << " " << alpha);
            right->setBackgroundColor(Color::rgba(0.35, 0.6, 1.0, colourAlpha));
            right->setAlpha(alpha);
            child->removeFromSuperview();
            auto plain = full(1);
            right->addSubview(child);
            auto group = full(1);
            int off = 0, edge = 0;
            for (int y = 0; y < 768; y++) {
                for (int x = 0; x < 1024; x++) {
                    if (plain->rawPixel(x, y) == group->rawPixel(x, y))
                        continue;
                    // The panel's left edge stands at x 360.5: that column is half covered, and
                    // there the two ways round the coverage differently, by a step at most.
                    Color a = plain->pixel(x, y), b = group->pixel(x, y);
                    bool step = std::abs(a.r - b.r) <= 1.5 / 255 && std::abs(a.g - b.g) <= 1.5 / 255 && std::abs(a.b - b.b) <= 1.5 / 255;
                    (x == 360 && step ? edge : off)++;
                }
            }
            EXPECT_EQ(off, 0);
            EXPECT_LE(edge, 768);
        }
    }
}
