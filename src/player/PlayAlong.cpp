#include "player/PlayAlong.h"

#include <algorithm>
#include <cmath>

namespace player {

void PlayAlong::setNotes(std::vector<SongNote> notes)
{
    m_notes = std::move(notes);
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const SongNote& a, const SongNote& b) { return a.left < b.left; });
}

void PlayAlong::setRow(int pitch, Row row)
{
    // The first block of a pitch names its row.
    m_rows.emplace(pitch, row);
}

std::optional<PlayAlong::Row> PlayAlong::row(int pitch) const
{
    auto it = m_rows.find(pitch);
    if (it == m_rows.end())
        return std::nullopt;
    return it->second;
}

std::optional<PlayAlong::Row> PlayAlong::rowNear(int pitch) const
{
    if (m_rows.empty())
        return std::nullopt;
    auto above = m_rows.lower_bound(pitch);
    if (above != m_rows.end() && above->first == pitch)
        return above->second;
    if (above == m_rows.begin()) {
        Row row = above->second;
        // Lower pitches lie further along the way the rows run, or downwards when there is only one.
        const double step = m_rows.size() > 1 ? (std::next(above)->second.y - row.y) / double(std::next(above)->first - above->first)
                                               : -row.height / 2;
        row.y -= step * double(above->first - pitch);
        return row;
    }
    auto below = std::prev(above);
    if (above == m_rows.end()) {
        Row row = below->second;
        const double step = m_rows.size() > 1 ? (row.y - std::prev(below)->second.y) / double(below->first - std::prev(below)->first)
                                               : -row.height / 2;
        row.y += step * double(pitch - below->first);
        return row;
    }
    const double share = double(pitch - below->first) / double(above->first - below->first);
    Row row = below->second;
    row.y += share * (above->second.y - below->second.y);
    return row;
}

std::vector<PlayAlong::SongNote> PlayAlong::notesIn(double x, double length) const
{
    std::vector<SongNote> found;
    auto it = std::lower_bound(m_notes.begin(), m_notes.end(), x, [](const SongNote& n, double left) { return n.left < left; });
    for (; it != m_notes.end() && it->left < x + length; ++it)
        found.push_back(*it);
    return found;
}

bool PlayAlong::keyDown(int pitch, double time)
{
    m_lastDown[pitch] = time;
    return m_held.insert(pitch).second;
}

bool PlayAlong::keyUp(int pitch)
{
    return m_held.erase(pitch) > 0;
}

void PlayAlong::setWaitMode(bool on)
{
    m_waitMode = on;
    if (!on)
        stopWaiting();
}

void PlayAlong::startWaiting(double since, const std::vector<SongNote>& chord, double grace)
{
    m_waiting = true;
    m_remaining.clear();
    for (const auto& note : chord) {
        auto down = m_lastDown.find(note.pitch);
        if (down == m_lastDown.end() || down->second < since - grace)
            m_remaining.insert(note.pitch);
    }
}

bool PlayAlong::pressWhileWaiting(int pitch)
{
    if (!m_waiting)
        return false;
    m_remaining.erase(pitch);
    if (!m_remaining.empty())
        return false;
    m_waiting = false;
    return true;
}

void PlayAlong::stopWaiting()
{
    m_waiting = false;
    m_remaining.clear();
}

void PlayAlong::addPass(const Pass& pass)
{
    m_history.push_back(pass);
    while (m_history.size() > kHistoryLength)
        m_history.pop_front();
}

int32_t PlayAlong::percent(double accuracy)
{
    return int32_t(std::lround(std::clamp(accuracy, 0.0, 1.0) * 100));
}

std::string PlayAlong::scoreText(const midi::Judge::Tally& tally)
{
    return "Hits " + std::to_string(tally.hits) + " / " + std::to_string(tally.notes) + " \xC2\xB7 " + std::to_string(tally.wrong) + " wrong";
}

std::string PlayAlong::historyText(const std::deque<Pass>& history, size_t shown)
{
    if (history.empty())
        return "";
    std::string text = "Last:";
    size_t count = 0;
    for (auto it = history.rbegin(); it != history.rend() && count < shown; ++it, ++count)
        text += " " + std::to_string(percent(it->tally.accuracy())) + "%@" + std::to_string(it->speed);
    return text;
}

}
