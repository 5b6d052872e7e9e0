#include "platform/render/Renderer.h"
#include "platform/render/Surface.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace ui;

namespace {

const std::string kLong = "The songs could not be downloaded. Your library is unchanged. The server could not be reached.";

std::string joined(const std::vector<std::string>& lines, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? separator : "") + lines[i];
    return out;
}

// Rows of `s` between y0 and y1 with any ink in the label's columns.
int inkedRows(const render::Surface& s, int y0, int y1)
{
    int rows = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y).a > 0.5) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

std::shared_ptr<render::Surface> drawLabel(int lines, const std::string& text)
{
    auto root = View::create(RectMake(0, 0, 200, 200));
    auto label = Label::create(RectMake(10, 80, 180, 40));
    label->setFont(Font::named("Arial", 14));
    label->setNumberOfLines(lines);
    label->setText(text);
    root->addSubview(label);
    auto surface = render::Surface::create(200, 200);
    render::Renderer::renderView(*root, *surface, 1);
    return surface;
}

TEST(LabelWrapTest, LinesBreakAtSpacesFitTheWidthAndKeepEveryWord)
{
    const Font font = Font::named("Arial", 14);
    auto lines = Label::wrappedLines(kLong, font, 150, 0);
    ASSERT_GT(lines.size(), 2u);
    for (auto& line : lines) {
        EXPECT_LE(font.sizeOfText(line).width, 150.0) << line;
        EXPECT_FALSE(line.empty());
    }
    EXPECT_EQ(joined(lines, " "), kLong);
    // Greedy: no line could have taken the next line's first word.
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const std::string next = lines[i + 1].substr(0, lines[i + 1].find(' '));
        EXPECT_GT(font.sizeOfText(lines[i] + " " + next).width, 150.0) << lines[i];
    }
    // Wide enough, the text stays one line, as it was.
    EXPECT_EQ(Label::wrappedLines(kLong, font, 2000, 0), std::vector<std::string> { kLong });
}

TEST(LabelWrapTest, HardBreaksAndWordsWiderThanTheLabel)
{
    const Font font = Font::named("Arial", 14);
    EXPECT_EQ(Label::wrappedLines("first\nsecond", font, 500, 0), (std::vector<std::string> { "first", "second" }));
    EXPECT_EQ(Label::wrappedLines("a\n\nb", font, 500, 0), (std::vector<std::string> { "a", "", "b" }));

    // Broken between characters, never inside one.
    std::string word;
    for (int i = 0; i < 30; ++i)
        word += "\xC3\xBC"; // ü
    auto pieces = Label::wrappedLines(word, font, 40, 0);
    ASSERT_GT(pieces.size(), 1u);
    EXPECT_EQ(joined(pieces, ""), word);
    for (auto& piece : pieces) {
        EXPECT_LE(font.sizeOfText(piece).width, 40.0);
        EXPECT_EQ(piece.size() % 2, 0u) << "a piece ends inside a character";
    }
}

TEST(LabelWrapTest, ALimitedLabelCutsItsLastLineAtTheTail)
{
    const Font font = Font::named("Arial", 14);
    auto lines = Label::wrappedLines(kLong, font, 150, 2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Label::wrappedLines(kLong, font, 150, 0)[0]);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), "\xE2\x80\xA6");
    EXPECT_LE(font.sizeOfText(lines[1]).width, 150.0);
}

TEST(LabelWrapTest, AWrappingLabelDrawsItsLinesAboveAndBelowTheMiddle)
{
    // One line of ink is about 14 rows; the middle line's band is 80 + 20 +- 8.
    auto single = drawLabel(1, kLong);
    auto wrapped = drawLabel(0, kLong);
    EXPECT_EQ(inkedRows(*single, 0, 90), 0);
    EXPECT_EQ(inkedRows(*single, 111, 200), 0);
    EXPECT_GT(inkedRows(*wrapped, 0, 90), 3);
    EXPECT_GT(inkedRows(*wrapped, 111, 200), 3);

    // Text that fits draws exactly as a one-line label does.
    auto shortOne = drawLabel(1, "Short");
    auto shortWrapped = drawLabel(0, "Short");
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(shortOne->rawPixel(x, y), shortWrapped->rawPixel(x, y)) << x << "," << y;
}

TEST(LabelWrapTest, AWrappingLabelReachesAsFarAsItsLinesAndMeasuresThem)
{
    auto label = Label::create(RectMake(0, 0, 150, 10));
    label->setFont(Font::named("Arial", 14));
    label->setNumberOfLines(0);
    label->setText(kLong);
    const double lines = static_cast<double>(Label::wrappedLines(kLong, label->font(), 150, 0).size());
    const Rect extent = label->contentExtent();
    EXPECT_LE(extent.minY(), 5 - lines * label->font().lineHeight() / 2);
    EXPECT_GE(extent.maxY(), 5 + lines * label->font().lineHeight() / 2);
    EXPECT_EQ(label->sizeThatFits({ 150, 0 }).height, std::ceil(lines * label->font().lineHeight()));
    EXPECT_LE(label->sizeThatFits({ 150, 0 }).width, 150.0);
}

// A failure's cause, appended to the message, used to run off the box's edge on one line.
TEST(LabelWrapTest, AnAlertsLongMessageWrapsInsideTheBoxAboveTheButtons)
{
    auto alert = AlertView::create("Error", kLong + " " + kLong, { "OK" });
    alert->setFrame(RectMake(0, 0, 1024, 768));
    alert->layoutSubviews();
    ASSERT_FALSE(alert->subviews().empty());
    auto box = alert->subviews()[0];
    std::shared_ptr<Label> message;
    std::shared_ptr<Button> button;
    for (auto& child : box->subviews()) {
        if (auto label = std::dynamic_pointer_cast<Label>(child); label && label->text() == alert->message())
            message = label;
        if (auto b = std::dynamic_pointer_cast<Button>(child))
            button = b;
    }
    ASSERT_TRUE(message && button);
    const auto lines = Label::wrappedLines(alert->message(), message->font(), message->frame().width(), 0);
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(message->numberOfLines(), 0);
    EXPECT_GE(message->frame().height(), static_cast<double>(lines.size()) * message->font().lineHeight());
    EXPECT_LE(message->frame().maxY(), button->frame().minY());
    EXPECT_LE(box->frame().width(), 560.0);
    EXPECT_GE(box->frame().minY(), 0.0);

    // A message that fits keeps the one line it had.
    auto shortAlert = AlertView::create("Error", "Bad range", { "OK" });
    shortAlert->setFrame(RectMake(0, 0, 1024, 768));
    shortAlert->layoutSubviews();
    for (auto& child : shortAlert->subviews()[0]->subviews()) {
        if (auto label = std::dynamic_pointer_cast<Label>(child); label && label->text() == "Bad range") {
            EXPECT_EQ(label->frame().height(), std::ceil(label->font().lineHeight()));
        }
    }
    core::RunLoop::resetMain();
}

}
