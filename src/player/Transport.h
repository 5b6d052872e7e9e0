#pragma once
#include <cstdint>

namespace score {
class ScoreSheet;
}

namespace ui {
class ScrollView;
}

namespace player {

// The player's position in the song and the play range: the current bar (`page`, from 1), the
// beat within it (`shaderIndex`, from 1), the beat's place in the beat list (`index`, from 0),
// and the range from `startPage` to `maxPage` that playback loops over. Between steps `index` is
// the number of beats in the bars before `page` plus `shaderIndex` - 1.
class Transport {
public:
    enum class Step {
        None,       // no current bar: nothing moved
        InBar,      // the next beat of the same bar
        EnteredBar, // the first beat of the next bar: the page may have to turn
        Wrapped,    // back to the first bar of the range (the strip has scrolled there)
        OffTheEnd,  // the bars promise more beats than the song has: nothing moved
    };
    enum class Range { Set, SameBars, Invalid };

    // Bar 1, beat 1, the range over all `bars` bars.
    void reset(int32_t bars);

    // One beat forward; at the end of the range, back to its first bar.
    Step stepForward(const score::ScoreSheet& sheet, ui::ScrollView& strip);
    // To beat 1 of bar p (from 1), scrolling that bar to the left edge; false (nothing changed)
    // when no such bar or beat.
    bool jumpToBar(int32_t p, const score::ScoreSheet& sheet, ui::ScrollView& strip);
    // Repeat bars a to b: the position jumps to bar a. SameBars and Invalid change nothing.
    Range setRepeatRange(int32_t a, int32_t b, const score::ScoreSheet& sheet, ui::ScrollView& strip);
    // The whole song again, from bar 1.
    void clearRepeatRange(const score::ScoreSheet& sheet, ui::ScrollView& strip);
    // The page turn scrolled the bars left behind out of sight.
    void pageTurned() { m_movedLength = 0.0f; }

    int32_t index() const { return m_index; }
    int32_t page() const { return m_page; }
    int32_t shaderIndex() const { return m_shaderIndex; }
    int32_t startPage() const { return m_startPage; }
    int32_t maxPage() const { return m_maxPage; }
    float movedLength() const { return m_movedLength; }

private:
    int32_t m_index = 0;
    int32_t m_page = 1;
    int32_t m_shaderIndex = 1;
    int32_t m_startPage = 1;
    int32_t m_maxPage = 0;
    // Width in points of the bars left behind since the last page turn or jump.
    float m_movedLength = 0.0f;
};

}
