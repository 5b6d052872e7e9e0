#include "midi/Performance.h"

#include "import/MidiReader.h"

#include <algorithm>

namespace midi {

core::Result<Performance> Performance::readFile(const std::string& path)
{
    auto score = import::MidiReader::readFile(path);
    if (!score)
        return score.error();
    Performance performance;
    for (const auto& note : score->notes) {
        const double start = score->secondsAt(note.start);
        const double end = score->secondsAt(note.start + note.length);
        performance.m_events.push_back({ start, note.midiPitch, 90, true });
        performance.m_events.push_back({ std::max(end, start), note.midiPitch, 0, false });
    }
    std::stable_sort(performance.m_events.begin(), performance.m_events.end(), [](const NoteEvent& a, const NoteEvent& b) {
        if (a.time != b.time)
            return a.time < b.time;
        return !a.on && b.on;
    });
    return performance;
}

size_t Performance::noteCount() const
{
    return size_t(std::count_if(m_events.begin(), m_events.end(), [](const NoteEvent& e) { return e.on; }));
}

}
