// Imported songs in the library: listed after the downloaded ones under "My songs", opened from
// their own folder, never sharing saved state with a downloaded song, and deleted on confirmation.
#include "LibraryScreenFixture.h"
#include "library/ModeSelectionViewController.h"
#include "library/Screens.h"

#include "TempHome.h"
#include "import/SongImporter.h"
#include "platform/core/Clock.h"
#include "platform/core/Json.h"
#include "platform/core/RunLoop.h"
#include "platform/core/UserDefaults.h"
#include "platform/render/Renderer.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/FileChooserViewController.h"
#include "platform/ui/Label.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/TableViewCell.h"
#include "platform/ui/Window.h"
#include "player/PracticeSettings.h"
#include "player/ViewController.h"

#include <gtest/gtest.h>

using library::ModeSelectionViewController;

namespace {

const char* kWaltz = R"(<?xml version="1.0"?><score-partwise><work><work-title>Tiny Waltz</work-title></work>
<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list><part id="P1">
<measure number="1"><attributes><divisions>1</divisions><time><beats>3</beats><beat-type>4</beat-type></time></attributes>
<note><pitch><step>C</step><octave>4</octave></pitch><duration>3</duration></note></measure>
<measure number="2"><attributes><time><beats>2</beats><beat-type>4</beat-type></time></attributes>
<note><pitch><step>E</step><octave>4</octave></pitch><duration>2</duration></note></measure></part></score-partwise>)";

class ImportedSongsTest : public LibraryScreenFixture {
protected:
    std::string writeSource(const std::string& name, const std::string& bytes)
    {
        std::string path = home.home() + "/" + name;
        EXPECT_TRUE(core::files::writeContentsAtPath(path, bytes).ok());
        return path;
    }

    void importWaltz()
    {
        auto report = import::SongImporter::importFile(writeSource("waltz.musicxml", kWaltz), {});
        ASSERT_TRUE(report.ok()) << report.error().localizedDescription;
    }

    // The alert showing now as "title|message", answered with the button; empty when none.
    std::string answerAlert(int button)
    {
        auto alert = window().currentAlert();
        if (!alert)
            return "";
        std::string text = alert->title() + "|" + alert->message();
        alert->dismissWithClickedButtonIndex(button);
        window().layoutIfNeeded();
        return text;
    }

};

}

TEST_F(ImportedSongsTest, ImportedSongsFollowUnderMySongsAndOpenFromTheirOwnFolder)
{
    home.writeIndex(R"({"FileInfo": [{"fileName": "Ode to Joy", "path": "ode.csv"}]})");
    importWaltz();
    auto screen = launch();
    ASSERT_TRUE(screen);
    EXPECT_EQ(visibleTitles(*screen), (std::vector<std::string> { "Ode to Joy", "MY SONGS", "Tiny Waltz" }));
    EXPECT_TRUE(screen->emptyHint->isHidden());

    tapRow(*screen, 1); // the heading opens nothing
    EXPECT_EQ(window().frontViewController(), screen);

    tapRow(*screen, 2);
    auto player = presentedPlayer();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "/imported/tiny_waltz");
    // A bar of three beats and a bar of two, read from the imported folder.
    EXPECT_EQ(player->shadowArray().size(), 5u);
    EXPECT_EQ(player->displayArray().size(), 2u);
}

TEST_F(ImportedSongsTest, ImportedAndDownloadedSongsNeverShareFilesOrSavedState)
{
    // A downloaded song of the same stem, and one whose name takes the imported songs' prefix.
    home.writeIndex(R"({"FileInfo": [{"fileName": "Same name", "path": "tiny_waltz.csv"},
        {"fileName": "Sneaky", "path": "/imported/tiny_waltz.csv"}]})");
    importWaltz();
    core::Json saved = core::Json::array();
    for (int i = 0; i < 5; ++i)
        saved.push_back({ { "channel", "41" }, { "tempo (40)", "33" } });
    core::UserDefaults::standardUserDefaults()->setObject(saved, "tiny_waltz");
    ASSERT_TRUE(core::UserDefaults::standardUserDefaults()->synchronize());

    auto screen = launch();
    ASSERT_TRUE(screen);
    // The entry whose path is not a plain file name is left out: row 1 is the "My songs" heading.
    ASSERT_EQ(screen->importedHeadingRow(), 1);
    tapRow(*screen, 1);
    EXPECT_EQ(window().frontViewController(), screen) << "the heading opens nothing";

    tapRow(*screen, 2);
    auto player = presentedPlayer();
    ASSERT_TRUE(player);
    EXPECT_EQ(player->fileName(), "/imported/tiny_waltz");
    ASSERT_EQ(player->shadowArray().size(), 5u);
    EXPECT_NE(player->shadowArray()[0].text("tempo (40)"), "33") << "the downloaded song's saved tempi stay its own";
}

TEST_F(ImportedSongsTest, DeleteAsksFirstThenRemovesTheSongItsEntryAndItsSavedState)
{
    importWaltz();
    core::Json saved = core::Json::array();
    for (int i = 0; i < 5; ++i)
        saved.push_back({ { "channel", "41" }, { "tempo (40)", "90" } });
    auto defaults = core::UserDefaults::standardUserDefaults();
    defaults->setObject(saved, "/imported/tiny_waltz");
    // Practice state of the song, one value stored and one still pending; and the state of
    // songs whose names only begin alike, which must stay.
    player::PracticeSettings::setSpeed("/imported/tiny_waltz", 80);
    ASSERT_TRUE(player::PracticeSettings::offerBest("/imported/tiny_waltz", 80, 0.9));
    player::PracticeSettings::setSpeed("/imported/tiny_waltz_2", 70);
    player::PracticeSettings::setSpeed("tiny_waltz", 60);
    ASSERT_TRUE(defaults->synchronize());
    player::PracticeSettings::setShade("/imported/tiny_waltz", 0.5f);
    const std::string songFile = home.documents() + "/imported/tiny_waltz.csv";

    auto screen = launch();
    ASSERT_TRUE(screen);
    auto button = window().viewWithAccessibilityIdentifier("deleteSong");
    ASSERT_TRUE(button);
    auto centre = button->windowFrame().center();
    window().touchDown(centre);
    window().touchUp(centre);
    EXPECT_EQ(answerAlert(0), "Delete song?|\"Tiny Waltz\" and its saved tempi and practice settings will be removed from My songs.");
    EXPECT_TRUE(core::files::fileExistsAtPath(songFile)) << "Cancel keeps the song";
    EXPECT_EQ(visibleTitles(*screen).size(), 2u);

    // Delete on the keyboard asks about the selected imported song; nothing selected, nothing asked.
    window().keyDown(ui::Key::Delete);
    EXPECT_EQ(answerAlert(0), "");
    screen->tableview->selectRowAtIndexPath(ui::IndexPath { 0, 1 }, ui::Animated::No);
    window().keyDown(ui::Key::Delete);
    EXPECT_NE(answerAlert(1), "");
    EXPECT_FALSE(core::files::fileExistsAtPath(songFile));
    EXPECT_TRUE(import::SongImporter::entries(import::SongImporter::importedFolder()).empty());
    EXPECT_FALSE(defaults->valueForKey("/imported/tiny_waltz").has_value());
    EXPECT_FALSE(player::PracticeSettings::speed("/imported/tiny_waltz"));
    EXPECT_FALSE(player::PracticeSettings::shade("/imported/tiny_waltz"));
    EXPECT_FALSE(player::PracticeSettings::best("/imported/tiny_waltz", 80));
    EXPECT_EQ(player::PracticeSettings::speed("/imported/tiny_waltz_2"), 70);
    EXPECT_EQ(player::PracticeSettings::speed("tiny_waltz"), 60);
    // Gone from the file too, not only from what is pending.
    auto reopened = core::UserDefaults::open(defaults->path());
    ASSERT_TRUE(reopened);
    EXPECT_FALSE(reopened->valueForKey(player::PracticeSettings::key("/imported/tiny_waltz", "speed")).has_value());
    EXPECT_FALSE(reopened->valueForKey(player::PracticeSettings::key("/imported/tiny_waltz", "best/80")).has_value());
    EXPECT_TRUE(reopened->valueForKey(player::PracticeSettings::key("/imported/tiny_waltz_2", "speed")).has_value());
    EXPECT_TRUE(visibleTitles(*screen).empty());
    EXPECT_FALSE(screen->emptyHint->isHidden());
}

TEST_F(ImportedSongsTest, ImportingFilesListsAndSelectsTheFirstAndNamesTheFailures)
{
    auto screen = launch();
    ASSERT_TRUE(screen);
    std::string bad = writeSource("broken.mid", "MThd");
    std::string good = writeSource("waltz.musicxml", kWaltz);
    EXPECT_EQ(screen->importFiles({ bad, good }), 1u);
    EXPECT_EQ(visibleTitles(*screen), (std::vector<std::string> { "MY SONGS", "Tiny Waltz" }));
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 1 }));
    std::string alert = answerAlert(0);
    EXPECT_NE(alert.find("Not imported|broken.mid: it is not a Standard MIDI File"), std::string::npos) << alert;
}

TEST_F(ImportedSongsTest, ImportButtonChoosesAScoreFileStartingInTheMusicFolder)
{
    // The user's home for this test: a Music folder with a folder, scores and other files.
    std::string userHome = home.home() + "/user";
    std::string music = userHome + "/Music";
    ASSERT_TRUE(core::files::createDirectoryAtPath(music + "/Waltzes", true).ok());
    ASSERT_TRUE(core::files::createDirectoryAtPath(music + "/.hidden", true).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(music + "/Waltzes/tiny.MusicXML", kWaltz).ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(music + "/notes.txt", "words").ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(music + "/b.mid", "MThd").ok());
    ASSERT_TRUE(core::files::writeContentsAtPath(music + "/A.kar", "MThd").ok());
    struct HomeVariable {
        std::optional<std::string> saved;
        explicit HomeVariable(const std::string& value)
        {
            if (const char* old = getenv("HOME"))
                saved = old;
            setenv("HOME", value.c_str(), 1);
        }
        ~HomeVariable() { saved ? setenv("HOME", saved->c_str(), 1) : unsetenv("HOME"); }
    } homeVariable(userHome);

    auto screen = launch();
    ASSERT_TRUE(screen);
    auto press = [&](const std::string& identifier) {
        auto view = window().viewWithAccessibilityIdentifier(identifier);
        ASSERT_TRUE(view) << identifier;
        auto centre = view->windowFrame().center();
        window().touchDown(centre);
        window().touchUp(centre);
        window().layoutIfNeeded();
        core::RunLoop::main().runUntil(clock->now() + 1);
    };
    press("import");
    auto chooser = std::dynamic_pointer_cast<ui::FileChooserViewController>(window().frontViewController());
    ASSERT_TRUE(chooser) << "the chooser is presented";
    EXPECT_EQ(chooser->folder(), music);
    std::vector<std::string> names;
    for (const auto& item : chooser->items())
        names.push_back(item.name + (item.isFolder ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string> { "Waltzes/", "A.kar", "b.mid" }));

    press("chooserCancel");
    EXPECT_EQ(window().frontViewController(), screen);
    EXPECT_TRUE(visibleTitles(*screen).empty());

    press("import");
    chooser = std::dynamic_pointer_cast<ui::FileChooserViewController>(window().frontViewController());
    ASSERT_TRUE(chooser);
    chooser->choose(0);
    EXPECT_EQ(chooser->folder(), music + "/Waltzes");
    press("chooserUp");
    EXPECT_EQ(chooser->folder(), music);
    chooser->choose(0);
    ASSERT_EQ(chooser->items().size(), 1u);
    chooser->choose(0);
    core::RunLoop::main().runUntil(clock->now() + 1);
    EXPECT_EQ(window().frontViewController(), screen);
    EXPECT_EQ(visibleTitles(*screen), (std::vector<std::string> { "MY SONGS", "Tiny Waltz" }));
    EXPECT_EQ(screen->tableview->indexPathForSelectedRow(), (ui::IndexPath { 0, 1 }));
}
