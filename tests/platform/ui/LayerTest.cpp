#include "platform/ui/ScrollView.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

using namespace ui;

TEST(LayerTest, FrameFollowsBoundsAndCentrePosition)
{
    auto layer = ShapeLayer::create();
    layer->setBounds(RectMake(0, 0, 0, 80));
    layer->setPosition({ 0, 40 - 100 });
    EXPECT_EQ(layer->frame(), RectMake(0, -100, 0, 80));
    layer->setFrame(RectMake(10, 20, 30, 40));
    EXPECT_EQ(layer->bounds().size, (Size { 30, 40 }));
    EXPECT_EQ(layer->position(), (Point { 25, 40 }));
    EXPECT_EQ(layer->pathOffset(), (Point { 10, 20 }));
    // Platform defaults: a black fill, no stroke, one point lines, no dashes.
    EXPECT_EQ(layer->fillColor(), Color::black());
    EXPECT_FALSE(layer->strokeColor().has_value());
    EXPECT_EQ(layer->lineWidth(), 1);
    EXPECT_TRUE(layer->lineDashPattern().empty());
}

TEST(LayerTest, SublayersMoveBetweenParentsAndReportTheirView)
{
    auto a = View::create(), b = View::create();
    auto sub = ShapeLayer::create();
    a->layer().addSublayer(sub);
    EXPECT_EQ(sub->owningView(), a.get());
    b->layer().addSublayer(sub);
    EXPECT_TRUE(a->layer().sublayers().empty());
    EXPECT_EQ(sub->owningView(), b.get());
    sub->removeFromSuperlayer();
    EXPECT_EQ(sub->owningView(), nullptr);
    EXPECT_TRUE(b->layer().sublayers().empty());

    auto mask = ShapeLayer::create();
    a->layer().setMask(mask);
    EXPECT_EQ(mask->owningView(), a.get());
    mask->removeFromSuperlayer();
    EXPECT_EQ(a->layer().mask(), nullptr);
}

TEST(LayerTest, ADashLayerOutsideTheFrameWidensTheCullingExtent)
{
    auto strip = View::create(RectMake(0, 0, 1000, 300));
    auto line = View::create(RectMake(100, 150, 0, 80));
    strip->addSubview(line);
    EXPECT_EQ(line->drawingExtentInSuperview(), RectMake(100, 150, 0, 80));

    // Added after the view was measured: the cached extents along the way must notice.
    EXPECT_EQ(strip->drawingExtentInSuperview(), RectMake(0, 0, 1000, 300));
    auto dash = ShapeLayer::create();
    dash->setBounds(line->bounds());
    dash->setPosition({ 0, line->center().y - 100 });
    dash->setStrokeColor(Color::black());
    dash->setLineWidth(0.5);
    BezierPath path;
    path.moveToPoint({ 0, 0 });
    path.addLineToPoint({ 0, 80 });
    dash->setPath(path);
    line->layer().addSublayer(dash);

    Rect extent = line->drawingExtentInSuperview();
    // The centre y 190 puts the layer at y 90 - 40 = 50 of the view: 200 to 280 in the parent.
    EXPECT_LE(extent.minY(), 150);
    EXPECT_GE(extent.maxY(), 280);
    EXPECT_LE(extent.minX(), 99.75);
    // Moving the layer later is seen too.
    dash->setPosition({ 0, 500 });
    EXPECT_GE(line->drawingExtentInSuperview().maxY(), 150 + 500 + 40);
    EXPECT_GE(strip->drawingExtentInSuperview().maxY(), 690);
}

TEST(LayerTest, AMaskLimitsTheExtentToItsArea)
{
    auto block = View::create(RectMake(50, 50, 60, 40));
    block->addSubview(View::create(RectMake(2, -12, 12, 12)));
    EXPECT_EQ(block->drawingExtentInSuperview().minY(), 38);
    auto mask = ShapeLayer::create();
    mask->setFrame(block->bounds());
    mask->setPath(BezierPath::bezierPathWithRoundedRect(block->bounds(), TopRight, { 15, 15 }));
    block->layer().setMask(mask);
    Rect extent = block->drawingExtentInSuperview();
    EXPECT_GE(extent.minY(), 50 - 7); // no more than the mask's generous stroke pad
    EXPECT_LE(extent.maxX(), 110 + 7);
}

TEST(ScrollViewTest, WheelAndDragStayInsideTheContentButCodeMayGoAnywhere)
{
    auto scroll = ScrollView::create(RectMake(0, 0, 1024, 768));
    scroll->setContentSize({ 4097, 736 });
    EXPECT_EQ(scroll->maximumContentOffset(), (Point { 4097 - 1024, 0 }));
    // Only sideways scrolling is possible, so a vertical wheel step scrolls sideways.
    EXPECT_TRUE(scroll->scrollBy(0, 100));
    EXPECT_EQ(scroll->contentOffset(), (Point { 100, 0 }));
    EXPECT_TRUE(scroll->scrollBy(-500, 0));
    EXPECT_EQ(scroll->contentOffset(), (Point { 0, 0 }));
    EXPECT_FALSE(scroll->scrollBy(-5, 0));

    scroll->setContentOffset({ 9000, 0 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 9000, 0 }));
    scroll->beginDrag({ 500, 300 });
    scroll->dragTo({ 400, 300 });
    EXPECT_EQ(scroll->contentOffset(), (Point { 4097 - 1024, 0 }));

    scroll->setScrollEnabled(false);
    EXPECT_FALSE(scroll->scrollBy(0, -100));
}
