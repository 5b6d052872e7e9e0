// The strip builder on its own: one row of each kind onto a bare strip and key view, placed in
// half points by the score layer's rules, each made as soon as it is described.
#include "PlayerFixture.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "player/DottedLine.h"
#include "player/Strip.h"
#include "player/StripBuilder.h"
#include "player/Tempo.h"
#include "player/TempoEditor.h"

namespace player::test {
namespace {

class StripBuilderTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        m_strip = Strip::create(ui::RectMake(0, 0, 1024, 736));
        m_key = ui::View::create(ui::RectMake(940, 0, 84, 712));
        m_tempi.reset(m_strip.get(), m_strip.get(), TagScheme::forHighestKey(20));
        m_builder = std::make_unique<StripBuilder>(*m_strip, *m_key, 3, m_sheet, m_tempi, StripBuilder::Targets {});
        m_strip->setMaker([this](uint32_t item, auto& out) { m_builder->make(item, out); });
    }

    // Lays one row out and returns the last view it added to the strip.
    std::shared_ptr<ui::View> add(Line line)
    {
        line.emplace("ipad_col(107)", "200");
        line.emplace("ipad_rows", "100");
        line.emplace("length(109)", "61");
        line.emplace("height(110)", "20");
        line.emplace("flip_view", "3");
        size_t before = m_strip->subviews().size();
        m_builder->addRow(score::ScoreRow::fromMap(line));
        m_strip->makeDeferredSubviews();
        return m_strip->subviews().size() > before ? m_strip->subviews().back() : nullptr;
    }

    score::ScoreSheet m_sheet;
    std::shared_ptr<Strip> m_strip;
    std::shared_ptr<ui::View> m_key;
    TempoEditor m_tempi;
    std::unique_ptr<StripBuilder> m_builder;
};

TEST_F(StripBuilderTest, EachRowKindIsPlacedInHalfPoints)
{
    auto block = add({ { "channel", "0" } });
    ASSERT_TRUE(block);
    EXPECT_EQ(block->className(), "View");
    EXPECT_EQ(block->frame(), ui::RectMake(100, 50, 30.5, 10));
    EXPECT_EQ(block->layer().borderWidth(), 3);

    auto text = std::dynamic_pointer_cast<ui::Label>(add({ { "channel", "31" }, { "Content", "Am" } }));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->frame(), ui::RectMake(100, 50, 30.5, 12));
    EXPECT_EQ(text->font(), ui::Font::named("Arial", 12));

    auto italic = std::dynamic_pointer_cast<ui::Label>(add({ { "channel", "36" }, { "Content", "3" } }));
    ASSERT_TRUE(italic);
    EXPECT_EQ(italic->frame(), ui::RectMake(100, 50, 7, 7));
    EXPECT_EQ(italic->font(), ui::Font::named("Arial-Italic", 12));

    auto line = std::dynamic_pointer_cast<DottedLine>(add({ { "channel", "14" } }));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->frame(), ui::RectMake(100, 50, 30.5, 10));

    EXPECT_FALSE(add({ { "channel", "30" }, { "Content", "C5" } })) << "key labels go beside the strip";
    ASSERT_EQ(m_key->subviews().size(), 1u);
    EXPECT_EQ(m_key->subviews()[0]->frame(), ui::RectMake(100, 50, 75, 12));
}

// A beat: its button over "rise_fall" x 0.5, "height(110)" x 3 high, then its label at the row's
// place, handed to the tempo editor.
TEST_F(StripBuilderTest, ABeatRowGivesItsButtonAndItsLabel)
{
    add({ { "channel", "41" }, { "Bar No(40)", "1" }, { "Beats per Bar(40)", "2" }, { "tempo (40)", "88" }, { "rise_fall", "61" },
        { "sharp_flat", "200" } });
    const auto& strip = m_strip->subviews();
    // The label comes when its bar is complete, right behind the button.
    ASSERT_EQ(strip.size(), 1u);
    EXPECT_FALSE(m_tempi.labelView(0));
    m_tempi.closeGroup();
    ASSERT_EQ(strip.size(), 2u);
    auto button = std::dynamic_pointer_cast<ui::Button>(strip[0]);
    ASSERT_TRUE(button);
    // Key 1 x 3 + 2 = 5.
    EXPECT_EQ(button->tag(), 5);
    EXPECT_EQ(button->frame(), ui::RectMake(100, 30.5, 30.5, 60));
    EXPECT_EQ(strip[1], m_tempi.labelView(0));
    EXPECT_EQ(strip[1]->frame(), ui::RectMake(100, 50, 24, 12));
    EXPECT_EQ(m_tempi.tempoText(0), "88");
    EXPECT_EQ(m_tempi.keyAt(0), 5);
    ASSERT_TRUE(m_tempi.reveal(5));
    EXPECT_EQ(m_tempi.plusView(0)->frame(), ui::RectMake(100, 30.5, 25, 25));
    EXPECT_EQ(m_tempi.minusView(0)->frame(), ui::RectMake(100, 100, 25, 25));
}

}
}
