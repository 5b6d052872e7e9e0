#pragma once
// Shared by the player tests: a temporary home with its own settings store, song files written
// there with carriage-return line ends, and player screens opened on them.
#include <gtest/gtest.h>

#include "platform/core/Clock.h"
#include "platform/core/FileManager.h"
#include "platform/core/TemporaryFolder.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "platform/ui/Image.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/View.h"
#include "player/ViewController.h"
#include "score/SavedBeatList.h"

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace player::test {

// One song line: column name to text. Columns left out are written empty.
using Line = std::map<std::string, std::string>;

inline const std::vector<std::string>& songColumns()
{
    static const std::vector<std::string> columns = { "channel", "Bar No(40)", "Beats per Bar(40)", "tempo (40)", "ipad_col(107)",
        "ipad_rows", "length(109)", "height(110)", "flip_view", "rise_fall", "sharp_flat", "fingering/chord", "lyrics",
        "ipad_color(105)", "Z-level", "Content" };
    return columns;
}

// A beat row of bar `bar` (from 0), beat `beat` (from 1) in bars of `beatsInBar` beats.
inline Line beatLine(int bar, int beat, int beatsInBar, const std::string& tempo, int col, int length)
{
    return { { "channel", "41" }, { "Bar No(40)", std::to_string(bar) }, { "Beats per Bar(40)", std::to_string(beat) },
        { "tempo (40)", tempo }, { "ipad_col(107)", std::to_string(col) }, { "ipad_rows", "20" },
        { "length(109)", std::to_string(length) }, { "height(110)", "10" }, { "flip_view", std::to_string(beatsInBar) },
        { "rise_fall", "60" }, { "sharp_flat", "200" } };
}

inline Line barLine(int bar, int beats, int length)
{
    return { { "channel", "42" }, { "Bar No(40)", std::to_string(bar) }, { "Beats per Bar(40)", std::to_string(beats) },
        { "length(109)", std::to_string(length) }, { "ipad_col(107)", "0" }, { "ipad_rows", "40" }, { "height(110)", "8" } };
}

// `bars` bars of `beats` beats at `tempo`, each beat 200 layout units wide; beat rows of a bar
// follow its bar row.
inline std::vector<Line> regularSong(int bars, int beats, const std::string& tempo = "100")
{
    std::vector<Line> lines;
    for (int bar = 0; bar < bars; ++bar) {
        lines.push_back(barLine(bar, beats, 200 * beats));
        for (int beat = 1; beat <= beats; ++beat)
            lines.push_back(beatLine(bar, beat, beats, tempo, 200 * (bar * beats + beat - 1) + 160, 200));
    }
    return lines;
}

class PlayerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto folder = core::TemporaryFolder::create("player", core::TemporaryFolder::Home::Use);
        ASSERT_TRUE(folder.ok());
        m_homeFolder = *folder;
        m_home = m_homeFolder->path();
        ui::Image::setResourceDirectory(std::string(BEATSTRIP_SOURCE_DIR) + "/assets");
        m_clock = core::ManualClock::create(100);
        core::RunLoop::main().setClock(m_clock);
        m_oldSink = core::setLogSink([this](const std::string& line) { m_log.push_back(line); });
    }

    void TearDown() override
    {
        // A save still being written belongs to this test's home.
        score::SavedBeatList::waitForPendingSaves();
        core::setLogSink(m_oldSink);
        core::RunLoop::resetMain();
        m_homeFolder.reset();
    }
    std::shared_ptr<core::TemporaryFolder> m_homeFolder;

    std::string songPath(const std::string& name) const
    {
        return core::paths::documentsDirectory() + "/data/data/" + name + ".csv";
    }

    void writeSong(const std::string& name, const std::vector<Line>& lines, const std::vector<std::string>& columns = songColumns())
    {
        std::string text;
        for (size_t i = 0; i < columns.size(); ++i)
            text += (i ? "," : "") + columns[i];
        text += "\r";
        for (const auto& line : lines) {
            for (size_t i = 0; i < columns.size(); ++i) {
                auto it = line.find(columns[i]);
                text += (i ? "," : "") + (it == line.end() ? std::string() : it->second);
            }
            text += "\r";
        }
        ASSERT_TRUE(core::files::createDirectoryAtPath(core::paths::documentsDirectory() + "/data/data", true).ok());
        ASSERT_TRUE(core::files::writeContentsAtPath(songPath(name), text).ok());
    }

    void saveBeatList(const std::string& name, const std::vector<Line>& beats)
    {
        core::Json list = core::Json::array();
        for (const auto& beat : beats)
            list.push_back(core::Json(beat));
        auto defaults = core::UserDefaults::standardUserDefaults();
        defaults->setObject(list, name);
        ASSERT_TRUE(defaults->synchronize());
    }

    std::shared_ptr<ViewController> open(const std::string& name, int mode = 3)
    {
        auto player = ViewController::create();
        player->setMode(mode, name);
        player->view();
        return player;
    }

    // A loaded screen with nothing in its strip, for laying out single rows.
    std::shared_ptr<ViewController> emptyScreen(int mode)
    {
        return open("no such song", mode);
    }

    bool logged(const std::string& part) const
    {
        for (const auto& line : m_log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::string m_home;
    std::shared_ptr<core::ManualClock> m_clock;
    std::vector<std::string> m_log;
    core::LogSink m_oldSink;
};

}
