// Matching played notes to the song's notes on hand-made event lists: chords, repeated notes,
// notes held across beats, a note pressed twice, presses before their note is told, passes.
#include <gtest/gtest.h>

#include "midi/Judge.h"

namespace midi {
namespace {

using Verdict = Judge::Verdict;

std::vector<Verdict> verdicts(const std::vector<Judge::Press>& presses)
{
    std::vector<Verdict> out;
    for (const auto& press : presses)
        out.push_back(press.verdict);
    return out;
}

TEST(JudgeTest, AChordPlayedInAnyOrderWithinTheToleranceIsAllHits)
{
    Judge judge;
    for (int pitch : { 60, 64, 67 })
        judge.expect(1.0, pitch);
    judge.expect(1.5, 65);
    EXPECT_EQ(judge.press(1.04, 67).verdict, Verdict::OnTime);
    EXPECT_EQ(judge.press(0.93, 60).verdict, Verdict::OnTime);
    EXPECT_EQ(judge.press(1.09, 64).verdict, Verdict::OnTime);
    EXPECT_EQ(judge.press(1.5, 65).verdict, Verdict::OnTime);
    auto decided = judge.settle(2.0);
    ASSERT_EQ(decided.size(), 4u);
    EXPECT_DOUBLE_EQ(decided[1].offset, 0.93 - 1.0);
    EXPECT_EQ(judge.tally(2.0), (Judge::Tally { 4, 4, 0 }));
    EXPECT_DOUBLE_EQ(judge.tally(2.0).accuracy(), 1.0);
}

TEST(JudgeTest, PressesPastTheToleranceMissAndAreMarkedEarlyOrLate)
{
    Judge judge;
    judge.expect(1.0, 60);
    judge.expect(2.0, 62);
    EXPECT_EQ(judge.press(1.15, 60).verdict, Verdict::Pending);
    EXPECT_EQ(judge.press(1.85, 62).verdict, Verdict::Pending);
    // Undecided while a song note could still come within the tolerance.
    EXPECT_TRUE(judge.settle(1.2).empty());
    auto decided = judge.settle(2.5);
    EXPECT_EQ(verdicts(decided), (std::vector<Verdict> { Verdict::Late, Verdict::Early }));
    EXPECT_NEAR(decided[0].offset, 0.15, 1e-9);
    // Missed notes, but not wrong keys: they were the right notes, badly timed.
    EXPECT_EQ(judge.tally(2.5), (Judge::Tally { 0, 2, 0 }));
}

TEST(JudgeTest, AWiderToleranceTakesTheSamePressesAsHits)
{
    Judge judge;
    judge.setTolerance(0.2);
    judge.expect(1.0, 60);
    EXPECT_EQ(judge.press(1.15, 60).verdict, Verdict::OnTime);
    judge.setTolerance(5);
    EXPECT_DOUBLE_EQ(judge.tolerance(), Judge::kMaxTolerance);
    judge.setTolerance(0.001);
    EXPECT_DOUBLE_EQ(judge.tolerance(), Judge::kMinTolerance);
}

TEST(JudgeTest, AWrongPitchIsWrongAndTheSongNoteIsMissed)
{
    Judge judge;
    judge.expect(1.0, 60);
    judge.press(1.0, 61, 123.5);
    auto decided = judge.settle(1.5);
    ASSERT_EQ(decided.size(), 1u);
    EXPECT_EQ(decided[0].verdict, Verdict::Wrong);
    EXPECT_DOUBLE_EQ(decided[0].tag, 123.5);
    EXPECT_EQ(judge.tally(1.5), (Judge::Tally { 0, 1, 1 }));
}

TEST(JudgeTest, RepeatedNotesAreEachHitByTheirOwnPress)
{
    Judge judge;
    for (double t : { 1.0, 1.25, 1.5 })
        judge.expect(t, 60);
    // The second press is nearer the second note than the first, still open, one.
    judge.press(1.02, 60);
    judge.press(1.22, 60);
    judge.press(1.56, 60);
    EXPECT_EQ(verdicts(judge.settle(2)), (std::vector<Verdict>(3, Verdict::OnTime)));
    EXPECT_EQ(judge.tally(2), (Judge::Tally { 3, 3, 0 }));

    // A press between repeated notes that are far apart hits neither.
    Judge apart;
    apart.expect(1.0, 60);
    apart.expect(2.0, 60);
    apart.press(1.5, 60);
    EXPECT_EQ(verdicts(apart.settle(3)), (std::vector<Verdict> { Verdict::Wrong }));
}

TEST(JudgeTest, AKeyHeldAcrossBeatsHitsOnlyTheFirstOfItsNotes)
{
    Judge judge;
    judge.expect(1.0, 60);
    judge.expect(1.5, 60);
    judge.expect(1.5, 64);
    // 60 goes down once and stays down; only 64 is struck on the second beat.
    judge.press(1.0, 60);
    judge.press(1.5, 64);
    judge.settle(2);
    EXPECT_EQ(judge.tally(2), (Judge::Tally { 2, 3, 0 }));
}

TEST(JudgeTest, ANotePressedTwiceCountsOnceAndTheSecondPressIsWrong)
{
    Judge judge;
    judge.expect(1.0, 60);
    EXPECT_EQ(judge.press(0.98, 60).verdict, Verdict::OnTime);
    EXPECT_EQ(judge.press(1.03, 60).verdict, Verdict::Pending);
    EXPECT_EQ(verdicts(judge.settle(2)), (std::vector<Verdict> { Verdict::OnTime, Verdict::Wrong }));
    EXPECT_EQ(judge.tally(2), (Judge::Tally { 1, 1, 1 }));
}

TEST(JudgeTest, APressBeforeItsNoteIsToldHitsItWhenItComes)
{
    Judge judge;
    // The key goes down just before the cursor enters the beat that holds the note.
    judge.press(0.95, 60);
    EXPECT_EQ(judge.nextDecision(0.95), std::optional<double>(0.95 + Judge::kDefaultTolerance));
    judge.expect(1.0, 60);
    judge.expect(1.5, 62);
    auto decided = judge.settle(0.97);
    ASSERT_EQ(decided.size(), 1u);
    EXPECT_EQ(decided[0].verdict, Verdict::OnTime);
    EXPECT_NEAR(decided[0].offset, -0.05, 1e-9);
    EXPECT_EQ(judge.nextDecision(0.97), std::optional<double>(1.0)) << "the note coming due";
    EXPECT_EQ(judge.nextDecision(1.0), std::optional<double>(1.5));
    EXPECT_FALSE(judge.nextDecision(1.5));

    // Too early to hit even so: early, and the note is missed.
    Judge early;
    early.press(0.85, 60);
    early.expect(1.0, 60);
    EXPECT_EQ(verdicts(early.settle(1.2)), (std::vector<Verdict> { Verdict::Early }));
    EXPECT_EQ(early.tally(1.2), (Judge::Tally { 0, 1, 0 }));
}

TEST(JudgeTest, OnlyNotesDueSoFarCountAndWithdrawnNotesNever)
{
    Judge judge;
    judge.expect(1.0, 60);
    judge.expect(2.0, 62);
    judge.expect(3.0, 64);
    EXPECT_EQ(judge.tally(0.5).notes, 0);
    EXPECT_EQ(judge.tally(2.0).notes, 2);
    // The cursor stopped at 2.5: the third note is no longer expected.
    judge.withdrawAfter(2.5);
    EXPECT_EQ(judge.tally(4).notes, 2);
    EXPECT_EQ(verdicts((judge.press(3.0, 64), judge.settle(4))), (std::vector<Verdict> { Verdict::Wrong }));
}

TEST(JudgeTest, EachPassCountsItsOwnNotesAndALateHitGoesToItsPass)
{
    Judge judge;
    judge.expect(1.0, 60);
    judge.press(1.0, 60);
    judge.expect(1.9, 62);
    judge.startPass();
    judge.expect(2.0, 60);
    EXPECT_EQ(judge.tally(2.0), (Judge::Tally { 0, 1, 0 }));
    EXPECT_EQ(judge.pressesInPass(), 0);
    // 62 of the last pass, a little late, then 60 of this one.
    judge.press(1.95, 62);
    judge.press(2.01, 60);
    judge.settle(3);
    EXPECT_EQ(judge.tally(3), (Judge::Tally { 1, 1, 0 }));
    EXPECT_EQ(judge.pressesInPass(), 2);
}

}
}
