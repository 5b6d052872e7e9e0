// Laying out score rows: geometry, colours by mode, marks, borders, stacking, beat controls and
// their tags, and the tempo label groups.
#include "PlayerFixture.h"

#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LongPressGestureRecognizer.h"
#include "platform/ui/ShapeLayer.h"
#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "player/DottedLine.h"
#include "player/Tempo.h"

#include <set>

namespace player::test {
namespace {

score::ScoreRow rowOf(const Line& line)
{
    return score::ScoreRow::fromMap(line);
}

Line noteBlock(const std::string& channel, int red = 10, int green = 20, int blue = 30)
{
    return { { "channel", channel }, { "Bar No(40)", std::to_string(red) }, { "Beats per Bar(40)", std::to_string(green) },
        { "tempo (40)", std::to_string(blue) }, { "ipad_col(107)", "200" }, { "ipad_rows", "100" }, { "length(109)", "60" },
        { "height(110)", "20" } };
}

class LayoutTest : public PlayerFixture {
protected:
    // Lays `line` out on an empty screen of `mode` and returns what it added to the strip.
    std::shared_ptr<ui::View> layOut(const Line& line, int mode = 3)
    {
        m_player = emptyScreen(mode);
        size_t before = m_player->scrollView()->subviews().size();
        m_player->drawData(rowOf(line));
        const auto& children = m_player->scrollView()->subviews();
        if (children.size() != before + 1)
            return nullptr;
        return children.back();
    }

    std::optional<ui::Color> blockColour(const std::string& channel, int mode, int red = 10, int green = 20, int blue = 30)
    {
        auto block = layOut(noteBlock(channel, red, green, blue), mode);
        return block ? block->backgroundColor() : std::nullopt;
    }

    std::shared_ptr<ViewController> m_player;
};

TEST_F(LayoutTest, NoteBlockGeometryIsInHalfPoints)
{
    auto block = layOut(noteBlock("0"));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->className(), "View");
    EXPECT_EQ(block->frame(), ui::RectMake(100, 50, 30, 10));
    Line odd = noteBlock("0");
    odd["ipad_col(107)"] = "201";
    odd["height(110)"] = "7.5";
    block = layOut(odd);
    EXPECT_EQ(block->frame(), ui::RectMake(100.5, 50, 30, 3.75));
}

TEST_F(LayoutTest, NoteBlockColoursByMode)
{
    const ui::Color rowColour = ui::Color::rgba(10 / 255.0, 20 / 255.0, 30 / 255.0, 1);
    struct Case {
        const char* channel;
        ui::Color mode1, mode2, mode3;
    };
    const Case cases[] = {
        { "20", ui::Color::red(), ui::Color::red(), ui::Color::red() },
        { "51", rowColour, rowColour, rowColour },
        { "52", rowColour, rowColour, rowColour },
        { "6", rowColour, rowColour, rowColour },
        { "7", rowColour, rowColour, rowColour },
        { "71", ui::Color::gray(), rowColour, rowColour },
        { "42", ui::Color::black(), rowColour, rowColour },
        { "105", ui::Color::black(), rowColour, rowColour },
        { "0", ui::Color::black(), rowColour, rowColour },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(blockColour(c.channel, 1), c.mode1) << c.channel;
        EXPECT_EQ(blockColour(c.channel, 2), c.mode2) << c.channel;
        EXPECT_EQ(blockColour(c.channel, 3), c.mode3) << c.channel;
    }
    // " 71" passes the whole-number tests but not the text test: black, not gray, in mode 1.
    EXPECT_EQ(blockColour("+71", 1), ui::Color::black());
    EXPECT_EQ(blockColour("0", 3, 255, 0, 0), ui::Color::red());
}

TEST_F(LayoutTest, BordersFollowTheWholeNumberOfFlipView)
{
    Line thin = noteBlock("0");
    thin["flip_view"] = "0.5";
    EXPECT_EQ(layOut(thin)->layer().borderWidth(), 0);
    Line thick = noteBlock("0");
    thick["flip_view"] = "2";
    auto block = layOut(thick);
    EXPECT_EQ(block->layer().borderWidth(), 2);
    EXPECT_EQ(block->layer().borderColor(), ui::Color::black());
    Line fractional = noteBlock("0");
    fractional["flip_view"] = "1.5";
    EXPECT_EQ(layOut(fractional)->layer().borderWidth(), 1.5) << "the width is the number, not halved";
}

TEST_F(LayoutTest, AccidentalMarksByMode)
{
    Line sharp = noteBlock("0");
    sharp["sharp_flat"] = "#";
    sharp["fingering/chord"] = "51";
    sharp["lyrics"] = "102";
    sharp["ipad_color(105)"] = "153";
    Line flat = noteBlock("0");
    flat["sharp_flat"] = "b";

    auto markOf = [&](const Line& line, int mode) -> std::shared_ptr<ui::Label> {
        auto block = layOut(line, mode);
        if (!block || block->subviews().size() != 1)
            return nullptr;
        return std::dynamic_pointer_cast<ui::Label>(block->subviews()[0]);
    };

    auto mark = markOf(sharp, 1);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->text(), "#");
    EXPECT_EQ(mark->frame(), ui::RectMake(5, 2, 15, 15));
    EXPECT_EQ(mark->textColor(), ui::Color::yellow());
    EXPECT_EQ(mark->font(), ui::Font::named("Arial", 10));
    EXPECT_EQ(mark->backgroundColor(), ui::Color::clear());
    mark = markOf(sharp, 3);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->textColor(), ui::Color::rgba(0.2, 0.4, 0.6, 1));

    mark = markOf(flat, 1);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->text(), "b");
    EXPECT_EQ(mark->frame(), ui::RectMake(2, 2, 16, 12));
    EXPECT_EQ(mark->textColor(), ui::Color::yellow());
    mark = markOf(flat, 3);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->textColor(), ui::Color::yellow());

    EXPECT_TRUE(layOut(sharp, 2)->subviews().empty());
    EXPECT_TRUE(layOut(flat, 2)->subviews().empty());
}

TEST_F(LayoutTest, RiseAndFallMarksStandAboveTheBlock)
{
    for (auto [text, image] : { std::pair { "U", "upper_triangle.png" }, std::pair { "D", "lower_triangle.png" } }) {
        Line line = noteBlock("0");
        line["rise_fall"] = text;
        auto block = layOut(line);
        ASSERT_EQ(block->subviews().size(), 1u);
        auto mark = std::dynamic_pointer_cast<ui::ImageView>(block->subviews()[0]);
        ASSERT_TRUE(mark);
        EXPECT_EQ(mark->frame(), ui::RectMake(2, -12, 12, 12));
        ASSERT_TRUE(mark->image()) << image;
        EXPECT_EQ(mark->image()->name(), image);
    }
    // Missing images: an empty mark of the same size.
    ui::Image::setResourceDirectory(m_home);
    Line line = noteBlock("0");
    line["rise_fall"] = "U";
    auto block = layOut(line);
    ASSERT_EQ(block->subviews().size(), 1u);
    EXPECT_EQ(block->subviews()[0]->frame(), ui::RectMake(2, -12, 12, 12));
}

TEST_F(LayoutTest, RoundedChannelsGetAMaskOnTheirCorners)
{
    struct Case {
        const char* channel;
        bool masked;
    };
    for (auto c : { Case { "105", true }, Case { "110", true }, Case { "106", true }, Case { "+105", false }, Case { "104", false } }) {
        auto block = layOut(noteBlock(c.channel));
        EXPECT_EQ(bool(block->layer().mask()), c.masked) << c.channel;
    }
}

// The masks as drawn: a big block so the 15-point corners are plain to see in pixels.
TEST_F(LayoutTest, RoundedCornersClipTheBlockAndItsMarks)
{
    auto paint = [&](const std::string& channel, bool rising) {
        Line line = noteBlock(channel, 0, 0, 255);
        line["ipad_col(107)"] = "0";
        line["ipad_rows"] = "0";
        line["length(109)"] = "200";
        line["height(110)"] = "100";
        if (rising)
            line["rise_fall"] = "U";
        auto block = layOut(line, 3);
        auto holder = ui::View::create(ui::RectMake(0, 0, 120, 80));
        block->removeFromSuperview();
        // Moved, not resized: the mask made at layout still fits.
        block->setFrame(ui::RectMake(10, 20, 100, 50));
        holder->addSubview(block);
        auto surface = render::Surface::create(120, 80);
        render::Renderer::renderView(*holder, *surface);
        return surface;
    };
    auto isBlue = [](ui::Color c) { return c.a > 0.9 && c.b > 0.9 && c.r < 0.1; };

    auto square = paint("0", true);
    EXPECT_TRUE(isBlue(square->pixel(108, 21)));
    EXPECT_TRUE(isBlue(square->pixel(108, 68)));
    // The rising mark above the top edge shows on a plain block ...
    EXPECT_GT(square->pixel(16, 16).a, 0.5);

    auto topRight = paint("105", true);
    EXPECT_LT(topRight->pixel(108, 21).a, 0.1);
    EXPECT_TRUE(isBlue(topRight->pixel(11, 21)));
    EXPECT_TRUE(isBlue(topRight->pixel(108, 68)));
    // ... and is clipped away by the mask of a rounded one.
    EXPECT_LT(topRight->pixel(16, 16).a, 0.1);

    auto bothRight = paint("106", false);
    EXPECT_LT(bothRight->pixel(108, 21).a, 0.1);
    EXPECT_LT(bothRight->pixel(108, 68).a, 0.1);
    EXPECT_TRUE(isBlue(bothRight->pixel(11, 68)));
    EXPECT_TRUE(isBlue(bothRight->pixel(60, 45)));
}

TEST_F(LayoutTest, StackingFollowsZLevelAndBandsGoToTheBack)
{
    m_player = emptyScreen(3);
    auto& strip = *m_player->scrollView();
    Line high = noteBlock("0");
    high["Z-level"] = "5";
    m_player->drawData(rowOf(high));
    m_player->drawData(rowOf(noteBlock("20")));
    Line band = noteBlock("6");
    band["Z-level"] = "3";
    m_player->drawData(rowOf(band));
    m_player->drawData(rowOf(noteBlock("7")));
    ASSERT_EQ(strip.subviews().size(), 4u);
    EXPECT_EQ(strip.subviews()[0]->layer().zPosition(), 0) << "channel 7 went to the back last";
    EXPECT_EQ(strip.subviews()[1]->layer().zPosition(), 3) << "channel 6 went to the back before it";
    EXPECT_EQ(strip.subviews()[2]->layer().zPosition(), 5);
    EXPECT_EQ(strip.subviews()[3]->backgroundColor(), ui::Color::red());
    // Drawing order: zPosition first, then child order.
    auto order = strip.subviewsInDrawingOrder();
    ASSERT_EQ(order.size(), 4u);
    EXPECT_EQ(order[0], strip.subviews()[0].get());
    EXPECT_EQ(order[1], strip.subviews()[3].get());
    EXPECT_EQ(order[2], strip.subviews()[1].get());
    EXPECT_EQ(order[3], strip.subviews()[2].get());
}

TEST_F(LayoutTest, TextLabels)
{
    Line line = { { "channel", "33" }, { "Bar No(40)", "255" }, { "Beats per Bar(40)", "128" }, { "tempo (40)", "0" },
        { "ipad_col(107)", "300" }, { "ipad_rows", "40" }, { "length(109)", "90" }, { "flip_view", "3" }, { "Z-level", "4" },
        { "Content", "Am" } };
    auto label = std::dynamic_pointer_cast<ui::Label>(layOut(line));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->frame(), ui::RectMake(150, 20, 45, 12));
    EXPECT_EQ(label->text(), "Am");
    EXPECT_EQ(label->font(), ui::Font::named("Arial", 12));
    EXPECT_EQ(label->textColor(), ui::Color::black());
    EXPECT_EQ(label->backgroundColor(), ui::Color::rgba(1, 128 / 255.0, 0, 1));
    EXPECT_EQ(label->layer().zPosition(), 4);
    for (const char* clear : { "31", "32", "35", "37", "50" }) {
        line["channel"] = clear;
        label = std::dynamic_pointer_cast<ui::Label>(layOut(line));
        ASSERT_TRUE(label) << clear;
        EXPECT_EQ(label->backgroundColor(), ui::Color::clear()) << clear;
    }
    line["channel"] = "34";
    EXPECT_EQ(layOut(line)->backgroundColor(), ui::Color::rgba(1, 128 / 255.0, 0, 1));
}

TEST_F(LayoutTest, SmallItalicLabelIsSevenPointsSquareAndLogsItsFrame)
{
    Line line = { { "channel", "36" }, { "ipad_col(107)", "301" }, { "ipad_rows", "41" }, { "length(109)", "90" },
        { "flip_view", "2.5" }, { "Z-level", "7" }, { "Content", "fingering" } };
    m_log.clear();
    auto label = std::dynamic_pointer_cast<ui::Label>(layOut(line));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->frame(), ui::RectMake(150.5, 20.5, 7, 7));
    EXPECT_EQ(label->font(), ui::Font::named("Arial-Italic", 10));
    EXPECT_EQ(label->text(), "fingering");
    EXPECT_EQ(label->layer().zPosition(), 7);
    EXPECT_EQ(label->backgroundColor(), ui::Color::clear());
    ASSERT_FALSE(m_log.empty());
    EXPECT_EQ(m_log.back(), "{{150.5, 20.5}, {7, 7}}");
}

TEST_F(LayoutTest, KeyLabelsGoToTheKeyView)
{
    m_player = emptyScreen(3);
    Line line = { { "channel", "30" }, { "ipad_col(107)", "10" }, { "ipad_rows", "300" }, { "length(109)", "500" },
        { "Content", "C5" }, { "Z-level", "9" } };
    m_player->drawData(rowOf(line));
    EXPECT_TRUE(m_player->scrollView()->subviews().empty());
    ASSERT_EQ(m_player->keyView()->subviews().size(), 1u);
    auto label = std::dynamic_pointer_cast<ui::Label>(m_player->keyView()->subviews()[0]);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->frame(), ui::RectMake(5, 150, 75, 12));
    EXPECT_EQ(label->text(), "C5");
    EXPECT_EQ(label->font(), ui::Font::named("Arial", 10.8));
    EXPECT_EQ(label->layer().zPosition(), 0);
}

TEST_F(LayoutTest, DottedLineRow)
{
    Line line = { { "channel", "14" }, { "ipad_col(107)", "200" }, { "ipad_rows", "100" }, { "length(109)", "0" },
        { "height(110)", "160" }, { "Z-level", "2" } };
    auto view = layOut(line);
    auto dotted = std::dynamic_pointer_cast<DottedLine>(view);
    ASSERT_TRUE(dotted);
    EXPECT_EQ(dotted->frame(), ui::RectMake(100, 50, 0, 80));
    EXPECT_EQ(dotted->backgroundColor(), ui::Color::clear());
    EXPECT_EQ(dotted->layer().zPosition(), 2);
}

// The beat button is laid out at once; its tempo label and step buttons are made by the tempo
// editor when first shown (TempoEditorTest).
TEST_F(LayoutTest, BeatRowMakesItsButtonAndLabelWithTheirTags)
{
    m_player = emptyScreen(3);
    Line line = beatLine(2, 3, 4, "72.5", 300, 80);
    line["height(110)"] = "10";
    line["rise_fall"] = "61";
    line["sharp_flat"] = "200";
    line["ipad_rows"] = "22";
    m_player->drawData(rowOf(line));
    const auto& strip = m_player->scrollView()->subviews();
    ASSERT_EQ(strip.size(), 1u);
    auto beat = std::dynamic_pointer_cast<ui::Button>(strip[0]);
    ASSERT_TRUE(beat);
    const auto& tempi = m_player->tempoEditor();
    ASSERT_EQ(tempi.beatCount(), 1u);
    EXPECT_EQ(tempi.tempoText(0), "72.5");
    EXPECT_FALSE(tempi.labelView(0));
    EXPECT_FALSE(m_player->view()->viewWithTag(811));

    // Key 2 x 4 + 3 = 11.
    EXPECT_EQ(beat->tag(), 11);
    EXPECT_FALSE(m_player->view()->viewWithTag(211));
    EXPECT_FALSE(m_player->view()->viewWithTag(511));

    EXPECT_EQ(beat->buttonType(), ui::ButtonType::System);
    EXPECT_EQ(beat->frame(), ui::RectMake(150, 30.5, 40, 30));
    EXPECT_EQ(beat->title(), "");
    EXPECT_FALSE(beat->isHidden());
    EXPECT_TRUE(beat->hasActionsForControlEvent(ui::ControlEvent::TouchDown));
    ASSERT_EQ(beat->gestureRecognizers().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<ui::LongPressGestureRecognizer>(beat->gestureRecognizers()[0]));

    // The next bar completes this one, whose only label then shows behind its button.
    m_player->drawData(rowOf(beatLine(3, 1, 4, "72.5", 400, 80)));
    ASSERT_EQ(strip.size(), 3u);
    auto label = std::dynamic_pointer_cast<Tempo>(strip[1]);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->tag(), 811);
    EXPECT_EQ(label->frame(), ui::RectMake(150, 11, 24, 12));
    EXPECT_EQ(label->text(), "72.5");
    EXPECT_EQ(label->font(), ui::Font::named("Arial", 10.8));
    EXPECT_EQ(label->textColor(), ui::Color::black());
    EXPECT_EQ(label->group(), 2);
    EXPECT_EQ(label->index(), 3);
    EXPECT_FALSE(label->shouldBeHide());
    EXPECT_FALSE(label->isHidden());

    for (const auto& control : strip)
        EXPECT_EQ(control->layer().zPosition(), 10);
    EXPECT_EQ(tempi.labelView(0), label);
    EXPECT_FALSE(tempi.plusView(0));
    EXPECT_FALSE(tempi.minusView(0));
    EXPECT_EQ(m_player->view()->viewWithTag(811), label);
}

TEST_F(LayoutTest, GroupsCloseWhenTheNextGroupArrives)
{
    m_player = emptyScreen(3);
    m_player->drawData(rowOf(beatLine(1, 1, 2, "60", 0, 100)));
    m_player->drawData(rowOf(beatLine(1, 2, 2, "60", 100, 100)));
    const auto& tempi = m_player->tempoEditor();
    EXPECT_TRUE(tempi.tempLabelControls().empty());
    EXPECT_EQ(tempi.groupControls().size(), 2u);
    m_player->drawData(rowOf(beatLine(2, 1, 2, "60", 200, 100)));
    ASSERT_EQ(tempi.tempLabelControls().size(), 1u);
    EXPECT_EQ(tempi.tempLabelControls()[0], (std::vector<size_t> { 0, 1 }));
    EXPECT_EQ(tempi.groupControls(), std::vector<size_t> { 2 });
    // A group number that comes back starts a new group.
    m_player->drawData(rowOf(beatLine(1, 1, 2, "60", 300, 100)));
    EXPECT_EQ(tempi.tempLabelControls().size(), 2u);
    EXPECT_EQ(tempi.groupControls().size(), 1u);
}

TEST_F(LayoutTest, SetUpClosesTheLastGroupAndShowsOneLabelPerEvenBar)
{
    auto lines = regularSong(3, 3, "90");
    // Bar 1 (the second) changes tempo inside: all of its labels show.
    lines[6]["tempo (40)"] = "95";
    writeSong("groups", lines);
    auto player = open("groups");
    const auto& tempi = player->tempoEditor();
    EXPECT_TRUE(tempi.groupControls().empty());
    ASSERT_EQ(tempi.tempLabelControls().size(), 3u);
    for (const auto& group : tempi.tempLabelControls())
        EXPECT_EQ(group.size(), 3u);
    std::vector<bool> shown;
    for (size_t p = 0; p < tempi.beatCount(); ++p) {
        shown.push_back(tempi.labelShown(p));
        // A shown label is found by its tag; a hidden one is not seen.
        auto view = player->view()->viewWithTag(player->tagScheme().labelTag(int(p) + 1));
        EXPECT_EQ(view && !view->isHidden(), tempi.labelShown(p)) << p;
        EXPECT_FALSE(tempi.plusShown(p));
        EXPECT_FALSE(player->view()->viewWithTag(player->tagScheme().plusTag(int(p) + 1)));
    }
    EXPECT_EQ(shown, (std::vector<bool> { true, false, false, true, true, true, true, false, false }));
}

// Every control of every beat keeps a tag of its own, and the key follows from each, also past
// 200 beats where the original spacing would collide.
TEST_F(LayoutTest, TagsStayDistinctInLongSongs)
{
    for (int bars : { 50, 51 }) {
        std::string name = "long" + std::to_string(bars);
        writeSong(name, regularSong(bars, 4));
        auto player = open(name);
        const TagScheme& tags = player->tagScheme();
        EXPECT_EQ(tags.unit(), bars == 50 ? 200 : 400);
        // Every control shown: each beat's label and step buttons.
        int last = bars * 4;
        for (int key = 1; key <= last; ++key)
            player->showControl(player->view()->viewWithTag(tags.beatButtonTag(key)).get());
        std::set<int> seen;
        size_t controls = 0;
        for (const auto& child : player->scrollView()->subviews()) {
            if (child->layer().zPosition() != 10)
                continue;
            ++controls;
            EXPECT_TRUE(seen.insert(child->tag()).second) << "tag " << child->tag() << " in a song of " << bars << " bars";
        }
        EXPECT_EQ(controls, size_t(bars) * 4 * 4);
        const auto& tempi = player->tempoEditor();
        auto label = std::dynamic_pointer_cast<Tempo>(player->view()->viewWithTag(tags.labelTag(last)));
        ASSERT_TRUE(label);
        EXPECT_EQ(label, tempi.labelView(tempi.beatCount() - 1));
        EXPECT_EQ(tags.keyFromLabelTag(label->tag()), last);
        EXPECT_EQ(player->view()->viewWithTag(tags.plusTag(last)), tempi.plusView(tempi.beatCount() - 1));
        EXPECT_EQ(player->view()->viewWithTag(tags.minusTag(last)), tempi.minusView(tempi.beatCount() - 1));
        EXPECT_EQ(player->view()->viewWithTag(tags.plusTag(1)), tempi.plusView(0));
    }
}

TEST_F(LayoutTest, HostileBeatKeysStillOpen)
{
    Line huge = beatLine(2147483647, 1, 4, "100", 0, 100);
    Line negative = beatLine(-2147483647, 1, 4, "100", 100, 100);
    writeSong("hostile", { barLine(0, 2, 200), huge, negative });
    auto player = open("hostile");
    EXPECT_EQ(player->tempoEditor().beatCount(), 2u);
    EXPECT_EQ(player->shadowArray().size(), 2u);
    // Such keys cannot run 1, 2, 3 ...: the beats are numbered by place, each with its own label.
    for (int key = 1; key <= 2; ++key)
        EXPECT_EQ(player->view()->viewWithTag(player->tagScheme().labelTag(key)), player->tempoEditor().labelView(size_t(key) - 1));
}

TEST_F(LayoutTest, Plus41IsDrawnAsABeatButNotPlayed)
{
    Line line = beatLine(0, 1, 1, "100", 0, 100);
    line["channel"] = "+41";
    writeSong("plus", { barLine(0, 1, 100), line });
    auto player = open("plus");
    EXPECT_EQ(player->tempoEditor().beatCount(), 1u);
    EXPECT_TRUE(player->shadowArray().empty());
}

}
}
