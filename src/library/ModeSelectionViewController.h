#pragma once
#include "import/SongImporter.h"
#include "library/SongIndex.h"
#include "platform/core/Error.h"
#include "platform/ui/TableView.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class Button;
class Label;
class SegmentedControl;
class View;
}

namespace overlay {
class BusyOverlay;
}

namespace library {

// The song library, the app's first screen: picks the display mode, lists the songs of the
// song index, opens the player on a tap and fetches the content package on Download.
class ModeSelectionViewController : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static std::shared_ptr<ModeSelectionViewController> create();
    ~ModeSelectionViewController() override;

    void loadView() override;
    // Mode 3, then the song list when a package has been installed.
    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    std::string className() const override { return "ModeSelectionViewController"; }
    // Back from the player: the song last played is the selected row.
    void viewWillAppear(bool animated) override;
    // Up and Down move the selected row, Return opens its song, Delete (or Backspace) asks to
    // delete the selected imported song.
    void keyPressed(ui::Key key) override;

    // Segments 0, 1 and 2 choose modes 1, 2 and 3.
    void modeSelected(ui::Object* sender);
    // Fetches and installs the content package under the busy overlay, then lists what the
    // content folder holds; a failure keeps the songs and says so. Ignored while one runs.
    void download(ui::Object* sender);
    bool isDownloading() const { return m_downloading; }

    int numberOfSectionsInTableView(ui::TableView* tableView) override;
    int numberOfRowsInSection(ui::TableView* tableView, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath) override;
    // Opens the player on the row's song, with the current mode.
    void didSelectRowAtIndexPath(ui::TableView* tableView, ui::IndexPath indexPath) override;

    // Imported songs follow the downloaded ones, under a "My songs" heading row.
    int importedHeadingRow() const;
    // The imported song a list row shows, if it shows one.
    std::optional<size_t> importedIndexOfRow(int row) const;
    // The player's name for an imported song: the imported prefix and the song file's stem.
    static std::string importedSongName(const std::string& path);
    // Asks for confirmation, then removes the imported song, its index entry and its saved tempi.
    void deleteImportedSong(size_t index);
    // Imports score files into the imported folder, lists them and selects the first that
    // worked; files that could not be imported are named in one alert. Returns how many worked.
    size_t importFiles(const std::vector<std::string>& paths);
    // Opens the file chooser on score files, in the user's Music folder when there is one.
    void showImportChooser(ui::Object* sender);
    static std::string importStartFolder();

    // Replaces fileList with the index in the content folder and reloads the list. With
    // `onlyWhenInstalled`, a missing package folder leaves the list as it is.
    void loadSongIndex(bool onlyWhenInstalled);

    // Display mode handed to the player: 1, 2 or 3.
    int32_t mode = 0;
    // The songs listed; none until an index has been read.
    std::optional<std::vector<SongEntry>> fileList;
    // The imported songs, from the imported folder's own index.
    std::vector<import::SongImporter::Entry> importedList;
    std::shared_ptr<ui::TableView> tableview;
    std::shared_ptr<overlay::BusyOverlay> hud;

    // Screen design.
    std::shared_ptr<ui::SegmentedControl> modeControl;
    std::shared_ptr<ui::Button> downloadButton;
    std::shared_ptr<ui::Button> importButton;
    std::shared_ptr<ui::View> emptyHint;

    static constexpr const char* kCellIdentifier = "MyIdentifier";
    static constexpr const char* kHeadingIdentifier = "Heading";
    static constexpr const char* kImportedIdentifier = "Imported";
    static constexpr const char* kPlayerIdentifier = "Main";

private:
    ModeSelectionViewController();
    void reloadList();
    void downloadFinished(const std::optional<core::Error>& failure);
    void openPlayer(const std::string& songName);
    void selectRow(int row);
    void selectLastPlayed();
    void deletePressed(ui::Object* sender);
    void reloadImported();

    bool m_downloading = false;
    // The song the player was last opened on, selected again when the list shows.
    std::string m_lastPlayed;
};

}
