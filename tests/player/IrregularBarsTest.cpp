// Songs whose bars differ in beats (a meter change, a pickup) cannot meet the beat-key rule: their
// beats are numbered by place, and each bar's beats come from its own bar row.
#include "PlayerFixture.h"

#include "platform/core/Timer.h"
#include "platform/ui/Button.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "player/Tempo.h"

namespace player::test {
namespace {

class IrregularBarsTest : public PlayerFixture {
protected:
    // A bar of 3/4 at 60, then two bars of 2/4 at 120; beats 200 units wide.
    void writeMeterChange(const std::string& name)
    {
        std::vector<std::vector<std::string>> bars = { { "60", "60", "60" }, { "120", "120" }, { "120", "120" } };
        std::vector<Line> lines;
        int position = 0;
        for (size_t bar = 0; bar < bars.size(); ++bar) {
            int beats = int(bars[bar].size());
            lines.push_back(barLine(int(bar), beats, 200 * beats));
            for (int beat = 1; beat <= beats; ++beat)
                lines.push_back(beatLine(int(bar), beat, beats, bars[bar][size_t(beat) - 1], 200 * position++ + 160, 200));
        }
        writeSong(name, lines);
    }

    std::shared_ptr<ViewController> show(const std::string& name)
    {
        m_window = ui::Window::create();
        auto player = ViewController::create();
        player->setMode(3, name);
        m_window->setRootViewController(player);
        m_window->layoutIfNeeded();
        return player;
    }

    std::vector<int> revealedKeys(ViewController& player)
    {
        std::vector<int> keys;
        const auto& editor = player.tempoEditor();
        for (size_t position = 0; position < editor.beatCount(); ++position) {
            if (editor.plusShown(position))
                keys.push_back(editor.keyAt(position));
        }
        return keys;
    }

    std::shared_ptr<ui::Window> m_window;
};

TEST_F(IrregularBarsTest, EveryBeatHasItsOwnControlsNumberedByPlace)
{
    writeMeterChange("meters");
    auto player = show("meters");
    ASSERT_EQ(player->tempoEditor().beatCount(), 7u);
    const std::vector<std::string> tempi = { "60", "60", "60", "120", "120", "120", "120" };
    for (int key = 1; key <= 7; ++key) {
        SCOPED_TRACE(key);
        // A label hidden by its bar's arrangement is made when a touch on its beat reveals it.
        auto beatButton = player->view()->viewWithTag(player->tagScheme().beatButtonTag(key));
        ASSERT_TRUE(beatButton);
        player->showControl(beatButton.get());
        auto label = std::dynamic_pointer_cast<Tempo>(player->view()->viewWithTag(player->tagScheme().labelTag(key)));
        ASSERT_TRUE(label);
        EXPECT_EQ(label.get(), player->tempoEditor().labelView(size_t(key) - 1).get());
        EXPECT_EQ(label->text(), tempi[size_t(key) - 1]);
        EXPECT_TRUE(player->view()->viewWithTag(player->tagScheme().beatButtonTag(key)));
    }
}

TEST_F(IrregularBarsTest, LongPressRevealsTheBeatsOfTheBarRow)
{
    writeMeterChange("meters");
    struct Case {
        int key;
        std::vector<int> revealed;
    };
    for (const Case& c : { Case { 2, { 1, 2, 3 } }, Case { 4, { 4, 5 } }, Case { 5, { 4, 5 } }, Case { 7, { 6, 7 } } }) {
        SCOPED_TRACE(c.key);
        auto player = show("meters");
        auto button = player->view()->viewWithTag(player->tagScheme().beatButtonTag(c.key));
        ASSERT_TRUE(button);
        ASSERT_FALSE(button->gestureRecognizers().empty());
        player->userLongPressed(button->gestureRecognizers().front().get());
        EXPECT_EQ(revealedKeys(*player), c.revealed);
    }
}

TEST_F(IrregularBarsTest, ThreeFourToTwoFourPlaysStepsAndLoops)
{
    writeMeterChange("meters");
    auto player = show("meters");
    auto& loop = core::RunLoop::main();
    player->play(nullptr);
    std::vector<int32_t> indices, pages;
    std::vector<double> times;
    for (int k = 0; k < 8; ++k) {
        ASSERT_TRUE(player->timer()->isValid());
        times.push_back(player->timer()->fireDate());
        loop.runUntil(player->timer()->fireDate());
        indices.push_back(player->index());
        pages.push_back(player->page());
    }
    EXPECT_EQ(indices, (std::vector<int32_t> { 1, 2, 3, 4, 5, 6, 0, 1 }));
    EXPECT_EQ(pages, (std::vector<int32_t> { 1, 1, 2, 2, 3, 3, 1, 1 }));
    // Three beats of a second, then four of half a second, then round again.
    const std::vector<double> expected = { 101, 102, 103, 103.5, 104, 104.5, 105, 106 };
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_NEAR(times[k], expected[k], 1e-6) << k;

    // Stepping: one bar back from bar 3 lands on its first beat (beat 4, index 3) of bar 2.
    player->pause(nullptr);
    player->skipToPage(3);
    EXPECT_EQ(player->index(), 5);
    player->previousSection();
    EXPECT_EQ(player->page(), 2);
    EXPECT_EQ(player->index(), 3);

    // A play range of bars 2 and 3 loops over their four beats.
    player->start_TF()->setText("2");
    player->end_TF()->setText("3");
    player->repeat_SC()->setSelectedSegmentIndex(1);
    player->repeatControlChanged(player->repeat_SC().get());
    EXPECT_EQ(player->index(), 3);
    player->play(nullptr);
    indices.clear();
    for (int k = 0; k < 6; ++k) {
        ASSERT_TRUE(player->timer()->isValid());
        loop.runUntil(player->timer()->fireDate());
        indices.push_back(player->index());
    }
    EXPECT_EQ(indices, (std::vector<int32_t> { 4, 5, 6, 3, 4, 5 }));
}

}
}
