// The cursor: panel and band frames over a beat, the page-turn rule, and the circles' quarters.
#include "PlayerFixture.h"

#include "player/Cursor.h"

namespace player::test {
namespace {

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = ui::View::create(ui::RectMake(0, 0, 1024, 768));
        m_cursor.install(*m_root, 0.45);
        m_cursor.createCircles(*m_root);
    }

    static score::ScoreRow beat(int col, int length, const std::string& tempo = "100")
    {
        return score::ScoreRow::fromMap(beatLine(0, 1, 1, tempo, col, length));
    }

    // The cursor leaves the beat from `left` to `left + width` (screen points) undimmed.
    void expectCursor(double left, double width)
    {
        EXPECT_EQ(m_cursor.leftShader()->frame(), ui::RectMake(left - 1024, 0, 1024, 784));
        EXPECT_EQ(m_cursor.rightShader()->frame(), ui::RectMake(left + width, 0, 1024, 784));
        EXPECT_EQ(m_cursor.upShader()->frame(), ui::RectMake(left, 125, width, 40));
        EXPECT_EQ(m_cursor.finalshader()->frame(), ui::RectMake(left, 165, width, 40));
        EXPECT_EQ(m_cursor.downShader()->frame(), ui::RectMake(left, 200, width, 40));
    }

    std::shared_ptr<ui::View> m_root;
    Cursor m_cursor;
};

TEST_F(CursorTest, FramesHalveColumnAndLengthApartAndSubtractTheOffset)
{
    // bx 1000, bw 100, offset 600: left panel ends at 400, right panel starts at 500.
    m_cursor.place(beat(2000, 200), 600);
    expectCursor(400, 100);
    // An odd column loses its half point.
    m_cursor.place(beat(2001, 200), 600);
    expectCursor(400, 100);
    // 301 and 301 halve to 150 each: the right panel starts at 300, not 301.
    m_cursor.place(beat(301, 301), 0);
    expectCursor(150, 150);
    m_cursor.place(beat(-3, 10), 0);
    expectCursor(-1, 5);
    for (const auto& view : { m_cursor.leftShader(), m_cursor.upShader(), m_cursor.finalshader() })
        EXPECT_FALSE(view->isUserInteractionEnabled()) << "touches pass through to the beat controls";
}

// Measured from the left edge of the beat the cursor was last placed on (e): a bar of width n
// turns the page when e < 940 and e + n > 940.
TEST_F(CursorTest, PageTurnsOnlyWhenTheBarBeingEnteredReachesPast940)
{
    auto placeLeftPanelEdgeAt = [&](double e) { m_cursor.leftShader()->setFrame(ui::RectMake(e - 1024, 0, 1024, 784)); };
    placeLeftPanelEdgeAt(940);
    EXPECT_FALSE(m_cursor.needsPageTurn(500));
    placeLeftPanelEdgeAt(900);
    EXPECT_FALSE(m_cursor.needsPageTurn(40));
    EXPECT_TRUE(m_cursor.needsPageTurn(40.5));
    placeLeftPanelEdgeAt(0);
    EXPECT_TRUE(m_cursor.needsPageTurn(941));
    EXPECT_FALSE(m_cursor.needsPageTurn(940));

    // Until the next placement the panels meet at the left edge, the bands just left of it.
    m_cursor.turnPage(30);
    EXPECT_EQ(m_cursor.leftShader()->frame(), ui::RectMake(-1024, 0, 1024, 784));
    EXPECT_EQ(m_cursor.rightShader()->frame(), ui::RectMake(0, 0, 1024, 784));
    EXPECT_EQ(m_cursor.upShader()->frame(), ui::RectMake(-30, 125, 30, 40));
    EXPECT_EQ(m_cursor.finalshader()->frame(), ui::RectMake(-30, 165, 30, 40));
    EXPECT_EQ(m_cursor.downShader()->frame(), ui::RectMake(-30, 200, 30, 40));
}

TEST_F(CursorTest, CirclesSitInTheQuartersOfASlowBeatAndHideForAFastOne)
{
    // Tempo 40, length 200: q = 25 points, circles centred in each quarter.
    m_cursor.place(beat(400, 200, "40"), 0);
    m_cursor.resetCircles();
    m_cursor.layCircles(beat(400, 200, "40"));
    const double offsets[] = { 6.5, 31.5, 56.5, 81.5 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(m_cursor.circlesArray()[i]->frame(), ui::RectMake(200 + offsets[i], 182, 12, 12)) << i;
    EXPECT_FALSE(m_cursor.circlesArray()[0]->isHidden());

    // Lit in turn: 1, 2, 3, then back to 0.
    EXPECT_EQ(m_cursor.lightNextCircle(), 1);
    EXPECT_EQ(m_cursor.lightNextCircle(), 2);
    EXPECT_EQ(m_cursor.lightNextCircle(), 3);
    EXPECT_EQ(m_cursor.lightNextCircle(), 0);
    EXPECT_EQ(m_cursor.circleIndex(), 0);

    // A length of 201 keeps its half point in the quarters (100.5 points).
    m_cursor.layCircles(beat(400, 201, "59.9"));
    EXPECT_DOUBLE_EQ(m_cursor.circlesArray()[1]->frame().x(), 200 + 25.125 + (25.125 - 12) * 0.5);

    // Tempo 60 is fast: every circle hides and keeps its frame.
    ui::Rect before = m_cursor.circlesArray()[2]->frame();
    m_cursor.layCircles(beat(0, 200, "60"));
    for (const auto& circle : m_cursor.circlesArray())
        EXPECT_TRUE(circle->isHidden());
    EXPECT_EQ(m_cursor.circlesArray()[2]->frame(), before);
    // Placing them anyway moves them without showing one.
    m_cursor.placeCircles(beat(0, 200, "60"));
    EXPECT_EQ(m_cursor.circlesArray()[0]->frame(), ui::RectMake(200 + 6.5, 182, 12, 12));
    EXPECT_TRUE(m_cursor.circlesArray()[0]->isHidden());
}

}
}
