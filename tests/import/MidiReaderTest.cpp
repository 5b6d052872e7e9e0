#include "ImportSupport.h"

#include "import/ImportError.h"
#include "import/MidiReader.h"

#include <gtest/gtest.h>

using namespace importtest;
using import::MidiReader;
using import::Score;

namespace {

Score read(const std::string& bytes)
{
    auto result = MidiReader::readBytes(bytes);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().localizedDescription);
    return result.ok() ? *result : Score();
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

}

TEST(MidiReader, RunningStatusHoldsAcrossMetaEvents)
{
    // Note-on status once, then data bytes only, with a lyric meta event between two notes.
    std::string events = event(0, { 0x90, 60, 100 }) + event(96, { 60, 0 }) + meta(0, 0x05, "la") + event(0, { 62, 100 })
        + event(96, { 62, 0 }) + event(0, { 64, 100 }) + event(192, { 0x80, 64, 0 });
    Score score = read(midiFile(0, 96, { track(events) }));
    ASSERT_EQ(score.notes.size(), 3u);
    EXPECT_EQ(score.notes[1].midiPitch, 62);
    EXPECT_DOUBLE_EQ(score.notes[1].start, 1);
    EXPECT_DOUBLE_EQ(score.notes[2].length, 2);
    ASSERT_EQ(score.lyrics.size(), 1u);
    EXPECT_EQ(score.lyrics[0].text, "la");
    EXPECT_DOUBLE_EQ(score.lyrics[0].at, 1);
    EXPECT_TRUE(score.report.empty()) << joined(score.report);
}

TEST(MidiReader, ConductorTrackGivesTempoMapMetersKeyAndTitle)
{
    std::string conductor = meta(0, 0x03, "Little Tune") + meta(0, 0x58, std::string("\x03\x02\x18\x08", 4))
        + meta(0, 0x59, std::string("\xFF\x00", 2)) + tempoEvent(0, 500000) + tempoEvent(3 * 480, 1000000)
        + meta(0, 0x58, std::string("\x02\x02\x18\x08", 4)) + meta(0, 0x06, "Chorus");
    std::string melody = meta(0, 0x03, "Flute") + event(0, { 0x90, 70, 90 }) + event(3 * 480, { 0x80, 70, 0 })
        + event(0, { 0x90, 72, 90 }) + event(2 * 480, { 0x80, 72, 0 });
    Score score = read(midiFile(1, 480, { track(conductor), track(melody) }));
    EXPECT_EQ(score.title, "Little Tune");
    ASSERT_EQ(score.parts.size(), 1u);
    EXPECT_EQ(score.parts[0].name, "Flute");
    ASSERT_EQ(score.bars.size(), 2u);
    EXPECT_EQ(score.bars[0].beats, 3);
    EXPECT_EQ(score.bars[1].beats, 2);
    EXPECT_DOUBLE_EQ(score.bars[1].length, 2);
    ASSERT_EQ(score.tempi.size(), 2u);
    EXPECT_DOUBLE_EQ(score.tempi[1].quartersPerMinute, 60);
    EXPECT_DOUBLE_EQ(score.secondsAt(score.totalLength()), 1.5 + 2);
    // One flat: B flat is spelled with a flat.
    EXPECT_EQ(score.keyFifths, -1);
    EXPECT_EQ(score.notes[0].step, 'B');
    EXPECT_EQ(score.notes[0].alter, -1);
    EXPECT_EQ(score.notes[0].octave, 4);
    ASSERT_EQ(score.rehearsals.size(), 1u);
    EXPECT_EQ(score.rehearsals[0].text, "Chorus");
}

TEST(MidiReader, ChannelTenIsPercussionAndIsReported)
{
    std::string events = event(0, { 0x99, 36, 100 }) + event(96, { 0x89, 36, 0 }) + event(0, { 0x90, 60, 100 }) + event(96, { 0x80, 60, 0 });
    Score score = read(midiFile(0, 96, { track(events) }));
    ASSERT_EQ(score.notes.size(), 1u);
    EXPECT_EQ(score.notes[0].midiPitch, 60);
    EXPECT_NE(joined(score.report).find("percussion (channel 10) left out of the pitch rows (1 note)"), std::string::npos)
        << joined(score.report);
}

TEST(MidiReader, PartsPerTrackAndChannelAndNotesLeftOpenEndWithTheirTrack)
{
    // A conductor track, a named track playing on two channels (with a note of no length and a
    // note never released), and an unnamed track, at 96 ticks a quarter.
    std::string conductor = meta(0, 0x03, "Song");
    std::string piano = meta(0, 0x03, "Piano") + event(0, { 0x90, 60, 100 }) + event(96, { 0x80, 60, 0 })
        + event(0, { 0x91, 48, 100 }) + event(0, { 0x81, 48, 0 }) // no length: dropped
        + event(0, { 0x91, 50, 100 }) + event(96, { 0x81, 50, 0 }) + event(0, { 0x90, 64, 100 }) // never released
        + event(384, { 0xB0, 7, 100 });
    std::string bass = event(96, { 0x90, 40, 100 }) + event(96, { 0x80, 40, 0 });
    Score score = read(midiFile(1, 96, { track(conductor), track(piano), track(bass) }));
    EXPECT_EQ(score.title, "Song");
    ASSERT_EQ(score.parts.size(), 3u);
    EXPECT_EQ(score.parts[0].name, "Piano (channel 1)");
    EXPECT_EQ(score.parts[1].name, "Piano (channel 2)");
    EXPECT_EQ(score.parts[2].name, "Track 3");
    // In start order across tracks; the open note lasts until its track's last event.
    ASSERT_EQ(score.notes.size(), 4u);
    std::vector<int> pitches;
    for (const auto& note : score.notes)
        pitches.push_back(note.midiPitch);
    EXPECT_EQ(pitches, (std::vector<int> { 60, 50, 40, 64 }));
    EXPECT_EQ(score.notes[1].part, 1);
    EXPECT_EQ(score.notes[2].part, 2);
    EXPECT_DOUBLE_EQ(score.notes[3].start, 2);
    EXPECT_DOUBLE_EQ(score.notes[3].length, 4);
    // The song ends with the open note, six quarters in: two bars of 4/4.
    ASSERT_EQ(score.bars.size(), 2u);
    EXPECT_DOUBLE_EQ(score.totalLength(), 8);
}

TEST(MidiReader, MeterChangeInsideABarCutsItShort)
{
    // 4/4, then 3/4 arriving two quarters into the second bar.
    std::string conductor = meta(6 * 96, 0x58, std::string("\x03\x02\x18\x08", 4));
    std::string notes = event(0, { 0x90, 60, 100 }) + event(9 * 96, { 0x80, 60, 0 });
    Score score = read(midiFile(1, 96, { track(conductor), track(notes) }));
    ASSERT_EQ(score.bars.size(), 3u);
    EXPECT_DOUBLE_EQ(score.bars[1].length, 2);
    EXPECT_EQ(score.bars[2].beats, 3);
    EXPECT_DOUBLE_EQ(score.totalLength(), 9);
}

TEST(MidiReader, KaraokeTextEventsBecomeLyrics)
{
    std::string words;
    for (const char* w : { "@TKaraoke Song", "/Twin", "kle ", "twin", "kle ", "lit", "tle ", "star", "\\How", "I" })
        words += meta(words.empty() ? 0 : 48, 0x01, w);
    std::string notes;
    for (int i = 0; i < 9; ++i)
        notes += event(0, { 0x90, 60 + i, 100 }) + event(48, { 0x80, 60 + i, 0 });
    Score score = read(midiFile(1, 96, { track(words), track(notes) }));
    EXPECT_EQ(score.title, "Karaoke Song");
    ASSERT_GE(score.lyrics.size(), 9u);
    EXPECT_EQ(score.lyrics[0].text, "Twin");
    EXPECT_EQ(score.lyrics[7].text, "How");
}

TEST(MidiReader, LenientReadingsAreReported)
{
    std::string notes = event(0, { 0x90, 60, 100 }) + event(96, { 0x80, 60, 0 });
    // Format 0 with two tracks.
    Score twoTracks = read(midiFile(0, 96, { track(notes), track(notes) }));
    EXPECT_EQ(twoTracks.notes.size(), 2u);
    EXPECT_NE(joined(twoTracks.report).find("format 0 file with 2 tracks"), std::string::npos) << joined(twoTracks.report);

    // A track that claims more bytes than the file holds, cut inside an event.
    std::string full = midiFile(0, 96, { track(notes + event(0, { 0x90, 62, 100 }) + event(96, { 0x80, 62, 0 })) });
    Score truncated = read(full.substr(0, full.size() - 6));
    EXPECT_EQ(truncated.notes.size(), 2u); // the second note ends with its track
    EXPECT_NE(joined(truncated.report).find("truncated"), std::string::npos) << joined(truncated.report);

    // Notes still sounding at the end of the track end there.
    Score unended = read(midiFile(0, 96, { track(event(0, { 0x90, 60, 100 }) + meta(192, 0x01, "end")) }));
    ASSERT_EQ(unended.notes.size(), 1u);
    EXPECT_DOUBLE_EQ(unended.notes[0].length, 2);
}

TEST(MidiReader, BadInputGivesAClearMessage)
{
    auto notMidi = MidiReader::readBytes("RIFF0000WAVEfmt ");
    ASSERT_FALSE(notMidi.ok());
    EXPECT_NE(notMidi.error().localizedDescription.find("not a Standard MIDI File"), std::string::npos);

    auto noTracks = MidiReader::readBytes(midiFile(1, 96, {}));
    ASSERT_FALSE(noTracks.ok());
    EXPECT_NE(noTracks.error().localizedDescription.find("no tracks"), std::string::npos);

    auto noNotes = MidiReader::readBytes(midiFile(0, 96, { track(tempoEvent(0, 500000)) }));
    ASSERT_FALSE(noNotes.ok());
    EXPECT_NE(noNotes.error().localizedDescription.find("no notes"), std::string::npos);

    auto zeroDivision = MidiReader::readBytes(midiFile(0, 0, { track(event(0, { 0x90, 60, 1 }) + event(1, { 0x80, 60, 0 })) }));
    ASSERT_FALSE(zeroDivision.ok());

    // A data byte with no status before it.
    auto noStatus = MidiReader::readBytes(midiFile(0, 96, { track(event(0, { 60, 100 })) }));
    ASSERT_FALSE(noStatus.ok());

    // A note spanning a hundred million ticks at one tick a quarter: far more than 100,000 bars.
    auto huge = MidiReader::readBytes(midiFile(0, 1, { track(event(0, { 0x90, 60, 1 }) + event(0x0FFFFFFF, { 0x80, 60, 0 })) }));
    ASSERT_FALSE(huge.ok());
    EXPECT_EQ(huge.error().code, long(import::ImportErrorCode::TooLarge));
}

TEST(MidiReader, MoreThanAMillionNotesAreRefused)
{
    // Running status: three bytes a note-on, each ended by the next note-on of the same key.
    std::string events = event(0, { 0x90, 60, 100 });
    events.reserve(3 * 1000002);
    for (int i = 0; i < 1000001; ++i) {
        events += char(1);
        events += char(60);
        events += char(100);
    }
    auto result = MidiReader::readBytes(midiFile(0, 96, { track(events) }));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, long(import::ImportErrorCode::TooLarge));
    EXPECT_NE(result.error().localizedDescription.find("more than 1000000 notes"), std::string::npos);
}

TEST(MidiReader, EventCountDecodesEveryEvent)
{
    std::string events = event(0, { 0x90, 60, 100 }) + event(96, { 60, 0 }) + meta(0, 0x05, "la") + event(0, { 0xC0, 5 })
        + event(0, { 0xF0, 2, 1, 0xF7 });
    EXPECT_EQ(MidiReader::countEvents(midiFile(0, 96, { track(events) })), 6u); // five plus end of track
}
