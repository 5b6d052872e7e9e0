// Importing score files, against the work that cannot be avoided in the same run: for MusicXML,
// pugixml's parse of the file; for MIDI, reading the file's bytes and decoding its events into a list.
// Import here means reading the file into the score model and laying the song out in memory;
// the full import into a folder (with its flush to disk) is printed too, for information.
#include "BenchHome.h"

#include "import/MidiReader.h"
#include "import/SongImporter.h"
#include "import/StripWriter.h"

#include <pugixml.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

double bestSeconds(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::string generatedScore(int bars, int parts)
{
    static const char* steps = "CDEFGAB";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n"
                      "<work><work-title>Generated</work-title></work>\n<part-list>\n";
    for (int p = 1; p <= parts; ++p)
        xml += "<score-part id=\"P" + std::to_string(p) + "\"><part-name>Part " + std::to_string(p) + "</part-name></score-part>\n";
    xml += "</part-list>\n";
    for (int p = 1; p <= parts; ++p) {
        xml += "<part id=\"P" + std::to_string(p) + "\">\n";
        for (int b = 1; b <= bars; ++b) {
            xml += "<measure number=\"" + std::to_string(b) + "\">\n";
            if (b == 1)
                xml += "<attributes><divisions>2</divisions><key><fifths>0</fifths></key><time><beats>4</beats>"
                       "<beat-type>4</beat-type></time><clef><sign>G</sign><line>2</line></clef></attributes>\n"
                       "<direction><direction-type><metronome><beat-unit>quarter</beat-unit><per-minute>96</per-minute>"
                       "</metronome></direction-type><sound tempo=\"96\"/></direction>\n";
            if (p == 1 && b % 4 == 1)
                xml += "<harmony><root><root-step>C</root-step></root><kind>major</kind></harmony>\n";
            for (int n = 0; n < 6; ++n) {
                int duration = n < 4 ? 1 : 2;
                int step = (b * 3 + n + p * 2) % 7;
                xml += "<note><pitch><step>";
                xml += steps[step];
                xml += "</step>";
                if (n == 2)
                    xml += "<alter>1</alter>";
                xml += "<octave>" + std::to_string(3 + p % 3) + "</octave></pitch><duration>" + std::to_string(duration)
                    + "</duration><voice>1</voice><type>" + (duration == 1 ? "eighth" : "quarter") + "</type>";
                if (n == 2)
                    xml += "<accidental>sharp</accidental>";
                xml += "<stem>up</stem>";
                if (p == 1 && n == 0)
                    xml += "<lyric number=\"1\"><syllabic>single</syllabic><text>la</text></lyric>";
                xml += "</note>\n";
            }
            xml += "</measure>\n";
        }
        xml += "</part>\n";
    }
    return xml + "</score-partwise>\n";
}

std::string variable(uint32_t value)
{
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
    return bytes;
}

std::string bigEndian(uint32_t value, int count)
{
    std::string bytes;
    for (int i = count - 1; i >= 0; --i)
        bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string generatedMidi(int notes)
{
    std::string conductor = std::string("\x00\xFF\x58\x04\x04\x02\x18\x08", 8);
    for (int i = 0; i < 50; ++i)
        conductor += variable(i ? 960 : 0) + std::string("\xFF\x51\x03", 3) + bigEndian(uint32_t(500000 + i * 1000), 3);
    conductor += std::string("\x00\xFF\x2F\x00", 4);
    std::string melody;
    for (int i = 0; i < notes; ++i) {
        int key = 48 + (i * 7) % 36;
        // Running status after the first note-on.
        melody += variable(0) + (i ? std::string() : std::string(1, char(0x90))) + char(key) + char(90);
        melody += variable(120) + char(key) + char(0);
    }
    melody += std::string("\x00\xFF\x2F\x00", 4);
    return "MThd" + bigEndian(6, 4) + bigEndian(1, 2) + bigEndian(2, 2) + bigEndian(480, 2) + "MTrk"
        + bigEndian(uint32_t(conductor.size()), 4) + conductor + "MTrk" + bigEndian(uint32_t(melody.size()), 4) + melody;
}

}

int main(int argc, char** argv)
{
    std::string songs;
    auto temporaryHome = makeBenchHome("import", songs);
    if (!temporaryHome)
        return 1;
    std::string home = temporaryHome->path();
    if (setupOnly(argc, argv))
        return 0;
    std::string xmlPath = home + "/generated.musicxml";
    std::string midiPath = home + "/generated.mid";
    std::string xml = generatedScore(2000, 4);
    std::string midi = generatedMidi(10000);
    if (!core::files::writeContentsAtPath(xmlPath, xml).ok() || !core::files::writeContentsAtPath(midiPath, midi).ok())
        return 1;

    const int runs = 5;
    size_t sink = 0;
    double parse = bestSeconds(runs, [&] {
        auto bytes = core::files::contentsAtPath(xmlPath);
        pugi::xml_document document;
        document.load_buffer(bytes->data(), bytes->size());
        sink += size_t(document.document_element().name()[0]);
    });
    double importXml = bestSeconds(runs, [&] {
        auto score = import::SongImporter::readScore(xmlPath);
        sink += import::StripWriter::write(*score).text.size();
    });
    std::string folder = home + "/imported";
    double fullXml = bestSeconds(1, [&] { sink += import::SongImporter::importFile(xmlPath, {}, folder)->notes; });

    // A MIDI import takes well under a millisecond, where a burst of load from elsewhere on the
    // machine weighs much: the floor and the import are measured in turns, so that such a burst
    // falls on both alike, and more often, so that each has its quiet runs.
    double decode = 1e9, importMidi = 1e9, readMidi = 1e9;
    // Both first run unmeasured for half a second: a process that has just started (after the
    // machine was idle) runs them slower for a while, and the import, which touches more fresh
    // memory, more so.
    for (auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500);) {
        sink += import::MidiReader::countEvents(*core::files::contentsAtPath(midiPath));
        sink += import::StripWriter::write(*import::MidiReader::readFile(midiPath)).text.size();
    }
    for (int round = 0; round < 20 * runs; ++round) {
        decode = std::min(decode, bestSeconds(1, [&] {
            auto bytes = core::files::contentsAtPath(midiPath);
            sink += import::MidiReader::countEvents(*bytes);
        }));
        importMidi = std::min(importMidi, bestSeconds(1, [&] {
            auto read = import::MidiReader::readFile(midiPath);
            sink += import::StripWriter::write(*read).text.size();
        }));
        readMidi = std::min(readMidi, bestSeconds(1, [&] { sink += import::MidiReader::readFile(midiPath)->notes.size(); }));
    }
    auto score = import::MidiReader::readFile(midiPath);

    double xmlRatio = importXml / parse;
    double midiRatio = importMidi / decode;
    printf("MusicXML, 2,000 bars x 4 parts (%.1f MB): pugixml parse %.1f ms, import %.1f ms: ratio %.2f (goal <= 3): %s\n",
        double(xml.size()) / 1e6, parse * 1e3, importXml * 1e3, xmlRatio, xmlRatio <= 3 ? "met" : "NOT met");
    printf("  full import into a folder, written and flushed: %.1f ms\n", fullXml * 1e3);
    printf("MIDI, %zu notes: read and decode %.2f ms, import %.2f ms: ratio %.2f (goal <= 3): %s\n",
        score ? score->notes.size() : size_t(0), decode * 1e3, importMidi * 1e3, midiRatio, midiRatio <= 3 ? "met" : "NOT met");
    printf("  of which reading into the score model: %.2f ms (ratio %.2f)\n", readMidi * 1e3, readMidi / decode);
    return sink == 0;
}
