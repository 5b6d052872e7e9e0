#pragma once
#include "midi/Judge.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace player {

// Playing along on a MIDI keyboard, apart from the views: the song's pitched notes, the keys
// held, wait mode's chord to play, the judging of each pass and the history of passes. The screen
// tells it what the cursor does and what the keys do; it keeps no timer and reads no clock.
class PlayAlong {
public:
    // A note block of the song: where it starts on the strip (layout units) and its pitch.
    struct SongNote {
        double left = 0;
        int pitch = 0;
    };
    // The row of a pitch on the strip, in points: where its blocks are drawn.
    struct Row {
        double y = 0;
        double height = 0;
    };
    struct Pass {
        midi::Judge::Tally tally;
        int32_t speed = 100;
    };

    static constexpr size_t kHistoryLength = 10;
    static constexpr int32_t kDefaultToleranceMs = 100;

    void setNotes(std::vector<SongNote> notes);
    void setRow(int pitch, Row row);
    std::optional<Row> row(int pitch) const;
    // Where a pitch lies on the strip even without a row of its own: between the rows of the
    // nearest pitches below and above, in proportion; beyond the last row, half a row a semitone
    // further. None when the song has no pitched rows.
    std::optional<Row> rowNear(int pitch) const;
    // The notes whose left edge lies in [x, x + length).
    std::vector<SongNote> notesIn(double x, double length) const;
    bool hasNotes() const { return !m_notes.empty(); }

    // Keys down and up; returns false when nothing changed (a key pressed twice without release).
    bool keyDown(int pitch, double time);
    bool keyUp(int pitch);
    const std::set<int>& held() const { return m_held; }

    // Wait mode: the chord of the beat the cursor stopped on at `since`. Keys pressed from `grace`
    // before it count already (a player slightly ahead of the cursor); keys held from earlier do not.
    bool waitMode() const { return m_waitMode; }
    void setWaitMode(bool on);
    void startWaiting(double since, const std::vector<SongNote>& chord, double grace);
    bool isWaiting() const { return m_waiting; }
    const std::set<int>& waitingFor() const { return m_remaining; }
    // A key went down while waiting; true when it completed the chord (the wait is over).
    bool pressWhileWaiting(int pitch);
    void stopWaiting();

    midi::Judge& judge() { return m_judge; }
    const midi::Judge& judge() const { return m_judge; }
    int32_t toleranceMs() const { return int32_t(m_judge.tolerance() * 1000 + 0.5); }

    // A finished pass; the oldest beyond kHistoryLength goes.
    void addPass(const Pass& pass);
    const std::deque<Pass>& history() const { return m_history; }

    // "Hits 12 / 14 · 2 wrong"
    static std::string scoreText(const midi::Judge::Tally& tally);
    // The newest passes first: "Last: 92 %@80 85 %@75"
    static std::string historyText(const std::deque<Pass>& history, size_t shown);
    // Whole percent of an accuracy 0..1.
    static int32_t percent(double accuracy);

private:
    std::vector<SongNote> m_notes;
    std::map<int, Row> m_rows;
    std::set<int> m_held;
    std::map<int, double> m_lastDown;
    bool m_waitMode = false;
    bool m_waiting = false;
    std::set<int> m_remaining;
    midi::Judge m_judge;
    std::deque<Pass> m_history;
};

}
