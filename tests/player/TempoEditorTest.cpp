// The tempo editor: controls made only when first shown, in the strip's layout order, and the
// texts and rows it keeps in step.
#include "PlayerFixture.h"

#include "platform/ui/Button.h"
#include "player/Strip.h"
#include "player/Tempo.h"
#include "player/TempoEditor.h"
#include "score/Columns.h"

#include <map>

namespace player::test {
namespace {

class TempoEditorTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        m_root = ui::View::create(ui::RectMake(0, 0, 1024, 768));
        m_strip = Strip::create(ui::RectMake(0, 0, 1024, 736));
        m_strip->setMaker([this](uint32_t item, auto& out) {
            out.emplace_back(0, m_views[item]);
            if (m_beatOfItem.count(item))
                m_tempi.makeControls(m_beatOfItem[item], out);
        });
        m_root->addSubview(m_strip);
        m_tempi.reset(m_strip.get(), m_root.get(), TagScheme::forHighestKey(8));
        m_tempi.setActions(m_owner, [this](ui::Object* sender) { m_plusTaps.push_back(sender); }, [](ui::Object*) { });
    }

    // A beat of bar `group` at x = 100 k, its button in the strip, then something else after it;
    // both made at once unless `deferred`.
    void addBeat(int key, int group, const std::string& tempo, bool deferred = false)
    {
        auto button = ui::Button::create(ui::ButtonType::System, ui::RectMake(100 * key, 30, 40, 30));
        button->setTag(key);
        uint32_t item = m_strip->defer(button->frame(), false);
        m_views.push_back(button);
        m_beatOfItem[item] = m_tempi.beatCount();
        TempoEditor::BeatPlacement placement;
        placement.key = key;
        placement.x = float(100 * key);
        placement.labelY = 11;
        placement.plusY = 30.5f;
        placement.minusY = 100;
        placement.group = group;
        placement.index = key;
        placement.text = tempo;
        m_tempi.addBeat(placement, item);
        auto other = ui::View::create(ui::RectMake(100 * key, 200, 10, 10));
        m_strip->defer(other->frame(), false);
        m_views.push_back(other);
        if (!deferred)
            m_strip->makeDeferredSubviews();
        m_rows.push_back(score::ScoreRow::fromMap(beatLine(group, key, 4, tempo, 200 * key, 200)));
    }

    // The strip's children as tags (0 for the views between beats).
    std::vector<int> stripTags() const
    {
        std::vector<int> tags;
        for (const auto& child : m_strip->subviews())
            tags.push_back(child->tag());
        return tags;
    }

    std::shared_ptr<ui::View> m_root;
    std::shared_ptr<Strip> m_strip;
    std::vector<std::shared_ptr<ui::View>> m_views;
    std::map<uint32_t, size_t> m_beatOfItem;
    std::shared_ptr<int> m_owner = std::make_shared<int>(0);
    std::vector<ui::Object*> m_plusTaps;
    std::vector<score::ScoreRow> m_rows;
    TempoEditor m_tempi;
    score::ScoreSheet m_sheet;
};

// Unit 200: label k + 800, "+" k + 200, "-" k + 500.
TEST_F(TempoEditorTest, LabelsAreMadeWhenTheirBarShowsThemAndStepButtonsWhenRevealed)
{
    addBeat(1, 0, "90");
    addBeat(2, 0, "90");
    addBeat(3, 1, "90");
    addBeat(4, 1, "90");
    addBeat(5, 1, "95");
    m_tempi.closeGroup();
    // Bar 0 shares one tempo: one label, made behind its beat button as the bar closed. Bar 1
    // varies: every label. A label never shown has no view.
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 0, 2, 0, 3, 803, 0, 4, 804, 0, 5, 805, 0 }));
    std::vector<bool> shown;
    for (size_t p = 0; p < 5; ++p) {
        EXPECT_FALSE(m_tempi.plusView(p));
        EXPECT_FALSE(m_tempi.minusView(p));
        shown.push_back(m_tempi.labelShown(p));
        if (auto label = m_tempi.labelView(p))
            EXPECT_EQ(label->isHidden(), !m_tempi.labelShown(p));
        else
            EXPECT_FALSE(m_tempi.labelShown(p));
    }
    EXPECT_EQ(shown, (std::vector<bool> { true, false, true, true, true }));
    EXPECT_FALSE(m_tempi.labelView(1));
    EXPECT_FALSE(m_root->viewWithTag(802));
    EXPECT_EQ(m_tempi.tempoText(1), "90") << "the text is kept without a view";
    EXPECT_EQ(m_tempi.tempLabelControls(), (std::vector<std::vector<size_t>> { { 0, 1 }, { 2, 3, 4 } }));

    // Arranging again changes nothing.
    m_tempi.rearrange();
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 0, 2, 0, 3, 803, 0, 4, 804, 0, 5, 805, 0 }));

    // Evening out bar 1 shows one label; the hidden ones stay made. Showing beat 2 makes its
    // label and buttons right behind its beat button.
    ASSERT_TRUE(m_tempi.step(4, -5, m_sheet));
    m_tempi.rearrange();
    EXPECT_TRUE(m_tempi.labelShown(2));
    EXPECT_FALSE(m_tempi.labelShown(3));
    ASSERT_TRUE(m_tempi.labelView(3));
    EXPECT_TRUE(m_tempi.labelView(3)->isHidden());
    EXPECT_EQ(m_tempi.labelView(4)->text(), "90");
    m_tempi.reveal(2);
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 0, 2, 802, 202, 502, 0, 3, 803, 0, 4, 804, 0, 5, 805, 0 }));
    EXPECT_FALSE(m_tempi.labelView(1)->isHidden());
}

// A label's place on screen is known before its view is made, and is where the view then stands.
TEST_F(TempoEditorTest, LabelPointIsTheLabelsPlaceMadeOrNot)
{
    m_strip->setContentSize({ 4000, 736 });
    m_strip->setFrame(ui::RectMake(0, 32, 1024, 736));
    m_strip->setContentOffset({ 150, 0 });
    addBeat(1, 0, "90");
    addBeat(2, 0, "90");
    m_tempi.closeGroup();
    ASSERT_FALSE(m_tempi.labelView(1));
    auto before = m_tempi.labelPoint(1);
    ASSERT_TRUE(before);
    EXPECT_EQ(*before, (ui::Point { 200 - 150, 11 + 32 }));
    m_tempi.reveal(2);
    auto label = m_tempi.labelView(1);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->convertPoint(label->bounds().origin, m_root.get()), *before);
}

TEST_F(TempoEditorTest, RevealingMakesTheStepButtonsInLayoutOrder)
{
    addBeat(1, 0, "72.5");
    addBeat(2, 0, "72.5");
    m_tempi.closeGroup();
    ASSERT_FALSE(m_root->viewWithTag(202));
    ASSERT_TRUE(m_tempi.reveal(2));
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 0, 2, 802, 202, 502, 0 }));
    m_tempi.reveal(1);
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 201, 501, 0, 2, 802, 202, 502, 0 }));

    auto label = std::dynamic_pointer_cast<Tempo>(m_root->viewWithTag(802));
    auto plus = std::dynamic_pointer_cast<ui::Button>(m_root->viewWithTag(202));
    auto minus = std::dynamic_pointer_cast<ui::Button>(m_root->viewWithTag(502));
    ASSERT_TRUE(label && plus && minus);
    EXPECT_EQ(label->frame(), ui::RectMake(200, 11, 24, 12));
    EXPECT_EQ(label->text(), "72.5");
    EXPECT_EQ(label->font(), ui::Font::named("Arial", 10.8));
    EXPECT_EQ(label->group(), 0);
    EXPECT_EQ(label->index(), 2);
    EXPECT_EQ(plus->frame(), ui::RectMake(200, 30.5, 25, 25));
    EXPECT_EQ(plus->title(), "+");
    EXPECT_EQ(minus->frame(), ui::RectMake(200, 100, 25, 25));
    EXPECT_EQ(minus->title(), "-");
    for (const auto& view : { std::static_pointer_cast<ui::View>(label), std::static_pointer_cast<ui::View>(plus),
             std::static_pointer_cast<ui::View>(minus) }) {
        EXPECT_FALSE(view->isHidden());
        EXPECT_EQ(view->layer().zPosition(), 10);
    }
    plus->sendActionsForControlEvents(ui::ControlEvent::TouchDown);
    EXPECT_EQ(m_plusTaps, std::vector<ui::Object*> { plus.get() });

    // Hidden again, the buttons stay made; revealing again makes nothing new.
    m_tempi.hideStepButtons();
    EXPECT_TRUE(plus->isHidden());
    EXPECT_FALSE(m_tempi.plusShown(1));
    m_tempi.reveal(2);
    EXPECT_EQ(stripTags().size(), 10u);
    EXPECT_FALSE(m_tempi.reveal(9)) << "no such beat";
}

// Controls shown while their beat is out of sight are only marked as made: they come with the beat
// button, where they would have stood, and a tag lookup finds them.
TEST_F(TempoEditorTest, ControlsShownOutOfSightComeWithTheirBeat)
{
    m_strip->setTagFinder([this](int tag) { return m_tempi.itemHoldingTag(tag); });
    addBeat(1, 0, "90", true);
    addBeat(2, 0, "95", true);
    m_tempi.closeGroup();
    EXPECT_TRUE(m_tempi.labelShown(0));
    EXPECT_TRUE(m_tempi.labelShown(1));
    EXPECT_FALSE(m_tempi.labelView(0));
    EXPECT_TRUE(m_strip->subviews().empty());

    auto label = m_root->viewWithTag(802);
    ASSERT_TRUE(label);
    EXPECT_EQ(label, m_tempi.labelView(1));
    EXPECT_FALSE(label->isHidden());
    EXPECT_EQ(stripTags(), (std::vector<int> { 2, 802 })) << "the beat holding the label, and nothing else";

    ASSERT_TRUE(m_tempi.reveal(1));
    m_tempi.hideStepButtons();
    EXPECT_FALSE(m_tempi.plusView(0)) << "beat 1 is still out of sight";
    m_strip->makeDeferredSubviews();
    EXPECT_EQ(stripTags(), (std::vector<int> { 1, 801, 201, 501, 0, 2, 802, 0 }));
    ASSERT_TRUE(m_tempi.plusView(0));
    EXPECT_TRUE(m_tempi.plusView(0)->isHidden()) << "shown once, hidden since";
    EXPECT_FALSE(m_root->viewWithTag(202)) << "never shown, never made";
}

TEST_F(TempoEditorTest, StepsKeepTheTextAndTheBeatsRowInStep)
{
    addBeat(1, 0, "1");
    addBeat(2, 0, "abc");
    m_tempi.closeGroup();
    m_sheet = score::ScoreSheet::fromRows(m_rows, std::nullopt);
    ASSERT_EQ(m_sheet.shadowArray().size(), 2u);

    EXPECT_FALSE(m_tempi.step(0, -1, m_sheet)) << "never below 1";
    EXPECT_TRUE(m_tempi.step(1, 1, m_sheet)) << "no number counts as 0, and + gives 1";
    EXPECT_EQ(m_tempi.tempoText(1), "1");
    EXPECT_EQ(m_sheet.shadowArray()[1].text(score::column::tempo), "1");
    // The shown label follows.
    m_tempi.stepAll(1, m_sheet);
    EXPECT_EQ(m_tempi.labelView(0)->text(), "2");
    EXPECT_EQ(m_sheet.shadowArray()[0].text(score::column::tempo), "2");
    EXPECT_EQ(m_tempi.tempoText(1), "2");
    m_tempi.stepAll(-1, m_sheet);
    m_tempi.stepAll(-1, m_sheet);
    EXPECT_EQ(m_tempi.tempoText(0), "1");
    EXPECT_FALSE(m_tempi.step(5, 1, m_sheet));
}

}
}
