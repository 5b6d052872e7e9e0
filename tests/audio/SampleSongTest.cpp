#include <gtest/gtest.h>

#include "audio/AudioAnalysis.h"
#include "audio/AudioEngine.h"
#include "audio/BeatTiming.h"
#include "audio/Mixer.h"
#include "audio/NoteRow.h"
#include "audio/OfflineOutput.h"
#include "score/CSVParser.h"
#include "score/Columns.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace audio;

namespace {

struct ScheduledNote {
    Note note;
    TimeSpan span;
};

}

// A sample song scheduled the way the player's beat clock will do it: the beat rows give the
// beats, every note block with a pitch sounds over the times its edges map to.
TEST(SampleSongTest, OdeToJoyPlaysItsMelodyOnTheBeats)
{
    const std::string path = std::string(BEATSTRIP_SOURCE_DIR) + "/examples/content/data/ode_to_joy.csv";
    auto rows = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(path, ",", std::string_view("\""));
    ASSERT_TRUE(rows.has_value());

    std::vector<BeatSpan> beats;
    for (const auto& row : *rows) {
        if (row.text(score::column::channel) == "41")
            beats.push_back({ row.floatValue(score::column::ipadCol), row.floatValue(score::column::length),
                row.floatValue(score::column::tempo) });
    }
    ASSERT_GT(beats.size(), 16u);

    const double start = 0.5;
    std::vector<ScheduledNote> notes;
    size_t pitched = 0;
    for (const auto& row : *rows) {
        auto note = noteForRow(row.text("pitch"), row.intValue("velocity"), row.intValue("program"));
        if (!note)
            continue;
        ++pitched;
        const double x = row.floatValue(score::column::ipadCol);
        auto span = timeSpanForX(beats, 0, start, 1.0, x, x + row.floatValue(score::column::length));
        if (span)
            notes.push_back({ *note, *span });
    }
    ASSERT_GT(pitched, 20u);
    EXPECT_EQ(notes.size(), pitched) << "every pitched block lies within the beats";

    auto out = OfflineOutput::create(0);
    auto engine = AudioEngine::create(out, AudioEngine::Options {});
    ASSERT_TRUE(engine->notesAvailable());
    engine->mixer().recordOnsets(notes.size() + 1);
    double end = 0;
    for (const auto& n : notes) {
        engine->noteOn(n.span.start, n.note);
        engine->noteOff(n.span.end, n.note);
        end = std::max(end, n.span.end);
    }
    out->renderUntil(end + 1);
    // For a listen: BEATSTRIP_AUDIO_WAV=/tmp/ode.wav build/tests/audio_tests --gtest_filter='Sample*'
    if (const char* keep = getenv("BEATSTRIP_AUDIO_WAV")) {
        ASSERT_TRUE(out->writeWav(keep).ok());
    }

    const auto played = engine->mixer().onsets();
    ASSERT_EQ(played.size(), notes.size());
    for (const auto& onset : played)
        EXPECT_EQ(onset.frame, onset.deadlineFrame);

    // The first melody note's tone sounds in the first half of its block, a semitone above it does not.
    const ScheduledNote* first = &notes[0];
    for (const auto& n : notes) {
        if (n.span.start < first->span.start)
            first = &n;
    }
    const auto x = audiotest::leftChannel(*out);
    const double f = 440 * std::pow(2.0, (first->note.pitch - 69) / 12.0);
    const int64_t from = std::llround((first->span.start + 0.02) * 48000);
    const int64_t to = std::llround((first->span.start + first->span.end) / 2 * 48000);
    EXPECT_GT(audiotest::goertzel(x, from, to, f), 10 * audiotest::goertzel(x, from, to, f * std::pow(2.0, 1 / 12.0)));
}
