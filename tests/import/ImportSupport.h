#pragma once
// Shared by the import tests: a temporary folder, MusicXML snippets wrapped in a score, and
// Standard MIDI Files built byte by byte.

#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/Paths.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace importtest {

// A scratch folder made and removed by the shared temporary-folder helper.
class TempFolder {
public:
    TempFolder()
    {
        auto made = core::TemporaryFolder::create("import");
        EXPECT_TRUE(made.ok());
        if (made.ok())
            m_folder = *made;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const
    {
        static const std::string none;
        return m_folder ? m_folder->path() : none;
    }
    std::string file(const std::string& name) const { return path() + "/" + name; }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::string where = file(name);
        EXPECT_TRUE(core::files::writeContentsAtPath(where, bytes).ok()) << where;
        return where;
    }

private:
    std::shared_ptr<core::TemporaryFolder> m_folder;
};

// A one-part partwise score around the given measures.
inline std::string score(const std::string& measures, const std::string& head = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">" + head
        + "<part-list><score-part id=\"P1\"><part-name>Voice</part-name></score-part></part-list>"
          "<part id=\"P1\">"
        + measures + "</part></score-partwise>";
}

inline std::string attributes(int divisions, int beats, int beatType)
{
    return "<attributes><divisions>" + std::to_string(divisions) + "</divisions><time><beats>" + std::to_string(beats)
        + "</beats><beat-type>" + std::to_string(beatType) + "</beat-type></time></attributes>";
}

inline std::string note(const std::string& step, int octave, int duration, const std::string& extra = "", int alter = 0)
{
    std::string pitch = "<pitch><step>" + step + "</step>" + (alter ? "<alter>" + std::to_string(alter) + "</alter>" : "")
        + "<octave>" + std::to_string(octave) + "</octave></pitch>";
    return "<note>" + pitch + "<duration>" + std::to_string(duration) + "</duration>" + extra + "</note>";
}

inline std::string rest(int duration) { return "<note><rest/><duration>" + std::to_string(duration) + "</duration></note>"; }

inline std::string measure(int number, const std::string& content)
{
    return "<measure number=\"" + std::to_string(number) + "\">" + content + "</measure>";
}

// --- Standard MIDI Files ----------------------------------------------------------------------

inline std::string variable(uint32_t value)
{
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.insert(bytes.begin(), char(0x80 | (value & 0x7F)));
    return bytes;
}

inline std::string bigEndian(uint32_t value, int count)
{
    std::string bytes;
    for (int i = count - 1; i >= 0; --i)
        bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Event bytes are written as given (a status byte may be left out for running status).
inline std::string event(uint32_t delta, std::initializer_list<int> bytes)
{
    std::string out = variable(delta);
    for (int b : bytes)
        out += char(b);
    return out;
}

inline std::string meta(uint32_t delta, int type, const std::string& data)
{
    return variable(delta) + char(0xFF) + char(type) + variable(uint32_t(data.size())) + data;
}

inline std::string tempoEvent(uint32_t delta, uint32_t microsecondsPerQuarter)
{
    return meta(delta, 0x51, bigEndian(microsecondsPerQuarter, 3));
}

inline std::string track(const std::string& events, bool endOfTrack = true)
{
    std::string body = events + (endOfTrack ? meta(0, 0x2F, "") : std::string());
    return "MTrk" + bigEndian(uint32_t(body.size()), 4) + body;
}

inline std::string midiFile(int format, int division, const std::vector<std::string>& tracks, int declaredTracks = -1)
{
    std::string out = "MThd" + bigEndian(6, 4) + bigEndian(uint32_t(format), 2)
        + bigEndian(uint32_t(declaredTracks < 0 ? int(tracks.size()) : declaredTracks), 2) + bigEndian(uint32_t(division), 2);
    for (const std::string& t : tracks)
        out += t;
    return out;
}

inline std::string peersFolder() { return std::string(BEATSTRIP_SOURCE_DIR) + "/../shared/peers"; }

}
