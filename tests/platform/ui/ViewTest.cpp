#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

using namespace ui;

namespace {

std::shared_ptr<View> child(View& parent, Rect frame, int tag = 0, double z = 0)
{
    auto v = View::create(frame);
    v->setTag(tag);
    v->layer().setZPosition(z);
    parent.addSubview(v);
    return v;
}

std::vector<int> drawingTags(const View& view)
{
    std::vector<int> tags;
    for (View* v : view.subviewsInDrawingOrder())
        tags.push_back(v->tag());
    return tags;
}

}

TEST(ViewTest, DrawingOrderIsZPositionThenChildListOrder)
{
    auto root = View::create(RectMake(0, 0, 100, 100));
    child(*root, {}, 1, 10);
    child(*root, {}, 2, 0);
    child(*root, {}, 3, 10);
    child(*root, {}, 4, -1);
    child(*root, {}, 5, 0);
    EXPECT_EQ(drawingTags(*root), (std::vector<int> { 4, 2, 5, 1, 3 }));

    // Changing a child's zPosition re-sorts; ties keep list order.
    root->subviews()[4]->layer().setZPosition(10);
    EXPECT_EQ(drawingTags(*root), (std::vector<int> { 4, 2, 1, 3, 5 }));
}

TEST(ViewTest, SendSubviewToBackMovesToTheFrontOfTheListButKeepsZOrder)
{
    auto root = View::create(RectMake(0, 0, 100, 100));
    child(*root, {}, 1);
    child(*root, {}, 2, 5);
    auto third = child(*root, {}, 3);
    root->sendSubviewToBack(third.get());
    EXPECT_EQ(root->subviews().front(), third);
    EXPECT_EQ(drawingTags(*root), (std::vector<int> { 3, 1, 2 }));

    root->bringSubviewToFront(third.get());
    EXPECT_EQ(root->subviews().back(), third);
    EXPECT_EQ(drawingTags(*root), (std::vector<int> { 1, 3, 2 }));
}

TEST(ViewTest, AddingAViewElsewhereMovesIt)
{
    auto a = View::create(), b = View::create();
    auto v = View::create();
    a->addSubview(v);
    b->addSubview(v);
    EXPECT_TRUE(a->subviews().empty());
    ASSERT_EQ(b->subviews().size(), 1u);
    EXPECT_EQ(v->superview(), b);
    v->removeFromSuperview();
    EXPECT_TRUE(b->subviews().empty());
    EXPECT_EQ(v->superview(), nullptr);
    // A view cannot become its own ancestor.
    v->addSubview(b);
    b->addSubview(v);
    EXPECT_TRUE(b->subviews().empty());
}

// Many children at once go where one insertSubview each, from the last index back, would put them;
// a view already elsewhere moves, and the parent itself or an ancestor is refused.
TEST(ViewTest, InsertingManyChildrenAtOnceMatchesInsertingThemOneByOne)
{
    auto parent = View::create();
    for (int tag : { 1, 2, 3 })
        child(*parent, {}, tag);
    auto other = View::create();
    auto moved = child(*other, {}, 40);
    std::vector<std::pair<size_t, std::shared_ptr<View>>> placed;
    for (auto [index, tag] : std::vector<std::pair<size_t, int>> { { 0, 10 }, { 0, 11 }, { 2, 20 }, { 3, 30 }, { 9, 90 } }) {
        auto v = View::create();
        v->setTag(tag);
        placed.emplace_back(index, v);
    }
    placed.emplace_back(9, moved);
    placed.emplace_back(1, parent);
    parent->insertSubviews(placed);
    std::vector<int> tags;
    for (const auto& v : parent->subviews())
        tags.push_back(v->tag());
    EXPECT_EQ(tags, (std::vector<int> { 10, 11, 1, 2, 20, 3, 30, 90, 40 }));
    EXPECT_TRUE(other->subviews().empty());
    for (const auto& v : parent->subviews())
        EXPECT_EQ(v->superview(), parent);
    EXPECT_EQ(parent->viewWithTag(30)->superview(), parent);
}

TEST(ViewTest, ViewWithTagSearchesReceiverThenDepthFirstInListOrder)
{
    auto root = View::create();
    root->setTag(7);
    auto first = child(*root, {}, 1);
    auto deep = child(*first, {}, 5);
    auto second = child(*root, {}, 5, -10); // drawn first, but later in the list
    auto deeper = child(*deep, {}, 9);
    auto secondChild = child(*second, {}, 9);

    EXPECT_EQ(root->viewWithTag(7), root);
    EXPECT_EQ(root->viewWithTag(5), deep);
    EXPECT_EQ(root->viewWithTag(9), deeper);
    EXPECT_EQ(second->viewWithTag(9), secondChild);
    EXPECT_EQ(root->viewWithTag(42), nullptr);
}

TEST(ViewTest, RepeatedTagLookupsStayCorrectAcrossChanges)
{
    auto root = View::create();
    auto strip = child(*root, {}, 1);
    std::vector<std::shared_ptr<View>> beats;
    for (int i = 0; i < 300; i++)
        beats.push_back(child(*strip, {}, 100 + i));
    for (int round = 0; round < 3; round++) {
        for (int i = 0; i < 300; i += 7)
            ASSERT_EQ(root->viewWithTag(100 + i), beats[static_cast<size_t>(i)]);
    }
    // A later duplicate does not win; moving it in front of the list does.
    auto duplicate = child(*strip, {}, 150);
    EXPECT_EQ(root->viewWithTag(150), beats[50]);
    strip->sendSubviewToBack(duplicate.get());
    EXPECT_EQ(root->viewWithTag(150), duplicate);
    duplicate->setTag(9999);
    EXPECT_EQ(root->viewWithTag(150), beats[50]);
    EXPECT_EQ(root->viewWithTag(9999), duplicate);
    beats[50]->removeFromSuperview();
    EXPECT_EQ(root->viewWithTag(150), nullptr);
    beats[60]->addSubview(View::create());
    beats[60]->subviews()[0]->setTag(77);
    EXPECT_EQ(root->viewWithTag(77), beats[60]->subviews()[0]);
    // Searching from the receiver: its own tag first, then only its subtree.
    EXPECT_EQ(beats[60]->viewWithTag(160), beats[60]);
    EXPECT_EQ(beats[60]->viewWithTag(161), nullptr);
}

TEST(ViewTest, ConvertPointThroughOffsetsAndScrolling)
{
    auto root = View::create(RectMake(0, 0, 1024, 768));
    auto scroll = ScrollView::create(RectMake(100, 50, 400, 300));
    root->addSubview(scroll);
    auto block = View::create(RectMake(1000, 20, 30, 10));
    scroll->addSubview(block);
    scroll->setContentOffset({ 900, 0 });

    EXPECT_EQ(block->convertPoint({ 0, 0 }, root.get()), (Point { 200, 70 }));
    EXPECT_EQ(block->convertPoint({ 5, 5 }, nullptr), (Point { 205, 75 }));
    EXPECT_EQ(root->convertPoint({ 205, 75 }, block.get()), (Point { 5, 5 }));
    EXPECT_EQ(block->convertPointFromView({ 205, 75 }, nullptr), (Point { 5, 5 }));
    EXPECT_EQ(block->windowFrame(), RectMake(200, 70, 30, 10));
}

TEST(ViewTest, CenterAndBoundsFollowTheFrame)
{
    auto v = View::create(RectMake(10, 20, 30, 40));
    EXPECT_EQ(v->center(), (Point { 25, 40 }));
    v->setCenter({ 100, 100 });
    EXPECT_EQ(v->frame(), RectMake(85, 80, 30, 40));
    EXPECT_EQ(v->bounds(), RectMake(0, 0, 30, 40));
}

class HitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = View::create(RectMake(0, 0, 200, 200));
        back = child(*root, RectMake(0, 0, 100, 100), 1);
        front = child(*root, RectMake(50, 50, 100, 100), 2);
    }
    std::shared_ptr<View> root, back, front;
};

TEST_F(HitTest, FrontToBackInDrawingOrder)
{
    EXPECT_EQ(root->hitTest({ 75, 75 }), front.get());
    EXPECT_EQ(root->hitTest({ 25, 25 }), back.get());
    EXPECT_EQ(root->hitTest({ 180, 20 }), root.get());
    EXPECT_EQ(root->hitTest({ 250, 20 }), nullptr);

    // Raising the one behind by zPosition puts it in front for touches too.
    back->layer().setZPosition(1);
    EXPECT_EQ(root->hitTest({ 75, 75 }), back.get());
}

TEST_F(HitTest, HiddenTransparentAndDisabledViewsTakeNoTouches)
{
    front->setHidden(true);
    EXPECT_EQ(root->hitTest({ 75, 75 }), back.get());
    front->setHidden(false);

    front->setAlpha(0.009);
    EXPECT_EQ(root->hitTest({ 75, 75 }), back.get());
    front->setAlpha(0.01);
    EXPECT_EQ(root->hitTest({ 75, 75 }), front.get());

    front->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({ 75, 75 }), back.get());
}

TEST_F(HitTest, AHiddenParentHidesItsChildren)
{
    auto inner = child(*front, RectMake(0, 0, 10, 10), 3);
    EXPECT_EQ(root->hitTest({ 55, 55 }), inner.get());
    front->setAlpha(0);
    EXPECT_EQ(root->hitTest({ 55, 55 }), back.get());
}

TEST_F(HitTest, LabelsAndChildrenOutsideTheBoundsDoNotTakeTouches)
{
    auto label = Label::create(RectMake(0, 0, 50, 50));
    front->addSubview(label);
    EXPECT_EQ(root->hitTest({ 60, 60 }), front.get());
    // A child standing outside its parent cannot be touched there.
    auto outside = child(*back, RectMake(150, 0, 20, 20), 4);
    EXPECT_EQ(root->hitTest({ 160, 10 }), root.get());
}

TEST(ViewTest, DrawingExtentReachesChildrenOutsideTheBoundsUnlessClipped)
{
    auto parent = View::create(RectMake(10, 10, 20, 20));
    auto outside = View::create(RectMake(100, -50, 5, 5));
    parent->addSubview(outside);
    Rect extent = parent->drawingExtentInSuperview();
    EXPECT_EQ(extent.minX(), 10);
    EXPECT_EQ(extent.maxX(), 115);
    EXPECT_EQ(extent.minY(), -40);

    // Moving the child updates the cached extent of its ancestors.
    outside->setFrame(RectMake(0, 0, 5, 5));
    EXPECT_EQ(parent->drawingExtentInSuperview(), RectMake(10, 10, 20, 20));

    auto scroll = ScrollView::create(RectMake(0, 0, 50, 50));
    scroll->addSubview(View::create(RectMake(500, 0, 10, 10)));
    EXPECT_EQ(scroll->drawingExtentInSuperview(), RectMake(0, 0, 50, 50));
}

TEST(ViewTest, SpatialIndexAnswersLikeAScanInDrawingOrder)
{
    auto strip = View::create(RectMake(0, 0, 100, 100));
    std::vector<std::shared_ptr<View>> blocks;
    for (int i = 0; i < 2000; i++) {
        auto block = child(*strip, RectMake(i * 10.0, (i % 7) * 10.0, 8, 8), i, (i % 3) ? 0 : 5);
        blocks.push_back(block);
    }
    // A wide one that spans many cells, and one standing far out through its child.
    auto wide = child(*strip, RectMake(0, 200, 20000, 4), 5000);
    auto anchor = child(*strip, RectMake(5, 5, 1, 1), 6000);
    child(*anchor, RectMake(9000, 0, 3, 3), 6001);

    auto query = [&](Rect r) {
        std::vector<View*> found;
        strip->subviewsIntersecting(r, found);
        std::vector<int> tags;
        for (View* v : found)
            tags.push_back(v->tag());
        return tags;
    };
    auto scan = [&](Rect r) {
        std::vector<int> tags;
        for (View* v : strip->subviewsInDrawingOrder())
            if (v->drawingExtentInSuperview().intersects(r))
                tags.push_back(v->tag());
        return tags;
    };
    for (Rect r : { RectMake(0, 0, 100, 100), RectMake(9000, 0, 50, 300), RectMake(15000, 0, 1024, 768), RectMake(-50, -50, 10, 10) })
        EXPECT_EQ(query(r), scan(r));
    std::vector<int> far = query(RectMake(9000, 0, 10, 10));
    EXPECT_NE(std::find(far.begin(), far.end(), 6000), far.end());

    // The index follows moves and z changes.
    blocks[3]->setFrame(RectMake(9001, 1, 2, 2));
    blocks[4]->layer().setZPosition(100);
    for (Rect r : { RectMake(9000, 0, 50, 50), RectMake(0, 0, 100, 100) })
        EXPECT_EQ(query(r), scan(r));
    EXPECT_EQ(query(RectMake(0, 0, 100, 100)).back(), 4);

    // Hit testing goes through the index too, front to back (inside the strip's bounds).
    strip->setFrame(RectMake(0, 0, 20000, 300));
    EXPECT_EQ(strip->hitTest({ 9001.5, 1.5 }), blocks[3].get());
    EXPECT_EQ(strip->hitTest({ 5003, 33 }), blocks[500].get()); // 500 % 7 == 3: y 30
    EXPECT_EQ(strip->hitTest({ 5009, 33 }), strip.get());
    auto cover = child(*strip, RectMake(5000, 30, 10, 10), 7000, 50);
    EXPECT_EQ(strip->hitTest({ 5003, 33 }), cover.get());
}
