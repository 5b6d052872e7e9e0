#include "ImportSupport.h"

#include "import/ImportError.h"
#include "import/MusicXMLReader.h"

#include <minizip/zip.h>

#include <gtest/gtest.h>

using namespace importtest;
using import::MusicXMLReader;
using import::Score;

namespace {

Score read(const std::string& xml)
{
    auto result = MusicXMLReader::readText(xml);
    EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().localizedDescription);
    return result.ok() ? *result : Score();
}

std::vector<double> barLengths(const Score& score)
{
    std::vector<double> lengths;
    for (const auto& bar : score.bars)
        lengths.push_back(bar.length);
    return lengths;
}

std::vector<int> barNumbers(const Score& score)
{
    std::vector<int> numbers;
    for (const auto& bar : score.bars)
        numbers.push_back(bar.number);
    return numbers;
}

void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info {};
        ASSERT_EQ(zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6), ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, data.data(), unsigned(data.size())), ZIP_OK);
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

}

TEST(MusicXMLReader, MeterChangesAndPickupKeepTheirRealLengths)
{
    // A one-quarter pickup in 3/4, a full 3/4 bar, then 2/4 and 6/8.
    Score score = read(importtest::score(
        "<measure number=\"0\" implicit=\"yes\">" + attributes(2, 3, 4) + note("G", 4, 2) + "</measure>"
        + measure(1, note("C", 5, 6)) + measure(2, attributes(2, 2, 4) + note("D", 5, 4))
        + measure(3, attributes(2, 6, 8) + note("E", 5, 6))));
    EXPECT_EQ(barLengths(score), (std::vector<double> { 1, 3, 2, 3 }));
    ASSERT_EQ(score.bars.size(), 4u);
    EXPECT_EQ(score.bars[0].beats, 3);
    EXPECT_EQ(score.bars[2].beats, 2);
    EXPECT_EQ(score.bars[3].beatType, 8);
    EXPECT_DOUBLE_EQ(score.bars[3].start, 6);
    EXPECT_DOUBLE_EQ(score.totalLength(), 9);
}

TEST(MusicXMLReader, TiesMergeAcrossBarsAndChordsShareTheirStart)
{
    Score score = read(importtest::score(measure(1, attributes(1, 4, 4) + note("C", 4, 2) + note("E", 4, 2, "<chord/>")
                                                       + note("G", 4, 2, "<tie type=\"start\"/>"))
        + measure(2, note("G", 4, 1, "<tie type=\"stop\"/><tie type=\"start\"/>") + note("G", 4, 1, "<tie type=\"stop\"/>") + rest(2))));
    ASSERT_EQ(score.notes.size(), 3u);
    EXPECT_DOUBLE_EQ(score.notes[0].start, 0);
    EXPECT_DOUBLE_EQ(score.notes[1].start, 0); // the chord tone
    EXPECT_EQ(score.notes[2].midiPitch, 67);
    EXPECT_DOUBLE_EQ(score.notes[2].start, 2);
    EXPECT_DOUBLE_EQ(score.notes[2].length, 4); // two quarters + a quarter + a quarter
}

TEST(MusicXMLReader, DivisionsAndBackupPlaceVoicesAndDivisionChanges)
{
    Score score = read(importtest::score(measure(1, attributes(4, 2, 4) + note("C", 5, 8) + "<backup><duration>8</duration></backup>"
                                                       + note("C", 3, 4) + note("D", 3, 4))
        + measure(2, "<attributes><divisions>1</divisions></attributes>" + note("E", 5, 2))));
    ASSERT_EQ(score.notes.size(), 4u);
    EXPECT_DOUBLE_EQ(score.notes[0].length, 2);
    EXPECT_DOUBLE_EQ(score.notes[2].start, 1); // the lower voice's second note
    EXPECT_DOUBLE_EQ(score.notes[3].start, 2);
    EXPECT_DOUBLE_EQ(score.notes[3].length, 2);
}

TEST(MusicXMLReader, AccidentalsAsWrittenAndSpelling)
{
    Score score = read(importtest::score(measure(1, attributes(1, 2, 4) + note("F", 4, 1, "<accidental>sharp</accidental>", 1)
                                                       + note("B", 4, 1, "", -1))));
    ASSERT_EQ(score.notes.size(), 2u);
    EXPECT_EQ(score.notes[0].midiPitch, 66);
    EXPECT_EQ(score.notes[0].step, 'F');
    EXPECT_EQ(score.notes[0].alter, 1);
    EXPECT_EQ(score.text(score.notes[0].accidental), "sharp");
    EXPECT_EQ(score.notes[1].midiPitch, 70);
    EXPECT_EQ(score.notes[1].alter, -1);
    EXPECT_EQ(score.text(score.notes[1].accidental), "");
}

TEST(MusicXMLReader, TempoMarksFormTheTempoMap)
{
    std::string direction = "<direction><direction-type><metronome><beat-unit>quarter</beat-unit><beat-unit-dot/>"
                            "<per-minute>60</per-minute></metronome></direction-type></direction>";
    Score score = read(importtest::score(measure(1, attributes(1, 6, 8) + direction + note("C", 5, 3))
        + measure(2, "<sound tempo=\"100\"/>" + note("C", 5, 3))));
    ASSERT_EQ(score.tempi.size(), 2u);
    EXPECT_DOUBLE_EQ(score.tempi[0].quartersPerMinute, 90); // 60 dotted quarters
    EXPECT_DOUBLE_EQ(score.tempi[1].at, 3);
    EXPECT_DOUBLE_EQ(score.tempi[1].quartersPerMinute, 100);
    EXPECT_TRUE(score.bars[0].dottedQuarterBeats);
    EXPECT_DOUBLE_EQ(score.secondsAt(3), 2);
    EXPECT_DOUBLE_EQ(score.secondsAt(6), 2 + 1.8);
}

TEST(MusicXMLReader, RepeatsWithEndingsUnrollIntoPlayingOrder)
{
    std::string forward = "<barline location=\"left\"><repeat direction=\"forward\"/></barline>";
    std::string ending1 = "<barline location=\"left\"><ending number=\"1\" type=\"start\"/></barline>";
    std::string end1 = "<barline location=\"right\"><ending number=\"1\" type=\"stop\"/><repeat direction=\"backward\"/></barline>";
    std::string ending2 = "<barline location=\"left\"><ending number=\"2\" type=\"start\"/></barline>";
    std::string end2 = "<barline location=\"right\"><ending number=\"2\" type=\"discontinue\"/></barline>";
    Score score = read(importtest::score(measure(1, attributes(1, 2, 4) + note("C", 4, 2)) + measure(2, forward + note("D", 4, 2))
        + measure(3, ending1 + note("E", 4, 2) + end1) + measure(4, ending2 + note("F", 4, 2) + end2)
        + measure(5, note("G", 4, 2))));
    EXPECT_EQ(barNumbers(score), (std::vector<int> { 1, 2, 3, 2, 4, 5 }));
    ASSERT_EQ(score.notes.size(), 6u);
    EXPECT_DOUBLE_EQ(score.notes[3].start, 6);
    EXPECT_EQ(score.notes[3].step, 'D');
}

TEST(MusicXMLReader, RepeatTimesAndRepeatFromTheStart)
{
    std::string back = "<barline location=\"right\"><repeat direction=\"backward\" times=\"3\"/></barline>";
    Score score = read(importtest::score(measure(1, attributes(1, 2, 4) + note("C", 4, 2)) + measure(2, note("D", 4, 2) + back)
        + measure(3, note("E", 4, 2))));
    EXPECT_EQ(barNumbers(score), (std::vector<int> { 1, 2, 1, 2, 1, 2, 3 }));
}

TEST(MusicXMLReader, DaCapoAlFineAndDalSegnoAlCodaFollowTheirPlaybackMarks)
{
    Score dc = read(importtest::score(measure(1, attributes(1, 2, 4) + note("C", 4, 2)) + measure(2, note("D", 4, 2) + "<sound fine=\"yes\"/>")
        + measure(3, note("E", 4, 2) + "<sound dacapo=\"yes\"/>")));
    EXPECT_EQ(barNumbers(dc), (std::vector<int> { 1, 2, 3, 1, 2 }));

    Score ds = read(importtest::score(measure(1, attributes(1, 2, 4) + note("C", 4, 2))
        + measure(2, "<direction><direction-type><segno/></direction-type><sound segno=\"s\"/></direction>" + note("D", 4, 2))
        + measure(3, note("E", 4, 2) + "<sound tocoda=\"c\"/>") + measure(4, note("F", 4, 2) + "<sound dalsegno=\"s\"/>")
        + measure(5, "<sound coda=\"c\"/>" + note("G", 4, 2))));
    EXPECT_EQ(barNumbers(ds), (std::vector<int> { 1, 2, 3, 4, 2, 3, 5 }));
}

TEST(MusicXMLReader, LyricsChordsFingeringsAndRehearsalMarks)
{
    std::string harmony = "<harmony><root><root-step>F</root-step><root-alter>1</root-alter></root><kind>minor-seventh</kind>"
                          "<bass><bass-step>E</bass-step></bass></harmony>";
    std::string lyric = "<lyric number=\"1\"><syllabic>begin</syllabic><text>Hal</text></lyric>";
    std::string fingering = "<notations><technical><fingering>3</fingering></technical></notations>";
    std::string rehearsal = "<direction><direction-type><rehearsal>A</rehearsal></direction-type></direction>";
    Score score = read(importtest::score(measure(1, attributes(1, 2, 4) + rehearsal + harmony + note("C", 4, 1, fingering + lyric)
                                                       + note("D", 4, 1, "<lyric><syllabic>end</syllabic><text>lo</text></lyric>"))));
    ASSERT_EQ(score.lyrics.size(), 2u);
    EXPECT_EQ(score.lyrics[0].text, "Hal-");
    EXPECT_EQ(score.lyrics[1].text, "lo");
    EXPECT_DOUBLE_EQ(score.lyrics[1].at, 1);
    ASSERT_EQ(score.chords.size(), 1u);
    EXPECT_EQ(score.chords[0].text, "F#m7/E");
    EXPECT_EQ(score.text(score.notes[0].fingering), "3");
    ASSERT_EQ(score.rehearsals.size(), 1u);
    EXPECT_EQ(score.rehearsals[0].text, "A");
}

TEST(MusicXMLReader, GraceCueAndPercussionAreLeftOutWithAReport)
{
    std::string head;
    std::string xml = "<score-partwise><part-list><score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                      "<score-part id=\"P2\"><part-name>Drums</part-name></score-part></part-list>"
                      "<part id=\"P1\">"
        + measure(1, attributes(1, 2, 4) + "<note><grace/><pitch><step>D</step><octave>5</octave></pitch></note>" + note("C", 5, 1)
            + "<note><cue/><pitch><step>E</step><octave>5</octave></pitch><duration>1</duration></note>")
        + "</part><part id=\"P2\">"
        + measure(1, attributes(1, 2, 4) + "<note><unpitched><display-step>C</display-step><display-octave>5</display-octave></unpitched>"
                                           "<duration>2</duration></note>")
        + "</part></score-partwise>";
    Score score = read(xml);
    ASSERT_EQ(score.notes.size(), 1u);
    EXPECT_EQ(score.notes[0].step, 'C');
    ASSERT_EQ(score.parts.size(), 2u);
    EXPECT_TRUE(score.parts[1].percussion);
    std::string report;
    for (const auto& line : score.report)
        report += line + "\n";
    EXPECT_NE(report.find("1 grace note left out"), std::string::npos) << report;
    EXPECT_NE(report.find("1 cue note left out"), std::string::npos) << report;
    EXPECT_NE(report.find("percussion part \"Drums\""), std::string::npos) << report;
}

TEST(MusicXMLReader, BadInputGivesAClearMessage)
{
    auto malformed = MusicXMLReader::readText("<score-partwise><part id=\"P1\"><measure>");
    ASSERT_FALSE(malformed.ok());
    EXPECT_NE(malformed.error().localizedDescription.find("malformed"), std::string::npos);

    auto timewise = MusicXMLReader::readText("<score-timewise><measure number=\"1\"/></score-timewise>");
    ASSERT_FALSE(timewise.ok());
    EXPECT_NE(timewise.error().localizedDescription.find("timewise"), std::string::npos);

    auto noParts = MusicXMLReader::readText("<score-partwise><part-list/></score-partwise>");
    ASSERT_FALSE(noParts.ok());
    EXPECT_NE(noParts.error().localizedDescription.find("no parts"), std::string::npos);

    auto other = MusicXMLReader::readText("<html><body/></html>");
    ASSERT_FALSE(other.ok());
    EXPECT_NE(other.error().localizedDescription.find("not a MusicXML score"), std::string::npos);

    std::string back = "<barline location=\"right\"><repeat direction=\"backward\" times=\"1000\"/></barline>";
    std::string many;
    for (int i = 1; i <= 200; ++i)
        many += measure(i, (i == 1 ? attributes(1, 2, 4) : "") + note("C", 4, 2) + (i == 200 ? back : ""));
    auto huge = MusicXMLReader::readText(importtest::score(many));
    ASSERT_FALSE(huge.ok());
    EXPECT_EQ(huge.error().code, long(import::ImportErrorCode::TooLarge));
    EXPECT_NE(huge.error().localizedDescription.find("100000 bars"), std::string::npos);
}

TEST(MusicXMLReader, CompressedFilesReadTheRootFileTheContainerNames)
{
    TempFolder folder;
    std::string xml = importtest::score(measure(1, attributes(1, 3, 4) + note("A", 4, 3)), "<work><work-title>Zipped</work-title></work>");
    std::string container = "<?xml version=\"1.0\"?><container><rootfiles>"
                            "<rootfile full-path=\"music/song.xml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>"
                            "</rootfiles></container>";
    writeZip(folder.file("song.mxl"), { { "META-INF/container.xml", container }, { "music/song.xml", xml } });
    auto score = MusicXMLReader::readFile(folder.file("song.mxl"));
    ASSERT_TRUE(score.ok()) << score.error().localizedDescription;
    EXPECT_EQ(score->title, "Zipped");
    ASSERT_EQ(score->notes.size(), 1u);
    EXPECT_EQ(score->notes[0].midiPitch, 69);

    writeZip(folder.file("plain.mxl"), { { "readme.txt", "hello" } });
    auto notContainer = MusicXMLReader::readFile(folder.file("plain.mxl"));
    ASSERT_FALSE(notContainer.ok());
    EXPECT_NE(notContainer.error().localizedDescription.find("not a MusicXML container"), std::string::npos);

    writeZip(folder.file("missing.mxl"), { { "META-INF/container.xml", container } });
    auto missing = MusicXMLReader::readFile(folder.file("missing.mxl"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().localizedDescription.find("music/song.xml"), std::string::npos);

    folder.write("broken.mxl", std::string("PK\x03\x04", 4) + "garbage");
    EXPECT_FALSE(MusicXMLReader::readFile(folder.file("broken.mxl")).ok());
}
