// The transport: position, steps through bars, the wrap at the end of the play range, jumps and
// the repeat range's checks.
#include "PlayerFixture.h"

#include "player/Transport.h"

namespace player::test {
namespace {

class TransportTest : public PlayerFixture {
protected:
    // `bars` bars of `beats` beats, bars `length` layout units wide.
    void makeSong(int bars, int beats, int length = 800)
    {
        std::vector<score::ScoreRow> rows;
        for (int bar = 0; bar < bars; ++bar) {
            rows.push_back(score::ScoreRow::fromMap(barLine(bar, beats, length + (bar == 0 ? 1 : 0))));
            for (int beat = 1; beat <= beats; ++beat)
                rows.push_back(score::ScoreRow::fromMap(beatLine(bar, beat, beats, "100", 200 * (bar * beats + beat - 1), 200)));
        }
        m_sheet = score::ScoreSheet::fromRows(std::move(rows), std::nullopt);
        m_transport.reset(bars);
    }

    score::ScoreSheet m_sheet;
    std::shared_ptr<ui::ScrollView> m_strip = ui::ScrollView::create(ui::RectMake(0, 0, 1024, 736));
    Transport m_transport;
};

TEST_F(TransportTest, StepsWalkTheBarsAndWrapToTheFirstBarOfTheRange)
{
    makeSong(3, 4);
    EXPECT_EQ(m_transport.maxPage(), 3);
    std::vector<Transport::Step> steps;
    for (int i = 0; i < 12; ++i)
        steps.push_back(m_transport.stepForward(m_sheet, *m_strip));
    using S = Transport::Step;
    EXPECT_EQ(steps, (std::vector<S> { S::InBar, S::InBar, S::InBar, S::EnteredBar, S::InBar, S::InBar, S::InBar, S::EnteredBar, S::InBar,
                         S::InBar, S::InBar, S::Wrapped }));
    EXPECT_EQ(m_transport.index(), 0);
    EXPECT_EQ(m_transport.page(), 1);
    EXPECT_EQ(m_transport.shaderIndex(), 1);
    EXPECT_EQ(m_strip->contentOffset().x, 0);
}

TEST_F(TransportTest, EnteringABarAddsHalfTheFinishedBarsFloatLength)
{
    makeSong(3, 2);
    m_transport.stepForward(m_sheet, *m_strip);
    EXPECT_EQ(m_transport.stepForward(m_sheet, *m_strip), Transport::Step::EnteredBar);
    EXPECT_EQ(m_transport.page(), 2);
    EXPECT_EQ(m_transport.index(), 2);
    EXPECT_FLOAT_EQ(m_transport.movedLength(), 400.5f);
    m_transport.pageTurned();
    EXPECT_FLOAT_EQ(m_transport.movedLength(), 0.0f);
}

TEST_F(TransportTest, JumpsAddWholeLengthsAndHalveTheSum)
{
    makeSong(3, 4);
    m_transport.stepForward(m_sheet, *m_strip);
    EXPECT_TRUE(m_transport.jumpToBar(3, m_sheet, *m_strip));
    // (801 + 800) / 2 = 800, truncated; 8 beats before bar 3.
    EXPECT_EQ(m_strip->contentOffset().x, 800);
    EXPECT_EQ(m_transport.index(), 8);
    EXPECT_EQ(m_transport.page(), 3);
    EXPECT_EQ(m_transport.shaderIndex(), 1);
    EXPECT_TRUE(logged("SKIPED : 1601"));

    EXPECT_FALSE(m_transport.jumpToBar(7, m_sheet, *m_strip));
    EXPECT_FALSE(m_transport.jumpToBar(0, m_sheet, *m_strip));
    EXPECT_EQ(m_transport.page(), 3);
    EXPECT_EQ(m_transport.index(), 8);
}

TEST_F(TransportTest, BarsPromisingMoreBeatsThanTheSongHasStopAtTheLastBeat)
{
    std::vector<score::ScoreRow> rows = { score::ScoreRow::fromMap(barLine(0, 4, 800)), score::ScoreRow::fromMap(barLine(1, 4, 800)),
        score::ScoreRow::fromMap(beatLine(0, 1, 4, "100", 0, 200)), score::ScoreRow::fromMap(beatLine(0, 2, 4, "100", 200, 200)) };
    m_sheet = score::ScoreSheet::fromRows(std::move(rows), std::nullopt);
    m_transport.reset(2);
    EXPECT_EQ(m_transport.stepForward(m_sheet, *m_strip), Transport::Step::InBar);
    EXPECT_EQ(m_transport.stepForward(m_sheet, *m_strip), Transport::Step::OffTheEnd);
    EXPECT_EQ(m_transport.index(), 1);
}

TEST_F(TransportTest, RepeatRangesAreCheckedBeforeTheyChangeAnything)
{
    makeSong(4, 2);
    EXPECT_EQ(m_transport.setRepeatRange(2, 2, m_sheet, *m_strip), Transport::Range::SameBars);
    EXPECT_EQ(m_transport.setRepeatRange(0, 3, m_sheet, *m_strip), Transport::Range::Invalid);
    EXPECT_EQ(m_transport.setRepeatRange(2, 5, m_sheet, *m_strip), Transport::Range::Invalid);
    EXPECT_EQ(m_transport.setRepeatRange(3, 2, m_sheet, *m_strip), Transport::Range::Invalid);
    EXPECT_EQ(m_transport.startPage(), 1);
    EXPECT_EQ(m_transport.maxPage(), 4);
    EXPECT_EQ(m_transport.page(), 1);

    EXPECT_EQ(m_transport.setRepeatRange(2, 3, m_sheet, *m_strip), Transport::Range::Set);
    EXPECT_EQ(m_transport.startPage(), 2);
    EXPECT_EQ(m_transport.maxPage(), 3);
    EXPECT_EQ(m_transport.page(), 2);
    EXPECT_EQ(m_transport.index(), 2);
    // Bar 3's last beat wraps to bar 2.
    for (int i = 0; i < 3; ++i)
        m_transport.stepForward(m_sheet, *m_strip);
    EXPECT_EQ(m_transport.stepForward(m_sheet, *m_strip), Transport::Step::Wrapped);
    EXPECT_EQ(m_transport.page(), 2);

    m_transport.clearRepeatRange(m_sheet, *m_strip);
    EXPECT_EQ(m_transport.startPage(), 1);
    EXPECT_EQ(m_transport.maxPage(), 4);
    EXPECT_EQ(m_transport.page(), 1);
    EXPECT_EQ(m_strip->contentOffset().x, 0);
}

}
}
