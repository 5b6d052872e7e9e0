#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace midi {

// How well played notes match the song's notes. Song notes are told as the cursor reaches them,
// each with the time it is due on the beat clock; played notes as they arrive, with their own
// time stamps. A played note hits the nearest song note of its pitch that is not hit yet and lies
// within the tolerance either side. A press can come before the song note is told (the key goes
// down just before the beat is entered), so an unmatched press waits one tolerance before it is
// decided: then it is early or late when a song note of its pitch lies within twice the tolerance
// (that song note is missed, unless another press still hits it), else wrong. A song note nobody
// hit within the tolerance is missed. No time here is read from a clock: `now` is always given.
class Judge {
public:
    enum class Verdict { Pending, OnTime, Early, Late, Wrong };

    struct Press {
        double time = 0;
        int pitch = 0;
        Verdict verdict = Verdict::Pending;
        // Played minus due time of the song note it was judged against (0 for a wrong one).
        double offset = 0;
        // What the caller tagged the press with (where on the strip it was played).
        double tag = 0;
    };

    // The running count of one pass: song notes due so far, how many were hit, wrong presses.
    struct Tally {
        int hits = 0;
        int notes = 0;
        int wrong = 0;
        // Hits per note, 0 to 1; 0 without notes.
        double accuracy() const { return notes > 0 ? double(hits) / double(notes) : 0; }
        bool operator==(const Tally&) const = default;
    };

    static constexpr double kDefaultTolerance = 0.100;
    static constexpr double kMinTolerance = 0.020;
    static constexpr double kMaxTolerance = 0.300;

    // Seconds either side of a song note's time; clamped to kMinTolerance..kMaxTolerance.
    void setTolerance(double seconds);
    double tolerance() const { return m_tolerance; }

    // A song note of `pitch` due at `time`.
    void expect(double time, int pitch);
    // A key pressed at `time`. Returns the press as judged so far (Pending or OnTime).
    Press press(double time, int pitch, double tag = 0);
    // Decides the presses and song notes that can no longer change at `now`; returns the presses
    // decided by this call, hits included, in the order they were played.
    std::vector<Press> settle(double now);
    // The next moment after `now` at which the tally or settle() changes: a song note coming due
    // or a pending press's tolerance running out; none when nothing is to come.
    std::optional<double> nextDecision(double now) const;
    // Song notes due after `time` are no longer expected (the cursor jumped or stopped).
    void withdrawAfter(double time);

    // From here on counts go to a new pass; what is still open of the last one is still credited
    // to it.
    void startPass();
    // The current pass as it stands at `now`.
    Tally tally(double now) const;
    // Keys pressed in the current pass, however they were judged.
    int pressesInPass() const;
    // Everything kept is dropped (a new song).
    void clear();

private:
    struct SongNote {
        double time = 0;
        int pitch = 0;
        uint32_t pass = 0;
        bool hit = false;
    };
    struct Played {
        Press press;
        uint32_t pass = 0;
        // Hits are reported by the next settle().
        bool reported = false;
    };
    static constexpr size_t kNone = std::numeric_limits<size_t>::max();

    size_t nearestOpen(double time, int pitch, double within) const;
    void prune();

    double m_tolerance = kDefaultTolerance;
    uint32_t m_pass = 0;
    std::vector<SongNote> m_notes;
    std::vector<Played> m_played;
};

}
