#include "library/ModeSelectionViewController.h"

#include "import/SongImporter.h"
#include "player/PracticeSettings.h"
#include "platform/core/FileManager.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/FileChooserViewController.h"
#include "platform/ui/TableView.h"
#include "score/SavedBeatList.h"
#include "score/ScoreSheet.h"

#include <cstdlib>

// The library's own songs, imported from score files: listed under "My songs", imported through
// the chooser or a drop, and deleted after asking.
namespace library {

void ModeSelectionViewController::reloadImported()
{
    importedList = import::SongImporter::entries(import::SongImporter::importedFolder());
    reloadList();
}

int ModeSelectionViewController::importedHeadingRow() const
{
    return fileList ? static_cast<int>(fileList->size()) : 0;
}

std::optional<size_t> ModeSelectionViewController::importedIndexOfRow(int row) const
{
    int index = row - importedHeadingRow() - 1;
    if (importedList.empty() || index < 0 || static_cast<size_t>(index) >= importedList.size())
        return std::nullopt;
    return static_cast<size_t>(index);
}

std::string ModeSelectionViewController::importedSongName(const std::string& path)
{
    return score::ScoreSheet::importedPrefix + SongIndex::songName(path);
}

void ModeSelectionViewController::deletePressed(ui::Object* sender)
{
    auto* button = dynamic_cast<ui::View*>(sender);
    if (button && button->tag() >= 0)
        deleteImportedSong(static_cast<size_t>(button->tag()));
}

void ModeSelectionViewController::deleteImportedSong(size_t index)
{
    if (index >= importedList.size())
        return;
    import::SongImporter::Entry entry = importedList[index];
    auto self = std::static_pointer_cast<ModeSelectionViewController>(shared_from_this());
    std::string message = "\"" + entry.fileName + "\" and its saved tempi and practice settings will be removed from My songs.";
    ui::AlertView::create("Delete song?", message, { "Cancel", "Delete" }, [self, entry](int button) {
        if (button != 1)
            return;
        auto removed = import::SongImporter::removeSong(import::SongImporter::importedFolder(), entry.path);
        if (!removed) {
            core::log("Could not delete %s: %s", entry.path.c_str(), removed.error().localizedDescription.c_str());
            ui::AlertView::create("Error", "The song could not be deleted: " + removed.error().localizedDescription, { "OK" })->show();
        } else {
            // Its saved state goes with it, so a later song of the same name starts afresh.
            std::string song = importedSongName(entry.path);
            if (!score::SavedBeatList::remove(song))
                core::log("Could not remove the saved tempi of %s", entry.path.c_str());
            if (!player::PracticeSettings::removeAll(song))
                core::log("Could not remove the practice settings of %s", entry.path.c_str());
        }
        self->reloadImported();
    })->show();
}

std::string ModeSelectionViewController::importStartFolder()
{
    const char* home = getenv("HOME");
    std::string folder = home && *home ? home : "/";
    bool isDirectory = false;
    std::string music = core::paths::stringByAppendingPathComponent(folder, "Music");
    if (core::files::fileExistsAtPath(music, &isDirectory) && isDirectory)
        return music;
    return folder;
}

void ModeSelectionViewController::showImportChooser(ui::Object*)
{
    std::weak_ptr<ModeSelectionViewController> weak = std::static_pointer_cast<ModeSelectionViewController>(shared_from_this());
    auto chooser = ui::FileChooserViewController::create("Import a score", importStartFolder(),
        { "musicxml", "xml", "mxl", "mid", "midi", "kar" }, [weak](const std::optional<std::string>& path) {
            auto self = weak.lock();
            if (self && path)
                self->importFiles({ *path });
        });
    presentViewController(chooser, ui::Animated::No);
}

size_t ModeSelectionViewController::importFiles(const std::vector<std::string>& paths)
{
    std::string failures;
    std::optional<std::string> first;
    size_t imported = 0;
    for (const std::string& path : paths) {
        auto report = import::SongImporter::importFile(path, {});
        if (!report) {
            failures += (failures.empty() ? "" : "\n") + report.error().localizedDescription;
            continue;
        }
        core::log("Imported %s", import::SongImporter::describe(*report).c_str());
        if (!first)
            first = report->songPath;
        ++imported;
    }
    reloadImported();
    if (first && tableview) {
        for (size_t i = 0; i < importedList.size(); ++i) {
            if (importedList[i].path != *first)
                continue;
            ui::IndexPath path = ui::IndexPath::indexPathForRow(importedHeadingRow() + 1 + static_cast<int>(i), 0);
            tableview->selectRowAtIndexPath(path, ui::Animated::No);
            tableview->scrollToRowAtIndexPath(path, ui::Animated::No);
        }
    }
    if (!failures.empty())
        ui::AlertView::create("Not imported", failures, { "OK" })->show();
    return imported;
}

}
