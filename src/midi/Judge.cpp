#include "midi/Judge.h"

#include <algorithm>
#include <cmath>

namespace midi {

void Judge::setTolerance(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    m_tolerance = std::clamp(seconds, kMinTolerance, kMaxTolerance);
}

size_t Judge::nearestOpen(double time, int pitch, double within) const
{
    size_t best = kNone;
    double bestDistance = 0;
    for (size_t i = 0; i < m_notes.size(); ++i) {
        const auto& note = m_notes[i];
        if (note.hit || note.pitch != pitch)
            continue;
        const double distance = std::abs(note.time - time);
        // Ties go to the earlier note, which is listed first.
        if (distance <= within && (best == kNone || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void Judge::expect(double time, int pitch)
{
    m_notes.push_back({ time, pitch, m_pass, false });
    // A press that came first, within the tolerance before or after, hits it: the nearest one.
    Played* best = nullptr;
    for (auto& played : m_played) {
        if (played.press.verdict != Verdict::Pending || played.press.pitch != pitch)
            continue;
        const double distance = std::abs(played.press.time - time);
        if (distance <= m_tolerance && (!best || distance < std::abs(best->press.time - time)))
            best = &played;
    }
    if (!best)
        return;
    m_notes.back().hit = true;
    best->press.verdict = Verdict::OnTime;
    best->press.offset = best->press.time - time;
}

Judge::Press Judge::press(double time, int pitch, double tag)
{
    Played played;
    played.press.time = time;
    played.press.pitch = pitch;
    played.press.tag = tag;
    played.pass = m_pass;
    if (size_t i = nearestOpen(time, pitch, m_tolerance); i != kNone) {
        m_notes[i].hit = true;
        played.press.verdict = Verdict::OnTime;
        played.press.offset = time - m_notes[i].time;
    }
    m_played.push_back(played);
    return played.press;
}

std::vector<Judge::Press> Judge::settle(double now)
{
    std::vector<Press> decided;
    for (auto& played : m_played) {
        if (played.reported)
            continue;
        auto& press = played.press;
        if (press.verdict == Verdict::Pending) {
            // Song notes are told no later than they are due, so once the tolerance has passed no
            // note can still come to hit this press.
            if (now - press.time <= m_tolerance)
                continue;
            if (size_t i = nearestOpen(press.time, press.pitch, 2 * m_tolerance); i != kNone) {
                press.offset = press.time - m_notes[i].time;
                press.verdict = press.offset < 0 ? Verdict::Early : Verdict::Late;
            } else {
                press.verdict = Verdict::Wrong;
            }
        }
        played.reported = true;
        decided.push_back(press);
    }
    return decided;
}

std::optional<double> Judge::nextDecision(double now) const
{
    std::optional<double> next;
    auto consider = [&](double at) {
        if (at > now && (!next || at < *next))
            next = at;
    };
    for (const auto& played : m_played) {
        // A hit is reported by the next settle(); a pending press once its tolerance has passed.
        if (!played.reported)
            consider(played.press.verdict == Verdict::Pending ? played.press.time + m_tolerance : now + 1e-9);
    }
    for (const auto& note : m_notes) {
        if (note.pass == m_pass)
            consider(note.time);
    }
    return next;
}

void Judge::withdrawAfter(double time)
{
    std::erase_if(m_notes, [time](const SongNote& note) { return !note.hit && note.time > time; });
}

void Judge::startPass()
{
    ++m_pass;
    prune();
}

// Only the last pass can still be credited; older ones are dropped once decided.
void Judge::prune()
{
    const uint32_t keep = m_pass > 0 ? m_pass - 1 : 0;
    std::erase_if(m_notes, [keep](const SongNote& note) { return note.pass < keep; });
    std::erase_if(m_played, [keep](const Played& played) { return played.pass < keep && played.reported; });
}

Judge::Tally Judge::tally(double now) const
{
    Tally tally;
    for (const auto& note : m_notes) {
        if (note.pass != m_pass)
            continue;
        if (note.hit)
            ++tally.hits;
        if (note.hit || note.time <= now)
            ++tally.notes;
    }
    for (const auto& played : m_played) {
        if (played.pass == m_pass && played.press.verdict == Verdict::Wrong)
            ++tally.wrong;
    }
    return tally;
}

int Judge::pressesInPass() const
{
    return int(std::count_if(m_played.begin(), m_played.end(), [this](const Played& played) { return played.pass == m_pass; }));
}

void Judge::clear()
{
    m_notes.clear();
    m_played.clear();
    m_pass = 0;
}

}
