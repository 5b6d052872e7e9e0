#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/core/RunLoop.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

using namespace ui;
using render::Renderer;
using render::Surface;

namespace {

// Colour components compare to within one 8-bit step and a little for blending.
::testing::AssertionResult near(Color actual, Color expected, double tolerance = 2.5 / 255)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance
        && std::abs(actual.b - expected.b) <= tolerance && std::abs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << actual.r << ", " << actual.g << ", " << actual.b << ", " << actual.a
                                         << ") expected (" << expected.r << ", " << expected.g << ", " << expected.b << ", " << expected.a << ")";
}

std::shared_ptr<View> block(View& parent, Rect frame, Color color)
{
    auto v = View::create(frame);
    v->setBackgroundColor(color);
    parent.addSubview(v);
    return v;
}

// A tree drawn on a transparent 200 x 200 surface.
class RendererTest : public ::testing::Test {
protected:
    void SetUp() override { root = View::create(RectMake(0, 0, 200, 200)); }
    std::shared_ptr<Surface> draw(double scale = 1)
    {
        auto surface = Surface::create(static_cast<int>(200 * scale), static_cast<int>(200 * scale));
        Renderer::renderView(*root, *surface, scale);
        return surface;
    }
    std::shared_ptr<View> root;
};

}

TEST_F(RendererTest, AViewShowsItsColourAtItsCentreAndNothingOutside)
{
    block(*root, RectMake(40, 60, 20, 10), Color::rgba(0.2, 0.4, 0.6));
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(50, 65), Color::rgba(0.2, 0.4, 0.6)));
    EXPECT_TRUE(near(s->pixel(39, 65), Color::clear()));
    EXPECT_TRUE(near(s->pixel(60, 65), Color::clear()));

    // At twice the scale the same point lands on twice the pixels.
    auto s2 = draw(2);
    EXPECT_TRUE(near(s2->pixel(100, 130), Color::rgba(0.2, 0.4, 0.6)));
    EXPECT_TRUE(near(s2->pixel(121, 130), Color::clear()));
}

TEST_F(RendererTest, ZPositionDecidesWhatIsOnTopThenInsertionOrder)
{
    auto red = block(*root, RectMake(0, 0, 100, 100), Color::red());
    auto blue = block(*root, RectMake(50, 50, 100, 100), Color::blue());
    EXPECT_TRUE(near(draw()->pixel(75, 75), Color::blue()));
    red->layer().setZPosition(1);
    EXPECT_TRUE(near(draw()->pixel(75, 75), Color::red()));
    red->layer().setZPosition(0);
    root->sendSubviewToBack(blue.get());
    EXPECT_TRUE(near(draw()->pixel(75, 75), Color::red()));
}

TEST_F(RendererTest, HalfTransparentViewBlendsAsAGroup)
{
    block(*root, RectMake(0, 0, 200, 200), Color::white());
    auto faded = block(*root, RectMake(50, 50, 100, 100), Color::black());
    faded->setAlpha(0.5);
    // A child over the parent is not seen through its parent: the two fade as one.
    block(*faded, RectMake(0, 0, 50, 50), Color::red());
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(120, 120), Color::rgba(0.5, 0.5, 0.5), 3.0 / 255));
    EXPECT_TRUE(near(s->pixel(60, 60), Color::rgba(1, 0.5, 0.5), 3.0 / 255));
    EXPECT_TRUE(near(s->pixel(10, 10), Color::white()));
}

TEST_F(RendererTest, RoundedCornerIsLeftTransparent)
{
    auto v = block(*root, RectMake(20, 20, 100, 60), Color::green());
    v->layer().setCornerRadius(20);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(21, 21), Color::clear()));
    EXPECT_TRUE(near(s->pixel(118, 78), Color::clear()));
    EXPECT_TRUE(near(s->pixel(70, 50), Color::green()));
    EXPECT_TRUE(near(s->pixel(70, 21), Color::green()));
}

TEST_F(RendererTest, MaskClipsTheViewAndAChildStandingOutsideIt)
{
    auto host = block(*root, RectMake(50, 50, 60, 40), Color::blue());
    auto mark = block(*host, RectMake(2, -12, 12, 12), Color::red()); // above the top edge
    auto free = block(*host, RectMake(70, 0, 10, 10), Color::red());  // right of the host
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(58, 44), Color::red()));
    EXPECT_TRUE(near(s->pixel(125, 55), Color::red()));

    // Rounded top-right corner mask over the bounds, as score blocks get it.
    auto mask = ShapeLayer::create();
    mask->setFrame(host->bounds());
    mask->setPath(BezierPath::bezierPathWithRoundedRect(host->bounds(), TopRight, { 15, 15 }));
    mask->setFillColor(Color::white());
    host->layer().setMask(mask);
    s = draw();
    EXPECT_TRUE(near(s->pixel(58, 44), Color::clear()));
    EXPECT_TRUE(near(s->pixel(125, 55), Color::clear()));
    EXPECT_TRUE(near(s->pixel(108, 52), Color::clear()));   // the rounded corner
    EXPECT_TRUE(near(s->pixel(51, 51), Color::blue()));     // a square corner stays
    EXPECT_TRUE(near(s->pixel(80, 70), Color::blue()));
    EXPECT_TRUE(near(s->pixel(108, 88), Color::blue()));
}

TEST_F(RendererTest, MaskWithTwoRoundedCornersKeepsTheOtherTwoSquare)
{
    auto host = block(*root, RectMake(20, 20, 100, 60), Color::green());
    auto mask = ShapeLayer::create();
    mask->setFrame(host->bounds());
    mask->setPath(BezierPath::bezierPathWithRoundedRect(host->bounds(), TopRight | BottomRight, { 15, 15 }));
    mask->setFillColor(Color::white());
    host->layer().setMask(mask);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(118, 21), Color::clear()));
    EXPECT_TRUE(near(s->pixel(118, 78), Color::clear()));
    EXPECT_TRUE(near(s->pixel(21, 21), Color::green()));
    EXPECT_TRUE(near(s->pixel(21, 78), Color::green()));
    EXPECT_TRUE(near(s->pixel(110, 50), Color::green()));
}

TEST_F(RendererTest, NestedAlphaMultipliesAndBorderFollowsTheCornerRadius)
{
    auto outer = block(*root, RectMake(0, 0, 100, 100), Color::clear());
    outer->setAlpha(0.5);
    auto inner = block(*outer, RectMake(0, 0, 50, 50), Color::black());
    inner->setAlpha(0.5);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(25, 25), Color::rgba(0, 0, 0, 0.25), 3.0 / 255));

    auto rounded = block(*root, RectMake(120, 120, 60, 60), Color::white());
    rounded->layer().setCornerRadius(20);
    rounded->layer().setBorderWidth(4);
    rounded->layer().setBorderColor(Color::blue());
    s = draw();
    EXPECT_TRUE(near(s->pixel(121, 121), Color::clear()));
    EXPECT_TRUE(near(s->pixel(122, 150), Color::blue()));
    EXPECT_TRUE(near(s->pixel(150, 150), Color::white()));
}

TEST_F(RendererTest, TextTallerThanASmallLabelOverflowsItAndIsStillDrawn)
{
    // A 7 x 7 italic label with a large font, as the score's small labels are: what shows (here
    // only the truncation mark) stands below the frame.
    auto label = Label::create(RectMake(100, 100, 7, 7));
    label->setFont(Font::named("Arial-Italic", 24));
    label->setText("1");
    label->setTextColor(Color::black());
    root->addSubview(label);
    auto s = draw();
    int inkOutside = 0;
    for (int y = 85; y < 123; y++)
        for (int x = 95; x < 115; x++)
            if ((y < 100 || y >= 107) && s->pixel(x, y).a > 0.5)
                inkOutside++;
    EXPECT_GT(inkOutside, 5);
    EXPECT_GE(label->drawingExtentInSuperview().height(), Font::named("Arial-Italic", 24).lineHeight());
}

TEST_F(RendererTest, ChildrenOutsideAPlainViewShowButAScrollViewClips)
{
    auto plain = View::create(RectMake(10, 10, 20, 20));
    root->addSubview(plain);
    block(*plain, RectMake(100, 100, 10, 10), Color::red());
    auto scroll = ScrollView::create(RectMake(10, 150, 50, 40));
    root->addSubview(scroll);
    scroll->setContentSize({ 300, 40 });
    block(*scroll, RectMake(0, 0, 40, 40), Color::green());
    block(*scroll, RectMake(100, 0, 40, 40), Color::blue());
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(115, 115), Color::red()));
    EXPECT_TRUE(near(s->pixel(20, 160), Color::green()));
    EXPECT_TRUE(near(s->pixel(115, 160), Color::clear()));

    scroll->setContentOffset({ 95, 0 });
    s = draw();
    EXPECT_TRUE(near(s->pixel(20, 160), Color::blue()));
    EXPECT_TRUE(near(s->pixel(12, 160), Color::clear()));
}

TEST_F(RendererTest, DashedLineHasDashesAndGaps)
{
    // A 0 x 80 view with a vertical dashed line, standing where the dotted line puts it.
    auto host = View::create(RectMake(100, 50, 0, 80));
    root->addSubview(host);
    auto line = ShapeLayer::create();
    line->setBounds(host->bounds());
    line->setPosition({ 0, 40 });
    line->setFillColor(Color::clear());
    line->setStrokeColor(Color::black());
    line->setLineWidth(2);
    line->setLineJoin(LineJoin::Round);
    line->setLineDashPattern({ 10, 5 });
    BezierPath path;
    path.moveToPoint({ 0, 0 });
    path.addLineToPoint({ 0, 80 });
    line->setPath(path);
    host->layer().addSublayer(line);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(100, 55), Color::black()));  // first dash: 50..60
    EXPECT_TRUE(near(s->pixel(100, 62), Color::clear()));  // gap: 60..65
    EXPECT_TRUE(near(s->pixel(100, 70), Color::black()));  // second dash: 65..75
    EXPECT_TRUE(near(s->pixel(100, 77), Color::clear()));  // gap: 75..80
    EXPECT_TRUE(near(s->pixel(104, 55), Color::clear()));
}

TEST_F(RendererTest, AnAllZeroDashPatternDrawsSolidAndSpoilsNothingDrawnAfterIt)
{
    // Cairo refuses a pattern of zeros and then ignores every later call on the context: the
    // line, and everything drawn after it in the frame, would vanish.
    auto host = View::create(RectMake(100, 50, 0, 80));
    root->addSubview(host);
    auto line = ShapeLayer::create();
    line->setBounds(host->bounds());
    line->setPosition({ 0, 40 });
    line->setStrokeColor(Color::black());
    line->setLineWidth(2);
    line->setLineDashPattern({ 0, 0 });
    BezierPath path;
    path.moveToPoint({ 0, 0 });
    path.addLineToPoint({ 0, 80 });
    line->setPath(path);
    host->layer().addSublayer(line);
    block(*root, RectMake(150, 150, 20, 20), Color::rgba(1, 0, 0));
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(100, 62), Color::black()));
    EXPECT_TRUE(near(s->pixel(160, 160), Color::rgba(1, 0, 0)));
}

namespace {

// Adds its dash layer when first drawn, outside its own (zero-width) frame, as the score's
// dotted lines do.
class DashedView : public View {
public:
    static std::shared_ptr<DashedView> create(Rect frame) { return std::shared_ptr<DashedView>(new DashedView(frame)); }
    void drawRect(Rect) override
    {
        drawRects++;
        auto line = ShapeLayer::create();
        line->setBounds(bounds());
        line->setPosition({ 0, center().y - 100 });
        line->setFillColor(Color::clear());
        line->setStrokeColor(Color::black());
        line->setLineWidth(2);
        line->setLineDashPattern({ 10, 5 });
        BezierPath path;
        path.moveToPoint({ 0, 0 });
        path.addLineToPoint({ 0, bounds().height() });
        line->setPath(path);
        layer().addSublayer(line);
    }
    int drawRects = 0;

private:
    using View::View;
};

}

TEST_F(RendererTest, LayersAddedInDrawRectShowOutsideTheFrameAndDrawRectRunsOnce)
{
    // Frame (100, 100, 0, 60): the layer's centre sits at y 130 - 100 = 30 of the view, so its
    // 60-point line runs from y 0 to 60 of the view, 100 to 160 of the parent, at x 100.
    auto dashed = DashedView::create(RectMake(100, 100, 0, 60));
    root->addSubview(dashed);
    auto s = draw();
    EXPECT_EQ(dashed->drawRects, 1);
    EXPECT_TRUE(near(s->pixel(100, 105), Color::black()));
    EXPECT_TRUE(near(s->pixel(100, 112), Color::clear()));
    draw();
    draw();
    EXPECT_EQ(dashed->drawRects, 1);
    EXPECT_EQ(dashed->layer().sublayers().size(), 1u);
    dashed->setHidden(true);
    dashed->setHidden(false);
    draw();
    EXPECT_EQ(dashed->drawRects, 1);
    dashed->setNeedsDisplay();
    draw();
    EXPECT_EQ(dashed->drawRects, 2);
}

TEST_F(RendererTest, BorderIsDrawnInsideTheBoundsOverTheChildren)
{
    auto v = block(*root, RectMake(20, 20, 40, 40), Color::white());
    block(*v, RectMake(0, 0, 40, 40), Color::green());
    v->layer().setBorderWidth(3);
    v->layer().setBorderColor(Color::red());
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(20, 40), Color::red()));
    EXPECT_TRUE(near(s->pixel(22, 40), Color::red()));
    EXPECT_TRUE(near(s->pixel(24, 40), Color::green()));
    EXPECT_TRUE(near(s->pixel(19, 40), Color::clear()));
    EXPECT_TRUE(near(s->pixel(59, 40), Color::red()));
    EXPECT_TRUE(near(s->pixel(60, 40), Color::clear()));
}

TEST_F(RendererTest, HiddenAndTransparentViewsAreNotDrawn)
{
    block(*root, RectMake(0, 0, 50, 50), Color::red())->setHidden(true);
    block(*root, RectMake(50, 0, 50, 50), Color::red())->setAlpha(0);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(25, 25), Color::clear()));
    EXPECT_TRUE(near(s->pixel(75, 25), Color::clear()));
}

TEST_F(RendererTest, LabelDrawsCentredTextInItsColourAndTruncatesAtTheTail)
{
    auto label = Label::create(RectMake(10, 10, 180, 30));
    label->setFont(Font::named("Arial", 20));
    label->setTextColor(Color::black());
    label->setText("MMMM");
    label->setTextAlignment(TextAlignment::Center);
    root->addSubview(label);
    auto s = draw();
    auto inkInColumns = [&](int x0, int x1) {
        int ink = 0;
        for (int y = 10; y < 40; y++)
            for (int x = x0; x < x1; x++)
                ink += s->pixel(x, y).a > 0.5;
        return ink;
    };
    EXPECT_GT(inkInColumns(80, 120), 50);
    EXPECT_EQ(inkInColumns(10, 40), 0);
    EXPECT_EQ(inkInColumns(160, 190), 0);

    Font arial = Font::named("Arial", 10.8);
    EXPECT_EQ(truncateTail("120", arial, 100), "120");
    std::string cut = truncateTail("A long song title that does not fit", arial, 60);
    EXPECT_LT(arial.sizeOfText(cut).width, 60.01);
    EXPECT_EQ(cut.substr(cut.size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(cut.rfind("A lo", 0), 0u);
    // Arial metrics (Liberation Sans): "M" is 0.833 em, an italic face exists.
    EXPECT_NEAR(Font::named("Arial", 100).sizeOfText("M").width, 83.3, 1.0);
    EXPECT_TRUE(Font::named("Arial-Italic", 10).italic);
    EXPECT_EQ(Font::named("Arial-Italic", 10).family(), "Liberation Sans");
}

TEST_F(RendererTest, ImageViewDrawsAResourceScaledToItsFrame)
{
    auto folder = core::TemporaryFolder::create("render-image");
    ASSERT_TRUE(folder.ok());
    std::string dir = (*folder)->path();
    auto pattern = Surface::create(4, 4);
    pattern->clear(Color::rgba(1, 0, 0));
    ASSERT_TRUE(pattern->writeToPNG(dir + "/red.png"));
    Image::setResourceDirectory(dir);
    auto image = Image::named("red.png");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->size(), (Size { 4, 4 }));
    EXPECT_EQ(Image::named("missing.png"), nullptr);

    auto view = ImageView::create(RectMake(10, 10, 40, 20));
    view->setImage(image);
    root->addSubview(view);
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(30, 20), Color::red()));
    EXPECT_TRUE(near(s->pixel(48, 28), Color::red()));
    EXPECT_TRUE(near(s->pixel(52, 20), Color::clear()));
}

TEST_F(RendererTest, ABigStripDrawsWhatIsOnScreenAfterScrolling)
{
    auto scroll = ScrollView::create(RectMake(0, 0, 200, 200));
    root->addSubview(scroll);
    for (int i = 0; i < 20000; i++)
        block(*scroll, RectMake(i * 20.0, 50, 10, 10), (i % 2) ? Color::red() : Color::blue());
    scroll->setContentSize({ 400000, 200 });
    scroll->setContentOffset({ 20000 * 10.0, 0 }); // block 10000 at x 0
    auto s = draw();
    EXPECT_TRUE(near(s->pixel(5, 55), Color::blue()));
    EXPECT_TRUE(near(s->pixel(25, 55), Color::red()));
    EXPECT_TRUE(near(s->pixel(15, 55), Color::clear()));
    // A block moved into view later is found.
    scroll->subviews()[3]->setFrame(RectMake(200010, 100, 10, 10));
    s = draw();
    EXPECT_TRUE(near(s->pixel(15, 105), Color::red()));
}

TEST(RendererWindowTest, RendersTheFrontScreenAndTheAlertAboveIt)
{
    auto window = Window::create();
    auto screen = ViewController::create();
    window->setRootViewController(screen);
    screen->view()->setBackgroundColor(Color::green());
    auto s = Renderer::renderToSurface(*window);
    EXPECT_EQ(s->width(), 1024);
    EXPECT_EQ(s->height(), 768);
    EXPECT_TRUE(near(s->pixel(5, 5), Color::green()));

    AlertView::create("Error", "Bad range", { "OK" })->show();
    s = Renderer::renderToSurface(*window);
    // Dimmed behind the alert; the box itself is light.
    EXPECT_TRUE(near(s->pixel(5, 5), Color::rgba(0, 0.6, 0), 3.0 / 255));
    EXPECT_GT(s->pixel(512, 384).r, 0.9);

    auto big = Renderer::renderToSurface(*window, 2);
    EXPECT_EQ(big->width(), 2048);
    core::RunLoop::resetMain();
}
