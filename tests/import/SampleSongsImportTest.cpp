// The MusicXML sources of sample songs (examples/scores), imported, play in the player as the
// hand-made samples (examples/content/data) do. Compared, as the player has them and plays them:
// the bars and their beat counts; every beat's bar, number and tempo; the deadline of every beat
// when the song plays through; the note blocks' pitches in playing order and, rendered offline,
// when each note starts and stops. Not compared: the drawing (beat widths, colours, labels), in
// which the importer's layout differs from the hand-made one.
#include "ImportSupport.h"
#include "player/PlayerFixture.h"

#include "audio/AudioEngine.h"
#include "audio/Mixer.h"
#include "audio/NoteRow.h"
#include "audio/OfflineOutput.h"
#include "audio/SoundSettings.h"
#include "import/SongImporter.h"
#include "platform/core/Timer.h"
#include "platform/ui/Window.h"
#include "score/CSVParser.h"
#include "player/BeatSound.h"

#include <algorithm>
#include <cmath>

namespace player::test {
namespace {

const char* const kSongs[] = { "ode_to_joy", "amazing_grace", "silent_night" };

struct Beat {
    int bar;
    int number;
    double tempo;
};

// A note as the player plays it: its pitch and, from the offline rendering, when it sounds.
struct PlayedNote {
    int pitch;
    double on;
    double off;
};

struct Performance {
    std::vector<std::pair<int, int>> bars; // bar number, beats
    std::vector<Beat> beats;
    std::vector<double> deadlines; // seconds from play, one per beat entered
    std::vector<int> pitches;      // the note blocks' pitches, left to right
    std::vector<PlayedNote> notes;
    size_t soundingChords = 0; // bass-lane blocks with something in their pitch column
};

class SampleSongsImportTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        m_out = audio::OfflineOutput::create(m_clock->now());
        m_engine = audio::AudioEngine::create(m_out, audio::AudioEngine::Options {});
        m_engine->mixer().recordOnsets(8192);
        BeatSound::setEngine(m_engine);
        BeatSound::setBeforeSend([out = m_out](double now) { out->renderUntil(now); });
        audio::SoundSettings settings;
        settings.notes = true;
        ASSERT_TRUE(settings.save(*core::UserDefaults::standardUserDefaults()));
    }

    void TearDown() override
    {
        BeatSound::setBeforeSend(nullptr);
        BeatSound::setEngine(nullptr);
        PlayerFixture::TearDown();
    }

    // Opens the song in a window, reads what the player holds and plays it once through.
    Performance perform(const std::string& name, const std::string& file)
    {
        Performance result;
        auto window = ui::Window::create();
        auto library = ui::ViewController::create();
        window->setRootViewController(library);
        auto player = ViewController::create();
        player->setMode(3, name);
        library->presentViewController(player, ui::Animated::No);
        window->layoutIfNeeded();
        EXPECT_TRUE(player->canPlay()) << name;
        if (!player->canPlay())
            return result;
        for (const auto& bar : player->displayArray())
            result.bars.emplace_back(bar.intValue("Bar No(40)"), bar.intValue("Beats per Bar(40)"));
        for (const auto& beat : player->shadowArray())
            result.beats.push_back({ beat.intValue("Bar No(40)"), beat.intValue("Beats per Bar(40)"), beat.floatValue("tempo (40)") });
        // The player lets go of the song's rows once its strip is built; its note blocks are read
        // from the same file, as the player reads them.
        auto rows = score::CSVParser::parseCSVIntoArrayOfDictionariesFromFile(file, ",", "\"");
        EXPECT_TRUE(rows.has_value()) << file;
        std::vector<std::pair<double, int>> blocks;
        for (const auto& row : rows ? *rows : std::vector<score::ScoreRow>()) {
            if (auto note = audio::noteForRow(row.text("pitch"), 0, 0))
                blocks.emplace_back(row.floatValue("ipad_col(107)"), note->pitch);
            if (row.text("channel") == "71" && !row.text("pitch").empty())
                ++result.soundingChords;
        }
        EXPECT_EQ(blocks.size(), player->sound().noteCount()) << "the blocks the player sounds";
        std::stable_sort(blocks.begin(), blocks.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& block : blocks)
            result.pitches.push_back(block.second);

        const size_t firstOnset = m_engine->mixer().onsets().size();
        const double start = m_clock->now();
        player->play(nullptr);
        result.deadlines.push_back(0);
        for (size_t k = 1; k < result.beats.size(); ++k) {
            double due = player->timer()->fireDate();
            core::RunLoop::main().runUntil(due);
            m_out->renderUntil(due);
            EXPECT_EQ(player->index(), int32_t(k));
            result.deadlines.push_back(due - start);
        }
        // The last beat, and the release of its note.
        double end = player->timer()->fireDate();
        core::RunLoop::main().runUntil(end - 1e-3);
        m_out->renderUntil(end - 1e-3);
        player->pause(nullptr);
        core::RunLoop::main().runUntil(end + 1);
        m_out->renderUntil(end + 1);

        auto onsets = m_engine->mixer().onsets();
        std::vector<double> ons, offs;
        for (size_t i = firstOnset; i < onsets.size(); ++i) {
            double at = onsets[i].time - start;
            if (onsets[i].kind == audio::AudioEvent::Kind::NoteOn)
                ons.push_back(at);
            else if (onsets[i].kind == audio::AudioEvent::Kind::NoteOff && at < end - start - 1e-3)
                offs.push_back(at);
        }
        std::sort(ons.begin(), ons.end());
        std::sort(offs.begin(), offs.end());
        for (size_t i = 0; i < ons.size() && i < result.pitches.size(); ++i)
            result.notes.push_back({ result.pitches[i], ons[i], i < offs.size() ? offs[i] : end - start });
        return result;
    }

    static std::string importedName(const import::SongImporter::Report& report)
    {
        return "/imported/" + report.songPath.substr(0, report.songPath.size() - 4);
    }

    // The hand-made sample, where the library unpacks downloaded songs.
    void installSample(const std::string& name)
    {
        auto text = core::files::contentsAtPath(std::string(BEATSTRIP_SOURCE_DIR) + "/examples/content/data/" + name + ".csv");
        ASSERT_TRUE(text.has_value()) << name;
        ASSERT_TRUE(core::files::createDirectoryAtPath(core::paths::documentsDirectory() + "/data/data", true).ok());
        ASSERT_TRUE(core::files::writeContentsAtPath(songPath(name), *text).ok());
    }

    std::shared_ptr<audio::OfflineOutput> m_out;
    std::shared_ptr<audio::AudioEngine> m_engine;
};

TEST_F(SampleSongsImportTest, ImportedScoresPlayTheirBarsBeatsAndTempiLikeTheHandMadeSamples)
{
    BeatSound::setEngine(nullptr); // beats only: nothing to render
    for (const char* name : kSongs) {
        SCOPED_TRACE(name);
        installSample(name);
        auto report = import::SongImporter::importFile(std::string(BEATSTRIP_SOURCE_DIR) + "/examples/scores/" + name + ".musicxml", {});
        ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
        EXPECT_TRUE(report->leftOut.empty());
        Performance sample = perform(name, songPath(name));
        Performance imported = perform(importedName(*report), import::SongImporter::importedFolder() + "/" + report->songPath);
        ASSERT_GT(sample.beats.size(), 40u);

        EXPECT_EQ(imported.bars, sample.bars);
        ASSERT_EQ(imported.beats.size(), sample.beats.size());
        for (size_t i = 0; i < sample.beats.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(imported.beats[i].bar, sample.beats[i].bar);
            EXPECT_EQ(imported.beats[i].number, sample.beats[i].number);
            EXPECT_NEAR(imported.beats[i].tempo, sample.beats[i].tempo, 1e-3);
        }
        ASSERT_EQ(imported.deadlines.size(), sample.deadlines.size());
        for (size_t i = 0; i < sample.deadlines.size(); ++i)
            EXPECT_NEAR(imported.deadlines[i], sample.deadlines[i], 1e-4) << "beat " << i;
    }
}

TEST_F(SampleSongsImportTest, ImportedScoresSoundTheSamplesNotesAtTheirTimes)
{
    if (!m_engine->notesAvailable())
        GTEST_SKIP() << "no SoundFont: " << m_engine->notesError();
    for (const char* name : kSongs) {
        SCOPED_TRACE(name);
        installSample(name);
        auto report = import::SongImporter::importFile(std::string(BEATSTRIP_SOURCE_DIR) + "/examples/scores/" + name + ".musicxml", {});
        ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
        Performance sample = perform(name, songPath(name));
        Performance imported = perform(importedName(*report), import::SongImporter::importedFolder() + "/" + report->songPath);
        EXPECT_EQ(imported.pitches, sample.pitches);
        // Chord symbols are not notes: "D7" in a pitch column would sound a D four octaves up.
        EXPECT_EQ(sample.soundingChords, 0u);
        EXPECT_EQ(imported.soundingChords, 0u);
        ASSERT_GT(sample.pitches.size(), 30u);
        ASSERT_EQ(sample.notes.size(), sample.pitches.size()) << "every block of the sample sounds";
        ASSERT_EQ(imported.notes.size(), sample.notes.size());
        // Both layouts start a block one point after its time and end it one point early; a
        // point is 1/48 of a quarter in the importer's layout and 1/50 to 1/60 of a beat in the
        // samples'. So a note may start or stop up to 1/48 of its beat apart, and no more.
        for (size_t i = 0; i < sample.notes.size(); ++i) {
            SCOPED_TRACE(i);
            auto beat = std::upper_bound(sample.deadlines.begin(), sample.deadlines.end(), sample.notes[i].on) - 1;
            double beatSeconds = std::next(beat) != sample.deadlines.end() ? *std::next(beat) - *beat : 60.0 / sample.beats.back().tempo;
            double slack = beatSeconds / 48;
            EXPECT_NEAR(imported.notes[i].on, sample.notes[i].on, slack);
            EXPECT_NEAR(imported.notes[i].off, sample.notes[i].off, 2 * slack);
        }
    }
}

}
}
