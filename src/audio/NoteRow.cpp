#include "audio/NoteRow.h"

#include <algorithm>
#include <cctype>

namespace audio {

std::optional<int> parsePitch(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        if (text.size() > 3)
            return std::nullopt;
        int value = 0;
        for (char c : text)
            value = value * 10 + (c - '0');
        return value <= 127 ? std::optional<int>(value) : std::nullopt;
    }
    static constexpr int kSemitones[] = { 9, 11, 0, 2, 4, 5, 7 }; // A B C D E F G
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (letter < 'A' || letter > 'G')
        return std::nullopt;
    int semitone = kSemitones[letter - 'A'];
    size_t i = 1;
    for (; i < text.size() && (text[i] == '#' || text[i] == 'b'); ++i)
        semitone += text[i] == '#' ? 1 : -1;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size() || i + 1 < text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return std::nullopt;
    const int octave = negative ? -(text[i] - '0') : text[i] - '0';
    const int pitch = (octave + 1) * 12 + semitone;
    if (pitch < 0 || pitch > 127)
        return std::nullopt;
    return pitch;
}

std::optional<Note> noteForRow(std::string_view pitch, int velocity, int program)
{
    auto key = parsePitch(pitch);
    if (!key)
        return std::nullopt;
    Note note;
    note.pitch = *key;
    note.velocity = velocity <= 0 ? 90 : std::min(velocity, 127);
    note.program = std::clamp(program, 0, 127);
    return note;
}

}
