// The peer files, imported, open in the player and play: every beat of the song is in the beat
// list, every bar in the bar list, and the beat clock walks them at the imported tempi.
#include "ImportSupport.h"
#include "player/PlayerFixture.h"

#include "import/SongImporter.h"
#include "platform/core/Timer.h"

#include <algorithm>

namespace player::test {
namespace {

class PeerSongsPlayTest : public PlayerFixture { };

TEST_F(PeerSongsPlayTest, ImportedPeerSongsOpenAndPlay)
{
    std::string peers = importtest::peersFolder();
    if (!core::files::fileExistsAtPath(peers))
        GTEST_SKIP() << "no peer files at " << peers << " (they sit beside the project's clone)";
    size_t opened = 0;
    for (const char* kind : { "musicxml", "midi" }) {
        auto names = core::files::contentsOfDirectoryAtPath(peers + "/" + kind);
        ASSERT_TRUE(names.ok());
        std::vector<std::string> sorted = *names;
        std::sort(sorted.begin(), sorted.end());
        for (const std::string& name : sorted) {
            if (name == "SOURCE.md")
                continue;
            SCOPED_TRACE(name);
            auto report = import::SongImporter::importFile(peers + "/" + kind + "/" + name, {});
            ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
            std::string songName = "/imported/" + report->songPath.substr(0, report->songPath.size() - 4);
            auto player = open(songName);
            ASSERT_TRUE(player->canPlay());
            EXPECT_EQ(player->shadowArray().size(), report->beats);
            EXPECT_EQ(player->displayArray().size(), report->bars);
            EXPECT_EQ(player->tempoEditor().beatCount(), report->beats) << "one tempo label per beat";
            // The first beats play on their deadlines.
            player->play(nullptr);
            double due = player->timer()->fireDate();
            for (int k = 0; k < 3 && size_t(k + 1) < report->beats; ++k) {
                EXPECT_NEAR(due - m_clock->now(), 60.0 / player->shadowArray()[size_t(k)].floatValue("tempo (40)"), 1e-3);
                core::RunLoop::main().runUntil(due);
                EXPECT_EQ(player->index(), k + 1);
                due = player->timer()->fireDate();
            }
            player->pause(nullptr);
            ++opened;
        }
    }
    EXPECT_GE(opened, 10u);
}

}
}
